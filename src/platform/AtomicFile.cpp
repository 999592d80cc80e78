#include "platform/AtomicFile.h"
#include "base/PathText.h"
#include "platform/TempFile.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tv {

namespace {

std::string ErrnoText(const std::string& what, const std::string& path, int err) {
    return what + " '" + path + "': " + std::strerror(err);
}

bool Fail(std::string* error, std::string text) {
    if (error) {
        *error = std::move(text);
    }
    return false;
}

// Writing through a link must replace what it points at, not the link itself.
std::string ResolveLink(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Makes the rename itself durable. File systems that cannot sync a folder say EINVAL; the
// rename has happened then, and there is nothing more to do.
bool SyncFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = fsync(fd) == 0 || errno == EINVAL;
    int err = errno;
    close(fd);
    errno = err;
    return ok;
}

// A replaced file keeps its permission bits; a new one gets the creation mode.
bool TakeMode(int fd, const std::string& target) {
    struct stat st {};
    return stat(target.c_str(), &st) != 0 || fchmod(fd, st.st_mode & 07777) == 0;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
    CAtomicFileWriter writer(path);
    if (writer.Write(bytes) && writer.Commit()) {
        return true;
    }
    return Fail(error, writer.Error());
}

// The temporary file stays open, and so locked, until it has its final name.
CAtomicFileWriter::CAtomicFileWriter(const std::string& path) : m_strTarget(ResolveLink(path)) {
    const std::string folder = FolderOf(m_strTarget);
    RemoveStaleTempFilesOf(folder, NameOf(m_strTarget));
    if (const int err =
            CreateLockedTempFile(folder, NameOf(m_strTarget), 0644, m_strTempPath, m_fd)) {
        m_fd = -1;
        m_strError = ErrnoText("cannot create a temporary file beside", m_strTarget, err);
    } else if (!TakeMode(m_fd, m_strTarget)) {
        Fail("cannot set the mode of", errno);
    }
}

CAtomicFileWriter::~CAtomicFileWriter() {
    if (m_fd >= 0) {
        unlink(m_strTempPath.c_str());
        close(m_fd);
    }
}

bool CAtomicFileWriter::Write(std::string_view bytes) {
    return Ok() && (WriteAll(m_fd, bytes) || Fail("cannot write", errno));
}

bool CAtomicFileWriter::Commit() {
    if (!Ok()) {
        return false;
    }
    if (fsync(m_fd) != 0) {
        return Fail("cannot flush", errno);
    }
    if (rename(m_strTempPath.c_str(), m_strTarget.c_str()) != 0) {
        return Fail("cannot replace", errno);
    }
    // The data went to disk with the flush; what close would report on NFS came with it.
    close(m_fd);
    m_fd = -1;
    if (!SyncFolder(FolderOf(m_strTarget))) {
        return Fail("replaced, but cannot flush the folder of", errno);
    }
    return true;
}

bool CAtomicFileWriter::Fail(const char* step, int error) {
    m_strError = ErrnoText(step, m_strTarget, error);
    return false;
}

namespace {

// Reads to the end of the file; `data` already holds room for the size fstat reported, and a
// file that grows (or reports no size, as /proc files do) continues in small steps.
bool ReadToEnd(int fd, std::string& data, size_t maxBytes) {
    size_t used = 0;
    char chunk[16384];
    for (;;) {
        bool intoData = used < data.size();
        char* dest = intoData ? data.data() + used : chunk;
        size_t room = intoData ? data.size() - used : sizeof(chunk);
        ssize_t n = read(fd, dest, room);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            data.resize(used);
            return true;
        }
        if (used + static_cast<size_t>(n) > maxBytes) {
            errno = EFBIG;
            return false;
        }
        if (!intoData) {
            data.append(chunk, static_cast<size_t>(n));
        }
        used += static_cast<size_t>(n);
    }
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error,
                                         size_t maxBytes) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        Fail(error, ErrnoText("cannot open", path, err));
        errno = err;
        return std::nullopt;
    }
    struct stat st {};
    std::string data;
    bool ok = fstat(fd, &st) == 0;
    if (ok && static_cast<uint64_t>(st.st_size) > maxBytes) {
        errno = EFBIG;
        ok = false;
    }
    if (ok) {
        data.resize(static_cast<size_t>(st.st_size));
        ok = ReadToEnd(fd, data, maxBytes);
    }
    int err = errno;
    close(fd);
    if (!ok) {
        Fail(error, ErrnoText("cannot read", path, err));
        errno = err;
        return std::nullopt;
    }
    return data;
}

CFileLock::CFileLock(const std::string& lockPath) {
    m_fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        m_strError = ErrnoText("cannot open the lock file", lockPath, errno);
        return;
    }
    int rc;
    do {
        rc = flock(m_fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        m_strError = ErrnoText("cannot lock", lockPath, errno);
        close(m_fd);
        m_fd = -1;
    }
}

CFileLock::~CFileLock() {
    if (m_fd >= 0) {
        close(m_fd);
    }
}

}  // namespace tv
