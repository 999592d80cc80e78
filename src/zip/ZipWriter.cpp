#include "zip/ZipWriter.h"

#include <cerrno>
#include <utility>

#include <zip.h>
#include <zlib.h>

#include "base/PathText.h"
#include "base/Utf.h"
#include "platform/FileSystem.h"
#include "zip/ZipDeflater.h"
#include "zip/ZipFormat.h"
#include "zip/ZipSource.h"

namespace tv {

namespace {

constexpr size_t kReadBytes = size_t{1} << 20;
// The archive holds copies of the user's files, whoever may read the originals.
constexpr uint32_t kArchiveMode = 0600;

// The name of `path` below `root`, empty when it does not lie below it.
std::string EntryName(const std::string& root, const std::string& path) {
    const std::string folder = CleanFolderPath(root);
    const std::string prefix = folder == "/" ? folder : folder + "/";
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) {
        return {};
    }
    return path.substr(prefix.size());
}

int ErrnoOf(zip_error_t* error) {
    const int sys = zip_error_code_system(error);
    if (zip_error_system_type(error) == ZIP_ET_SYS && sys != 0) {
        return sys;
    }
    return zip_error_code_zip(error) == ZIP_ER_MEMORY ? ENOMEM : EIO;
}

}  // namespace

CZipWriter::CZipWriter(IFileSystem& fs) : m_fs(fs) {}

CZipWriter::~CZipWriter() {
    Discard();
}

int CZipWriter::Create(const std::string& path) {
    Discard();
    m_strPath = path;
    const std::string folder = FolderOf(path);
    int err = m_fs.CreateTemp(folder, NameOf(path), kArchiveMode, m_strTemp, m_file);
    if (err == 0) {
        err = m_fs.CreateScratch(folder, m_spool);
    }
    if (err != 0) {
        Discard();
        return err;
    }
    m_deflater = std::make_unique<CZipDeflater>(m_fs, m_spool, Z_DEFAULT_COMPRESSION);
    return 0;
}

int CZipWriter::AddFile(const std::string& path) {
    CEntry entry;
    entry.m_name = EntryName(m_strRoot, path);
    if (entry.m_name.empty() || !m_deflater) {
        return EINVAL;
    }
    int file = -1;
    int err = m_fs.OpenRead(path, file);
    if (err != 0) {
        return err;
    }
    CFileInfo info;
    err = m_fs.StatOpen(file, info);
    if (err == 0) {
        entry.m_lastWrite = info.m_lastWrite;
        entry.m_mode = info.Mode();
        err = ReadInto(file, entry);
    }
    m_fs.Close(file);
    if (err != 0) {
        return err;
    }
    m_entries.push_back(std::move(entry));
    return 0;
}

// The bytes go to the deflater as they are read; the CRC is taken here, on the reading thread.
int CZipWriter::ReadInto(int file, CEntry& entry) {
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
        std::vector<unsigned char> buffer = m_deflater->TakeBuffer();
        buffer.resize(kReadBytes);
        size_t got = 0;
        const int err = m_fs.Read(file, entry.m_size, buffer.data(), buffer.size(), got);
        if (err != 0) {
            m_deflater->DropEntry();
            return err;
        }
        if (got == 0) {
            break;
        }
        buffer.resize(got);
        crc = crc32_z(crc, buffer.data(), got);
        entry.m_size += got;
        m_deflater->Feed(std::move(buffer));
    }
    entry.m_crc = static_cast<uint32_t>(crc);
    m_deflater->EndEntry();
    return 0;
}

int CZipWriter::Close() {
    if (!m_deflater) {
        return EBADF;
    }
    int err = m_deflater->Finish();
    if (err == 0) {
        err = m_entries.empty() ? WriteEmptyArchive() : WriteArchive();
    }
    if (err == 0) {
        err = m_fs.Close(std::exchange(m_file, -1));
    }
    if (err == 0) {
        err = m_fs.Rename(m_strTemp, m_strPath);
    }
    if (err != 0) {
        Discard();
        return err;
    }
    m_strTemp.clear();
    m_fs.FlushFolder(FolderOf(m_strPath));
    CloseFiles();
    return 0;
}

void CZipWriter::Discard() {
    CloseFiles();
    if (!m_strTemp.empty()) {
        m_fs.Unlink(m_strTemp);
        m_strTemp.clear();
    }
    m_entries.clear();
}

void CZipWriter::CloseFiles() {
    m_deflater.reset();
    for (int* file : {&m_file, &m_spool}) {
        if (*file >= 0) {
            m_fs.Close(std::exchange(*file, -1));
        }
    }
}

// libzip leaves out an archive without entries; an empty archive is its end record alone.
int CZipWriter::WriteEmptyArchive() {
    static constexpr unsigned char kEndRecord[22] = {'P', 'K', 5, 6};
    size_t written = 0;
    const int err = m_fs.Write(m_file, 0, kEndRecord, sizeof kEndRecord, written);
    return err != 0 ? err : m_fs.Flush(m_file);
}

int CZipWriter::WriteArchive() {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* out = WriteSource(m_fs, m_file, &error);
    zip_t* za = out ? zip_open_from_source(out, ZIP_TRUNCATE, &error) : nullptr;
    if (!za) {
        if (out) {
            zip_source_free(out);
        }
        const int err = ErrnoOf(&error);
        zip_error_fini(&error);
        return err;
    }
    const std::vector<CSpoolSpan>& spans = m_deflater->Spans();
    bool ok = spans.size() == m_entries.size();
    for (size_t i = 0; ok && i < m_entries.size(); ++i) {
        const CEntry& e = m_entries[i];
        CZipEntryMeta meta{e.m_name, e.m_lastWrite, e.m_mode};
        const CDeflatedSpan span{spans[i].m_offset, spans[i].m_size, e.m_size, e.m_crc,
                                 UnixFromFileTime(e.m_lastWrite)};
        ok = AddDeflatedEntry(za, m_fs, m_spool, span, meta);
    }
    int err = 0;
    if (!ok) {
        err = ErrnoOf(zip_get_error(za));
        zip_discard(za);
    } else if (zip_close(za) != 0) {
        err = ErrnoOf(zip_get_error(za));
        zip_discard(za);
    }
    zip_error_fini(&error);
    return err;
}

}  // namespace tv
