#include "platform/CaseFolding.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cstdint>

namespace tv {

namespace {

// Magic numbers of file systems that fold case for every folder. The ntfs drivers keep a
// POSIX namespace that can be case-sensitive, but Windows treats the volume as folding, and
// matching too loosely only leaves an extra file behind where matching too strictly can
// overwrite one.
constexpr uint64_t kNtfsMagic = 0x5346544e;
constexpr uint64_t kNtfs3Magic = 0x7366746e;
constexpr uint64_t kHfsPlusMagic = 0x482b;

bool IsFoldingType(uint64_t type) {
    switch (type) {
        case MSDOS_SUPER_MAGIC:
        case EXFAT_SUPER_MAGIC:
        case kNtfsMagic:
        case kNtfs3Magic:
        case kHfsPlusMagic:
        case SMB_SUPER_MAGIC:
        case CIFS_SUPER_MAGIC:
        case SMB2_SUPER_MAGIC:
            return true;
        default:
            return false;
    }
}

// ext4, f2fs and tmpfs fold case per folder, marked by an inode flag.
bool HasCasefoldFlag(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    const bool folded = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL);
    close(fd);
    return folded;
}

std::string ParentOf(const std::string& path) {
    const size_t end = path.find_last_not_of('/');
    if (end == std::string::npos) {
        return "/";
    }
    const size_t slash = path.find_last_of('/', end);
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool FoldsCase(const std::string& path) {
    std::string probe = path.empty() ? "." : path;
    struct statfs fs {};
    while (statfs(probe.c_str(), &fs) != 0) {
        const std::string parent = ParentOf(probe);
        if (parent == probe) {
            return false;
        }
        probe = parent;
    }
    const auto type = static_cast<uint64_t>(fs.f_type);
    return IsFoldingType(type) || HasCasefoldFlag(probe);
}

}  // namespace tv
