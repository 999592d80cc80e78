#include "zip/ZipReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/FileSystem.h"
#include "zip/ZipSource.h"

namespace tv {

namespace {

constexpr size_t kChunkBytes = size_t{256} << 10;
constexpr uint32_t kPermissionBits = 0777;  // set-id bits from an archive are never applied
// MakeFolders: a part of the path leads outside the root through a symbolic link.
constexpr int kLeavesRoot = -2;

int ErrnoOf(const zip_error_t* error) {
    switch (zip_error_code_zip(error)) {
        case ZIP_ER_NOZIP:
        case ZIP_ER_INCONS:
        case ZIP_ER_CRC:
        case ZIP_ER_COMPNOTSUPP:
        case ZIP_ER_COMPRESSED_DATA:
        case ZIP_ER_EOF:
            return kZipDamaged;
        case ZIP_ER_MEMORY:
            return ENOMEM;
        case ZIP_ER_ENCRNOTSUPP:
        case ZIP_ER_NOPASSWD:
        case ZIP_ER_WRONGPASSWD:
            return EACCES;
        default:
            break;
    }
    const int sys = zip_error_code_system(error);
    return zip_error_system_type(error) == ZIP_ET_SYS && sys != 0 ? sys : kZipDamaged;
}

bool IsBelowOrAt(const std::string& path, const std::string& root) {
    if (root == "/") {
        return !path.empty() && path[0] == '/';
    }
    return path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                            path[root.size()] == '/');
}

bool AllZero(const char* data, size_t size) {
    static const std::vector<char> zeros(kChunkBytes, 0);
    return size <= zeros.size() && std::memcmp(data, zeros.data(), size) == 0;
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

bool SplitEntryName(const std::string& name, std::vector<std::string>& parts) {
    parts.clear();
    if (name.empty() || name[0] == '/') {
        return false;
    }
    size_t start = 0;
    while (start <= name.size()) {
        const size_t end = std::min(name.find('/', start), name.size());
        std::string part = name.substr(start, end - start);
        if (part == "..") {
            return false;
        }
        if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }
    return !parts.empty();
}

CZipReader::CZipReader(IFileSystem& fs) : m_fs(fs) {}

CZipReader::~CZipReader() {
    Close();
}

int CZipReader::Open(const std::string& path) {
    Close();
    int err = m_fs.OpenRead(path, m_file);
    CFileInfo info;
    if (err == 0) {
        err = m_fs.StatOpen(m_file, info);
    }
    if (err != 0) {
        Close();
        return err;
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = ReadSource(m_fs, m_file, info.m_size, &error);
    m_za = src ? zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    if (!m_za) {
        if (src) {
            zip_source_free(src);
        }
        err = ErrnoOf(&error);
        Close();
    }
    zip_error_fini(&error);
    return err;
}

size_t CZipReader::EntryCount() const {
    const zip_int64_t count = m_za ? zip_get_num_entries(m_za, 0) : 0;
    return count > 0 ? static_cast<size_t>(count) : 0;
}

std::string CZipReader::EntryName(uint64_t index) const {
    const char* name = m_za ? zip_get_name(m_za, index, ZIP_FL_ENC_RAW) : nullptr;
    return name ? name : std::string();
}

void CZipReader::Close() {
    if (m_za) {
        zip_discard(m_za);
        m_za = nullptr;
    }
    if (m_file >= 0) {
        m_fs.Close(m_file);
        m_file = -1;
    }
    m_strRootOfResolved.clear();
}

CExtractStatus CZipReader::Extract(uint64_t index, const std::string& root,
                                   const ExtractCancelFn& canceled) {
    CExtractStatus status;
    CZipEntryMeta meta;
    if (!m_za || !ReadEntryMeta(m_za, index, meta)) {
        return {ExtractResult::Failed, m_za ? kZipDamaged : EBADF, {}, ZipEntryKind::File};
    }
    status.m_kind = meta.m_kind;
    std::vector<std::string> parts;
    if (!SplitEntryName(meta.m_name, parts)) {
        return {ExtractResult::Refused, 0, meta.m_name, meta.m_kind};
    }
    status.m_strPath = root;
    for (const std::string& part : parts) {
        status.m_strPath = Join(status.m_strPath, part);
    }
    if (meta.m_kind == ZipEntryKind::Link) {
        return {ExtractResult::Refused, 0, meta.m_name, meta.m_kind};
    }
    const bool folder = meta.m_kind == ZipEntryKind::Folder;
    std::string parent;
    int err = MakeFolders(root, parts, folder ? parts.size() : parts.size() - 1, parent);
    if (err == 0 && !folder) {
        err = ExtractFile(index, meta, parent, parts.back(), canceled);
    }
    if (err == kLeavesRoot) {
        status.m_result = ExtractResult::Refused;
        status.m_strPath = meta.m_name;
    } else if (err == ECANCELED) {
        status.m_result = ExtractResult::Canceled;
    } else if (err != 0) {
        status.m_result = ExtractResult::Failed;
        status.m_error = err;
    }
    return status;
}

// Each part that exists must be a folder inside the root; a symbolic link is followed only
// when where it leads lies inside the root too.
int CZipReader::MakeFolders(const std::string& root, const std::vector<std::string>& parts,
                            size_t count, std::string& folder) {
    if (m_strRootOfResolved != root) {
        if (m_fs.ResolvePath(root, m_strResolvedRoot) != 0) {
            m_strResolvedRoot = root;  // a location without links resolves nothing
        }
        m_strRootOfResolved = root;
    }
    folder = root;
    for (size_t i = 0; i < count; ++i) {
        folder = Join(folder, parts[i]);
        CFileInfo st;
        int err = m_fs.Stat(folder, st, LinkMode::NoFollow);
        if (err == ENOENT) {
            err = m_fs.MakeFolder(folder);
            if (err == EEXIST) {
                err = m_fs.Stat(folder, st, LinkMode::NoFollow);
            } else if (err == 0) {
                continue;
            }
        }
        if (err != 0) {
            return err;
        }
        if (st.m_bSymlink) {
            std::string resolved;
            if (m_fs.ResolvePath(folder, resolved) != 0 ||
                !IsBelowOrAt(resolved, m_strResolvedRoot)) {
                return kLeavesRoot;
            }
            err = m_fs.Stat(folder, st, LinkMode::Follow);
            if (err != 0) {
                return err;
            }
        }
        if (st.m_type != EntryType::Folder) {
            return ENOTDIR;
        }
    }
    return 0;
}

int CZipReader::ExtractFile(uint64_t index, const CZipEntryMeta& meta, const std::string& folder,
                            const std::string& name, const ExtractCancelFn& canceled) {
    const std::string dest = Join(folder, name);
    CFileInfo st;
    if (m_fs.Stat(dest, st, LinkMode::NoFollow) == 0 && st.m_type == EntryType::Folder &&
        !st.m_bSymlink) {
        return EISDIR;
    }
    std::string temp;
    int out = -1;
    int err = m_fs.CreateTemp(folder, name, meta.m_mode != 0 ? 0600 : 0666, temp, out);
    if (err != 0) {
        return err;
    }
    err = CopyData(index, out, canceled);
    if (err == 0 && meta.m_lastWrite != 0) {
        err = m_fs.SetOpenTimes(out, kKeepTime, meta.m_lastWrite);
    }
    if (err == 0 && meta.m_mode != 0) {
        err = m_fs.SetOpenMode(out, meta.m_mode & kPermissionBits);
    }
    const int closed = m_fs.Close(out);
    err = err != 0 ? err : closed;
    if (err == 0) {
        err = m_fs.Rename(temp, dest);
    }
    if (err != 0) {
        m_fs.Unlink(temp);
    }
    return err;
}

// Zero-filled pieces are skipped (holes) and written only when the file system refuses a write
// past the end; libzip checks the CRC when the data ends.
int CZipReader::CopyData(uint64_t index, int out, const ExtractCancelFn& canceled) {
    zip_file_t* in = zip_fopen_index(m_za, index, 0);
    if (!in) {
        return ErrnoOf(zip_get_error(m_za));
    }
    std::vector<char> buffer(kChunkBytes);
    uint64_t pos = 0;
    uint64_t written = 0;
    const auto writeAt = [&](uint64_t offset, const char* data, size_t size) {
        size_t done = 0;
        int err = m_fs.Write(out, offset, data, size, done);
        if (err == ESPIPE && offset > written) {
            const std::vector<char> zeros(kChunkBytes, 0);
            err = 0;
            for (uint64_t at = written; at < offset && err == 0;) {
                const size_t n = static_cast<size_t>(std::min<uint64_t>(offset - at, kChunkBytes));
                err = m_fs.Write(out, at, zeros.data(), n, done);
                at += n;
            }
            err = err == 0 ? m_fs.Write(out, offset, data, size, done) : err;
        }
        written = offset + size;
        return err;
    };
    int err = 0;
    for (;;) {
        if (canceled && canceled()) {
            err = ECANCELED;
            break;
        }
        const zip_int64_t got = zip_fread(in, buffer.data(), buffer.size());
        if (got < 0) {
            err = ErrnoOf(zip_file_get_error(in));
            break;
        }
        if (got == 0) {
            break;
        }
        const auto size = static_cast<size_t>(got);
        if (!AllZero(buffer.data(), size)) {
            err = writeAt(pos, buffer.data(), size);
            if (err != 0) {
                break;
            }
        }
        pos += size;
    }
    zip_fclose(in);
    if (err == 0 && written < pos) {
        err = writeAt(pos - 1, "", 1);
    }
    return err;
}

}  // namespace tv
