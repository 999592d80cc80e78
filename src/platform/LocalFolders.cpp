#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/LocalFolders.h"
#include "platform/TempFile.h"

namespace tv {

namespace {

constexpr unsigned kStatxMask = STATX_TYPE | STATX_MODE | STATX_INO | STATX_SIZE | STATX_MTIME |
                                STATX_ATIME | STATX_CTIME | STATX_BTIME;
// FILETIME spans 1601 to the year 30828; times outside are pinned to its ends.
constexpr int64_t kMinUnix = -static_cast<int64_t>(kUnixEpochTicks / kTicksPerSecond);
constexpr int64_t kMaxUnix =
    (INT64_MAX - static_cast<int64_t>(kUnixEpochTicks)) / static_cast<int64_t>(kTicksPerSecond);
constexpr size_t kDirBufferSize = 32 * 1024;

class CFd {
  public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }

  private:
    int m_fd;
};

FileTime FromTimestamp(const struct statx_timestamp& t) {
    if (t.tv_sec < kMinUnix) {
        return 0;
    }
    if (t.tv_sec >= kMaxUnix) {
        return FileTimeFromUnix(kMaxUnix);
    }
    return FileTimeFromUnix(t.tv_sec, t.tv_nsec);
}

EntryType TypeOfMode(uint32_t mode) {
    if (S_ISREG(mode)) {
        return EntryType::File;
    }
    return S_ISDIR(mode) ? EntryType::Folder : EntryType::Other;
}

void FillInfo(const struct statx& sx, std::string_view name, bool symlink, CFileInfo& info) {
    info.m_type = TypeOfMode(sx.stx_mode);
    info.m_bSymlink = symlink;
    info.m_size = sx.stx_size;
    info.m_lastWrite = FromTimestamp(sx.stx_mtime);
    info.m_lastAccess = FromTimestamp(sx.stx_atime);
    info.m_creation = FromTimestamp((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime);
    info.m_attributes = AttributesFromMode(sx.stx_mode, name, symlink);
    info.m_device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    info.m_inode = sx.stx_ino;
}

int StatxAt(int dirFd, const char* name, int flags, struct statx& sx) {
    return statx(dirFd, name, flags | AT_STATX_SYNC_AS_STAT, kStatxMask, &sx) == 0 ? 0 : errno;
}

// The entry's own information, following it when it is a symbolic link. `baseName` decides
// the hidden bit. A link that cannot be followed still leaves m_bSymlink set.
int InfoAt(int dirFd, const char* name, const char* baseName, bool knownLink, CFileInfo& info) {
    struct statx sx;
    info.m_bSymlink = knownLink;
    if (!knownLink) {
        if (const int err = StatxAt(dirFd, name, AT_SYMLINK_NOFOLLOW, sx)) {
            return err;
        }
        info.m_bSymlink = S_ISLNK(sx.stx_mode);
    }
    if (info.m_bSymlink) {
        if (const int err = StatxAt(dirFd, name, 0, sx)) {
            return err;
        }
    }
    FillInfo(sx, baseName, info.m_bSymlink, info);
    return 0;
}

const char* BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path.c_str() : path.c_str() + slash + 1;
}

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Calls `onEntry(name, d_type)` for every entry but "." and ".."; a nonzero result of the
// callback ends the listing with that result.
template <typename OnEntry>
int ForEachEntry(int dirFd, OnEntry&& onEntry) {
    alignas(struct dirent64) char buffer[kDirBufferSize];
    for (;;) {
        const ssize_t n = getdents64(dirFd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            return 0;
        }
        for (ssize_t offset = 0; offset < n;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + offset);
            offset += entry->d_reclen;
            if (IsDotOrDotDot(entry->d_name)) {
                continue;
            }
            if (const int err = onEntry(entry->d_name, entry->d_type)) {
                return err;
            }
        }
    }
}

// A guess from the folder's size that is rather too big than too small: growing the list of a
// folder of a hundred thousand entries would copy it again and again, while room reserved and
// never used costs no memory that is touched. No file system stores an entry in less than
// 16 bytes (tmpfs counts 20, ext4 about 40 with the name).
size_t ExpectedEntries(uint64_t folderSize) {
    constexpr uint64_t kMinEntryBytes = 16;
    constexpr uint64_t kMostReserved = 1u << 20;
    return static_cast<size_t>(std::min(folderSize / kMinEntryBytes, kMostReserved));
}

bool IsSpecialType(unsigned char dType) {
    return dType == DT_FIFO || dType == DT_SOCK || dType == DT_CHR || dType == DT_BLK;
}

// A link that cannot be followed has nothing to list behind it, unless the way to its
// target is only interrupted for the moment.
bool IsUnfollowableLink(int err) {
    return !IsNetworkError(err);
}

// Temporary files are never user data; the ones a killed run left are cleared on the way.
int AddFolderItem(int dirFd, const char* name, unsigned char dType,
                  std::vector<CFolderItem>& items) {
    if (IsTempFileName(name)) {
        RemoveStaleTempFile(dirFd, name);
        return 0;
    }
    if (IsSpecialType(dType)) {
        return 0;
    }
    CFileInfo info;
    const int err = InfoAt(dirFd, name, name, dType == DT_LNK, info);
    if (err == ENOENT || (err && info.m_bSymlink && IsUnfollowableLink(err))) {
        return 0;
    }
    if (err) {
        return err;
    }
    if (info.m_type == EntryType::Other) {
        return 0;
    }
    CFolderItem& item = items.emplace_back();
    item.m_name.assign(name);
    item.m_info = info;
    return 0;
}

}  // namespace

int LocalStat(const std::string& path, CFileInfo& info, LinkMode links) {
    if (links == LinkMode::Follow) {
        return InfoAt(AT_FDCWD, path.c_str(), BaseName(path), false, info);
    }
    struct statx sx;
    if (const int err = StatxAt(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, sx)) {
        return err;
    }
    FillInfo(sx, BaseName(path), S_ISLNK(sx.stx_mode), info);
    return 0;
}

int LocalStatOpen(int fd, CFileInfo& info) {
    struct statx sx;
    if (const int err = StatxAt(fd, "", AT_EMPTY_PATH, sx)) {
        return err;
    }
    FillInfo(sx, {}, false, info);
    return 0;
}

int LocalReadFolder(const std::string& path, CFileInfo& folder, std::vector<CFolderItem>& items,
                    const FolderPieceFn& onPiece) {
    items.clear();
    const CFd fd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() < 0) {
        return errno;
    }
    struct statx sx;
    if (const int err = StatxAt(fd.Get(), "", AT_EMPTY_PATH, sx)) {
        return err;
    }
    FillInfo(sx, BaseName(path), false, folder);
    items.reserve(ExpectedEntries(sx.stx_size));
    const int err = ForEachEntry(fd.Get(), [&](const char* name, unsigned char dType) {
        return AddFolderItem(fd.Get(), name, dType, items);
    });
    if (err) {
        items.clear();
        return err;
    }
    return onPiece(items);
}

int LocalListNames(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    const CFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.Get() < 0) {
        return errno;
    }
    const int err = ForEachEntry(fd.Get(), [&](const char* name, unsigned char) {
        names.emplace_back(name);
        return 0;
    });
    if (err) {
        names.clear();
    }
    return err;
}

}  // namespace tv
