#include "platform/AtomicFile.h"

#include <cerrno>

#include "base/PathText.h"
#include "platform/FileSystem.h"

namespace tv {

namespace {

constexpr uint32_t kNewFileMode = 0644;
constexpr uint32_t kPrivateFileMode = 0600;

std::string ErrorText(const std::string& what, const std::string& path, int err) {
    return what + " '" + path + "': " + SystemErrorText(err);
}

// Writing through a link must replace what it points at, not the link itself.
std::string ResolveLink(IFileSystem& fs, const std::string& path) {
    CFileInfo info;
    std::string resolved;
    if (fs.Stat(path, info, LinkMode::NoFollow) != 0 || !info.m_bSymlink ||
        fs.ResolvePath(path, resolved) != 0) {
        return path;
    }
    return resolved;
}

bool WriteWhole(IFileSystem& fs, const std::string& path, std::string_view bytes, FileAccess access,
                std::string* error) {
    CAtomicFileWriter writer(fs, path, access);
    if (writer.Write(bytes) && writer.Commit()) {
        return true;
    }
    if (error) {
        *error = writer.Error();
    }
    return false;
}

}  // namespace

bool WriteFileAtomically(IFileSystem& fs, const std::string& path, std::string_view bytes,
                         std::string* error) {
    return WriteWhole(fs, path, bytes, FileAccess::Shared, error);
}

bool WritePrivateFileAtomically(IFileSystem& fs, const std::string& path, std::string_view bytes,
                                std::string* error) {
    return WriteWhole(fs, path, bytes, FileAccess::Private, error);
}

bool WriteFileAtomically(IFileSystem& fs, const std::string& path, std::string_view bytes,
                         FileAccess access, std::string* error) {
    return WriteWhole(fs, path, bytes, access, error);
}

// A replaced file that is not Private keeps its permission bits; a new one gets the creation
// mode. The temporary file starts private whenever it is to take an old file's bits, so that it
// is never wider than the file it replaces while anyone could open it.
CAtomicFileWriter::CAtomicFileWriter(IFileSystem& fs, const std::string& path, FileAccess access)
    : m_fs(fs), m_strTarget(ResolveLink(fs, path)) {
    const std::string folder = FolderOf(m_strTarget);
    const std::string name = NameOf(m_strTarget);
    m_fs.RemoveStaleTemps(folder, name);
    CFileInfo old;
    const bool keepsOldMode =
        access != FileAccess::Private && m_fs.Stat(m_strTarget, old, LinkMode::Follow) == 0;
    const uint32_t mode =
        access == FileAccess::Shared && !keepsOldMode ? kNewFileMode : kPrivateFileMode;
    if (const int err = m_fs.CreateTemp(folder, name, mode, m_strTempPath, m_file)) {
        m_file = -1;
        m_strTempPath.clear();
        m_strError = ErrorText("cannot create a temporary file beside", m_strTarget, err);
        return;
    }
    if (keepsOldMode) {
        if (const int err = m_fs.SetOpenMode(m_file, old.Mode())) {
            Fail("cannot set the mode of", err);
        }
    }
}

CAtomicFileWriter::~CAtomicFileWriter() {
    Discard();
}

void CAtomicFileWriter::Discard() {
    if (m_file >= 0) {
        m_fs.Close(m_file);
        m_file = -1;
    }
    if (!m_strTempPath.empty()) {
        m_fs.Unlink(m_strTempPath);
        m_strTempPath.clear();
    }
}

bool CAtomicFileWriter::Write(std::string_view bytes) {
    if (!Ok()) {
        return false;
    }
    size_t written = 0;
    if (const int err = m_fs.Write(m_file, m_nWritten, bytes.data(), bytes.size(), written)) {
        return Fail("cannot write", err);
    }
    m_nWritten += written;
    return true;
}

// The file is closed before the rename: a remote upload is complete only then, and a close
// that fails may report a lost write. The file system keeps it locked until it is renamed.
bool CAtomicFileWriter::Commit() {
    if (!Ok()) {
        return false;
    }
    if (const int err = m_fs.Flush(m_file)) {
        return Fail("cannot flush", err);
    }
    const int closeErr = m_fs.Close(m_file);
    m_file = -1;
    if (closeErr) {
        return Fail("cannot write", closeErr);
    }
    if (const int err = m_fs.Rename(m_strTempPath, m_strTarget)) {
        return Fail("cannot replace", err);
    }
    m_strTempPath.clear();
    if (const int err = m_fs.FlushFolder(FolderOf(m_strTarget))) {
        return Fail("replaced, but cannot flush the folder of", err);
    }
    return true;
}

bool CAtomicFileWriter::Fail(const char* step, int error) {
    m_strError = ErrorText(step, m_strTarget, error);
    Discard();
    return false;
}

namespace {

constexpr size_t kReadChunk = 16384;

// Reads to the end of the file; `data` already holds room for the size the file reported, and
// a file that grows (or reports no size, as /proc files do) continues in small steps.
int ReadToEnd(IFileSystem& fs, int file, std::string& data, size_t maxBytes) {
    size_t used = 0;
    char chunk[kReadChunk];
    for (;;) {
        const bool intoData = used < data.size();
        char* dest = intoData ? data.data() + used : chunk;
        const size_t room = intoData ? data.size() - used : sizeof(chunk);
        size_t got = 0;
        if (const int err = fs.Read(file, used, dest, room, got)) {
            return err;
        }
        if (got == 0) {
            data.resize(used);
            return 0;
        }
        if (used + got > maxBytes) {
            return EFBIG;
        }
        if (!intoData) {
            data.append(chunk, got);
        }
        used += got;
    }
}

std::optional<std::string> Failed(CFileError* error, const char* step, const std::string& path,
                                  int err) {
    if (error) {
        *error = {err, ErrorText(step, path, err)};
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ReadWholeFile(IFileSystem& fs, const std::string& path,
                                         CFileError* error, size_t maxBytes) {
    int file = -1;
    if (const int err = fs.OpenRead(path, file)) {
        return Failed(error, "cannot open", path, err);
    }
    CFileInfo info;
    std::string data;
    int err = fs.StatOpen(file, info);
    if (err == 0 && info.m_size > maxBytes) {
        err = EFBIG;
    }
    if (err == 0) {
        data.resize(static_cast<size_t>(info.m_size));
        err = ReadToEnd(fs, file, data, maxBytes);
    }
    fs.Close(file);
    if (err) {
        return Failed(error, "cannot read", path, err);
    }
    return data;
}

CFileLock::CFileLock(IFileSystem& fs, const std::string& lockPath) : m_fs(fs) {
    if (const int err = m_fs.Lock(lockPath, m_file)) {
        m_file = -1;
        m_strError = ErrorText("cannot lock", lockPath, err);
    }
}

CFileLock::~CFileLock() {
    if (m_file >= 0) {
        m_fs.Close(m_file);
    }
}

}  // namespace tv
