#include "platform/ScratchFile.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include "platform/Folders.h"
#include "platform/TempFile.h"

namespace tv {

namespace {

// File systems without nameless files say so in one of these ways.
bool CannotMakeNameless(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOENT;
}

// A temporary file's name is one that a scan passes over and cleans up, should the process
// die in the moment between making and unlinking it.
int OpenNamedThenUnlink(const std::string& folder) {
    std::string path;
    int fd = -1;
    if (const int err = CreateLockedTempFile(folder, "scratch", 0600, path, fd)) {
        errno = err;
        return -1;
    }
    unlink(path.c_str());
    return fd;
}

}  // namespace

CScratchFile::~CScratchFile() {
    if (m_fd >= 0) {
        close(m_fd);
    }
}

int CScratchFile::Open(const std::string& folder) {
    if (m_fd >= 0) {
        return 0;
    }
    errno = 0;
    if (!EnsureFolder(folder)) {
        return errno != 0 ? errno : ENOTDIR;
    }
    m_fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (m_fd < 0 && CannotMakeNameless(errno)) {
        m_fd = OpenNamedThenUnlink(folder);
    }
    return m_fd >= 0 ? 0 : errno;
}

int CScratchFile::Write(uint64_t offset, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = pwrite(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0 ? EIO : errno;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
        offset += static_cast<uint64_t>(n);
    }
    return 0;
}

int CScratchFile::Read(uint64_t offset, void* buffer, size_t size, size_t& got) const {
    got = 0;
    ssize_t n;
    do {
        n = pread(m_fd, buffer, size, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return errno;
    }
    got = static_cast<size_t>(n);
    return 0;
}

}  // namespace tv
