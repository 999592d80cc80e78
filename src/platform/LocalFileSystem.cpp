#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/FileSystem.h"
#include "platform/TempFile.h"

namespace tv {

namespace {

constexpr unsigned kStatxMask =
    STATX_TYPE | STATX_MODE | STATX_INO | STATX_SIZE | STATX_MTIME | STATX_CTIME | STATX_BTIME;
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
    info.m_size = sx.stx_size;
    info.m_lastWrite = FromTimestamp(sx.stx_mtime);
    info.m_creation = FromTimestamp((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime);
    info.m_attributes = AttributesFromMode(sx.stx_mode, name, symlink);
    info.m_device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    info.m_inode = sx.stx_ino;
}

int StatxAt(int dirFd, const char* name, int flags, struct statx& sx) {
    return statx(dirFd, name, flags | AT_STATX_SYNC_AS_STAT, kStatxMask, &sx) == 0 ? 0 : errno;
}

// The entry's own information, following it when it is a symbolic link. `baseName` decides
// the hidden bit.
int InfoAt(int dirFd, const char* name, const char* baseName, bool knownLink, CFileInfo& info,
           bool& symlink) {
    struct statx sx;
    symlink = knownLink;
    if (!knownLink) {
        if (const int err = StatxAt(dirFd, name, AT_SYMLINK_NOFOLLOW, sx)) {
            return err;
        }
        symlink = S_ISLNK(sx.stx_mode);
    }
    if (symlink) {
        if (const int err = StatxAt(dirFd, name, 0, sx)) {
            return err;
        }
    }
    FillInfo(sx, baseName, symlink, info);
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
    bool symlink = false;
    const int err = InfoAt(dirFd, name, name, dType == DT_LNK, info, symlink);
    if (err == ENOENT || (err && symlink && IsUnfollowableLink(err))) {
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
    item.m_bSymlink = symlink;
    return 0;
}

class CLocalReadFile : public IReadFile {
  public:
    explicit CLocalReadFile(int fd) : m_fd(fd) {}
    int64_t Read(void* buffer, size_t size) override {
        for (;;) {
            const ssize_t n = read(m_fd.Get(), buffer, size);
            if (n >= 0) {
                return n;
            }
            if (errno != EINTR) {
                return -errno;
            }
        }
    }

  private:
    CFd m_fd;
};

class CLocalFileSystem : public IFileSystem {
  public:
    int ListFolder(const std::string& path, std::vector<CDirEntry>& entries) override {
        entries.clear();
        const CFd fd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (fd.Get() < 0) {
            return errno;
        }
        const int err = ForEachEntry(fd.Get(), [&](const char* name, unsigned char dType) {
            CDirEntry entry;
            entry.m_name = name;
            CFileInfo info;
            if (!IsSpecialType(dType) &&
                InfoAt(fd.Get(), name, name, dType == DT_LNK, info, entry.m_bSymlink) == 0) {
                entry.m_type = info.m_type;
            }
            entries.push_back(std::move(entry));
            return 0;
        });
        if (err) {
            entries.clear();
        }
        return err;
    }

    int GetInfo(const std::string& path, CFileInfo& info) override {
        bool symlink = false;
        return InfoAt(AT_FDCWD, path.c_str(), BaseName(path), false, info, symlink);
    }

    int OpenRead(const std::string& path, std::unique_ptr<IReadFile>& file) override {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return errno;
        }
        file = std::make_unique<CLocalReadFile>(fd);
        return 0;
    }

    int ReadFolder(const std::string& path, CFileInfo& folder,
                   std::vector<CFolderItem>& items) override {
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
        }
        return err;
    }
};

}  // namespace

int IFileSystem::ReadFolder(const std::string& path, CFileInfo& folder,
                            std::vector<CFolderItem>& items) {
    items.clear();
    std::vector<CDirEntry> entries;
    int err = GetInfo(path, folder);
    if (err == 0) {
        err = ListFolder(path, entries);
    }
    for (size_t i = 0; i < entries.size() && err == 0; ++i) {
        CFolderItem item;
        item.m_name = std::move(entries[i].m_name);
        item.m_bSymlink = entries[i].m_bSymlink;
        err = entries[i].m_type == EntryType::Other || IsTempFileName(item.m_name)
                  ? 0
                  : GetInfo(path + "/" + item.m_name, item.m_info);
        if (err == ENOENT || (err && item.m_bSymlink && IsUnfollowableLink(err))) {
            err = 0;
        } else if (err == 0 && item.m_info.m_type != EntryType::Other) {
            items.push_back(std::move(item));
        }
    }
    if (err) {
        items.clear();
    }
    return err;
}

uint32_t AttributesFromMode(uint32_t mode, std::string_view name, bool symlink) {
    uint32_t attributes = (mode & 07777) << attr::kModeShift;
    if (S_ISDIR(mode)) {
        attributes |= attr::kDirectory;
    } else if (S_ISREG(mode)) {
        attributes |= attr::kArchive;
    }
    if ((mode & 0222) == 0) {
        attributes |= attr::kReadOnly;
    }
    if (!name.empty() && name[0] == '.') {
        attributes |= attr::kHidden;
    }
    if (symlink) {
        attributes |= attr::kReparsePoint;
    }
    return attributes;
}

bool IsNetworkError(int error) {
    switch (error) {
        case EIO:
        case ENOTCONN:
        case ESTALE:
        case EHOSTDOWN:
        case EHOSTUNREACH:
        case ETIMEDOUT:
        case ECONNRESET:
        case ECONNABORTED:
        case ENETDOWN:
        case ENETUNREACH:
        case ENETRESET:
        case ENOLINK:
        case ECOMM:
        case EREMOTEIO:
            return true;
        default:
            return false;
    }
}

std::string SystemErrorText(int error) {
    char buffer[256];
    return strerror_r(error, buffer, sizeof buffer);
}

IFileSystem& LocalFileSystem() {
    static CLocalFileSystem fileSystem;
    return fileSystem;
}

}  // namespace tv
