#include <cerrno>
#include <map>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/CaseFolding.h"
#include "platform/FileSystem.h"
#include "platform/LocalFolders.h"
#include "platform/TempFile.h"

namespace tv {

namespace {

int Result(int rc) {
    return rc == 0 ? 0 : errno;
}

timespec TimespecFromFileTime(FileTime ft) {
    constexpr int64_t kTicks = static_cast<int64_t>(kTicksPerSecond);
    const int64_t ticks = static_cast<int64_t>(ft - kUnixEpochTicks);
    int64_t seconds = ticks / kTicks;
    int64_t rest = ticks % kTicks;
    if (rest < 0) {
        rest += kTicks;
        --seconds;
    }
    return timespec{static_cast<time_t>(seconds), static_cast<long>(rest * 100)};
}

timespec TimeOrOmit(FileTime ft) {
    if (ft == kKeepTime) {
        return timespec{0, UTIME_OMIT};
    }
    return TimespecFromFileTime(ft);
}

// Nameless files are not made everywhere; these are the ways a file system says so.
bool CannotMakeNameless(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOENT;
}

// A temporary file's name is one that a scan passes over and cleans up, should the process
// die in the moment between making and unlinking it.
int OpenNamedThenUnlink(const std::string& folder, int& fd) {
    std::string path;
    if (const int err = CreateLockedTempFile(folder, "scratch", 0600, path, fd)) {
        return err;
    }
    unlink(path.c_str());
    return 0;
}

// Callers close a temporary file before they rename it (a failed close can report a lost
// write), yet its lock must last until the rename. A duplicate of the descriptor keeps the lock
// until the file is renamed or removed.
class CTempHolders {
  public:
    void Keep(const std::string& path, int fd) {
        const int holder = fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (holder >= 0) {
            std::lock_guard lock(m_mutex);
            m_holders[path] = holder;
        }
    }
    void Release(const std::string& path) {
        int holder = -1;
        {
            std::lock_guard lock(m_mutex);
            const auto it = m_holders.find(path);
            if (it == m_holders.end()) {
                return;
            }
            holder = it->second;
            m_holders.erase(it);
        }
        close(holder);
    }

  private:
    std::mutex m_mutex;
    std::map<std::string, int> m_holders;
};

class CLocalFileSystem final : public IFileSystem {
  public:
    uint32_t Capabilities(const std::string& path) override {
        constexpr uint32_t kAlways =
            fscap::kCanRename | fscap::kExactTimes | fscap::kHasLinks | fscap::kHasModes;
        return FoldsCase(path) ? kAlways | fscap::kFoldsCase : kAlways;
    }

    int ReadFolder(const std::string& path, CFileInfo& folder, std::vector<CFolderItem>& items,
                   const FolderPieceFn& onPiece) override {
        return LocalReadFolder(path, folder, items, onPiece);
    }

    int ListNames(const std::string& folder, std::vector<std::string>& names) override {
        return LocalListNames(folder, names);
    }

    int Stat(const std::string& path, CFileInfo& info, LinkMode links) override {
        return LocalStat(path, info, links);
    }

    int OpenRead(const std::string& path, int& fd) override {
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        return fd >= 0 ? 0 : errno;
    }

    int CreateTemp(const std::string& folder, const std::string& name, uint32_t mode,
                   std::string& tempPath, int& fd) override {
        const int err = CreateLockedTempFile(folder, name, mode, tempPath, fd);
        if (err == 0) {
            m_temps.Keep(tempPath, fd);
        }
        return err;
    }

    int CreateScratch(const std::string& folder, int& fd) override {
        fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0) {
            return 0;
        }
        return CannotMakeNameless(errno) ? OpenNamedThenUnlink(folder, fd) : errno;
    }

    int Lock(const std::string& path, int& fd) override {
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            return errno;
        }
        int rc;
        do {
            rc = flock(fd, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            const int err = errno;
            close(fd);
            fd = -1;
            return err;
        }
        return 0;
    }

