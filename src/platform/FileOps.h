#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "base/FileTime.h"

namespace tv {

// What the write side needs to know about a file. Times are exact (100 ns ticks), not cut to
// the second as the folder-tree records are.
struct CFileStat {
    bool m_bRegular = false;
    bool m_bFolder = false;
    bool m_bSymlink = false;  // only from a call that does not follow links
    uint64_t m_size = 0;
    FileTime m_lastWrite = 0;
    FileTime m_lastAccess = 0;
    uint32_t m_mode = 0;  // permission bits: mode & 07777
};

// SetTimes / SetOpenTimes: leave this time as it is.
inline constexpr FileTime kKeepTime = UINT64_MAX;

// Every change the engine makes to a local file system goes through this interface, so that
// tests can put a fault-injecting layer under the file operations. Open files are the
// platform's descriptors. All calls block on the calling thread and may be made from several
// threads at once. Results are 0 or an errno value.
class IFileOps {
  public:
    virtual ~IFileOps() = default;

    // Existing file only, for reading.
    virtual int OpenRead(const std::string& path, int& fd) = 0;
    // A new empty temporary file for `name` in `folder` (see platform/TempFile.h), created
    // exclusively with mode 0600, open for writing; `tempPath` receives its path. It stays locked
    // until it is renamed or unlinked through this interface, even when closed before.
    virtual int CreateTemp(const std::string& folder, const std::string& name,
                           std::string& tempPath, int& fd) = 0;
    virtual int StatOpen(int fd, CFileStat& st) = 0;
    // At most `size` bytes at `offset`; `got` 0 means the end of the file.
    virtual int Read(int fd, uint64_t offset, void* buffer, size_t size, size_t& got) = 0;
    virtual int Write(int fd, uint64_t offset, const void* buffer, size_t size,
                      size_t& written) = 0;
    // Copies inside the kernel (sharing blocks where the file system can) from `in` to `out`,
    // both at `offset`. ENOSYS, EXDEV, EOPNOTSUPP or EINVAL: not possible between these two.
    virtual int CopyRange(int in, int out, uint64_t offset, size_t size, size_t& copied) = 0;
    virtual int SetOpenTimes(int fd, FileTime lastAccess, FileTime lastWrite) = 0;
    virtual int SetOpenMode(int fd, uint32_t mode) = 0;
    virtual int Close(int fd) = 0;

    virtual int Stat(const std::string& path, CFileStat& st, bool followLinks) = 0;
    // The names in a folder, "." and ".." left out; a link to a folder is not entered.
    virtual int ListNames(const std::string& folder, std::vector<std::string>& names) = 0;
    // Replaces an existing file at `to`, whatever its permission bits.
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual int Unlink(const std::string& path) = 0;
    // Mode 0777 less the umask. EEXIST when anything is already there.
    virtual int MakeFolder(const std::string& path) = 0;
    virtual int RemoveFolder(const std::string& path) = 0;
    virtual int SetMode(const std::string& path, uint32_t mode) = 0;
    virtual int SetTimes(const std::string& path, FileTime lastAccess, FileTime lastWrite) = 0;
    // Bytes an unprivileged writer may still use on the file system that holds `path`.
    virtual int FreeSpace(const std::string& path, uint64_t& bytes) = 0;
    // The absolute path of `path` with every symbolic link, "." and ".." resolved.
    virtual int ResolvePath(const std::string& path, std::string& resolved) = 0;
};

// The real file system of this machine.
IFileOps& LocalFileOps();

timespec TimespecFromFileTime(FileTime ft);
FileTime FileTimeFromTimespec(const timespec& ts);

}  // namespace tv
