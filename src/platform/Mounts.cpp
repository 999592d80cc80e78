#include "platform/Mounts.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace tv {

namespace {

bool StatX(const std::string& path, struct statx& sx) {
    return statx(AT_FDCWD, path.c_str(), AT_NO_AUTOMOUNT, STATX_INO, &sx) == 0;
}

bool SameDevice(const struct statx& a, const struct statx& b) {
    return a.stx_dev_major == b.stx_dev_major && a.stx_dev_minor == b.stx_dev_minor;
}

}  // namespace

bool IsMountPoint(const std::string& path) {
    struct statx self {};
    struct statx parent {};
    if (!StatX(path, self) || !StatX(path + "/..", parent)) {
        return false;
    }
    // The root folder is its own parent; inside a chroot the kernel may not call it a mount.
    if (SameDevice(self, parent) && self.stx_ino == parent.stx_ino) {
        return true;
    }
    // The kernel knows bind mounts too, which the device comparison cannot see.
    if (self.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) {
        return self.stx_attributes & STATX_ATTR_MOUNT_ROOT;
    }
    return !SameDevice(self, parent);
}

}  // namespace tv