    int StatOpen(int fd, CFileInfo& info) override { return LocalStatOpen(fd, info); }

    int Read(int fd, uint64_t offset, void* buffer, size_t size, size_t& got) override {
        got = 0;
        ssize_t n;
        do {
            n = pread(fd, buffer, size, static_cast<off_t>(offset));
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            return errno;
        }
        got = static_cast<size_t>(n);
        return 0;
    }

    int Write(int fd, uint64_t offset, const void* buffer, size_t size, size_t& written) override {
        written = 0;
        const char* bytes = static_cast<const char*>(buffer);
        while (written < size) {
            ssize_t n =
                pwrite(fd, bytes + written, size - written, static_cast<off_t>(offset + written));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return n == 0 ? EIO : errno;
            }
            written += static_cast<size_t>(n);
        }
        return 0;
    }

    int CopyRange(int in, int out, uint64_t offset, size_t size, size_t& copied) override {
        copied = 0;
        loff_t inOffset = static_cast<loff_t>(offset);
        loff_t outOffset = static_cast<loff_t>(offset);
        ssize_t n;
        do {
            n = copy_file_range(in, &inOffset, out, &outOffset, size, 0);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            return errno;
        }
        copied = static_cast<size_t>(n);
        return 0;
    }

    int SetOpenTimes(int fd, FileTime lastAccess, FileTime lastWrite) override {
        const timespec times[2] = {TimeOrOmit(lastAccess), TimeOrOmit(lastWrite)};
        return Result(futimens(fd, times));
    }

    int SetOpenMode(int fd, uint32_t mode) override { return Result(fchmod(fd, mode & 07777)); }

    int Flush(int fd) override { return Result(fsync(fd)); }

    // A failed close after the data went out still counts: with NFS it reports a lost write.
    int Close(int fd) override { return Result(close(fd)); }

    int Rename(const std::string& from, const std::string& to) override {
        const int err = Result(rename(from.c_str(), to.c_str()));
        if (err == 0) {
            m_temps.Release(from);
        }
        return err;
    }

    // A temporary file that could not be removed is let go all the same: a later scan takes
    // it for what it is, a leftover.
    int Unlink(const std::string& path) override {
        const int err = Result(unlink(path.c_str()));
        m_temps.Release(path);
        return err;
    }

    int MakeFolder(const std::string& path) override { return Result(mkdir(path.c_str(), 0777)); }

    int RemoveFolder(const std::string& path) override { return Result(rmdir(path.c_str())); }

    int SetMode(const std::string& path, uint32_t mode) override {
        return Result(chmod(path.c_str(), mode & 07777));
    }

    int SetTimes(const std::string& path, FileTime lastAccess, FileTime lastWrite) override {
        const timespec times[2] = {TimeOrOmit(lastAccess), TimeOrOmit(lastWrite)};
        return Result(utimensat(AT_FDCWD, path.c_str(), times, 0));
    }

    // File systems that cannot flush a folder say EINVAL; the renames there have happened.
    int FlushFolder(const std::string& folder) override {
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return errno;
        }
        const int err = fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
        close(fd);
        return err;
    }

    void RemoveStaleTemps(const std::string& folder, const std::string& name) override {
        RemoveStaleTempFilesOf(folder, name);
    }

    int FreeSpace(const std::string& path, uint64_t& bytes) override {
        struct statvfs vfs {};
        if (statvfs(path.c_str(), &vfs) != 0) {
            return errno;
        }
        bytes = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
        return 0;
    }

    int ResolvePath(const std::string& path, std::string& resolved) override {
        char* full = realpath(path.c_str(), nullptr);
        if (!full) {
            return errno;
        }
        resolved = full;
        free(full);
        return 0;
    }

  private:
    CTempHolders m_temps;
};

}  // namespace

IFileSystem& LocalFileSystem() {
    static CLocalFileSystem fileSystem;
    return fileSystem;
}

}  // namespace tv
