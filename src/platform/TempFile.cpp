#include "platform/TempFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

namespace tv {

namespace {

// Keeps a temporary name within the usual 255-byte limit of one name.
constexpr size_t kMaxTempStem = 200;
constexpr size_t kSuffixLength = 6;  // after the "-"
constexpr int kMostAttempts = 100;
constexpr std::string_view kSuffixChars =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string_view Stem(std::string_view name) {
    return name.substr(0, kMaxTempStem);
}

std::string RandomSuffix() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, kSuffixChars.size() - 1);
    std::string suffix(kSuffixLength, ' ');
    for (char& c : suffix) {
        c = kSuffixChars[pick(generator)];
    }
    return suffix;
}

// A file system without locks (some network and FUSE ones) refuses them to cleaners as well, so
// a file there is never taken for a stale one and the copy goes on unlocked.
void Lock(int fd) {
    while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

// A cleaner may have taken the file for a stale one between its creation and the lock; then
// the name is gone and the file is of no use.
bool LockIfStillNamed(int fd) {
    Lock(fd);
    struct stat st {};
    return fstat(fd, &st) == 0 && st.st_nlink > 0;
}

// Read access is all a lock needs, but a copy that was killed after it had given the file the
// source's permissions may have left it write-only.
int OpenToLock(int folderFd, const char* name) {
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    const int fd = openat(folderFd, name, O_RDONLY | kFlags);
    return fd >= 0 || errno != EACCES ? fd : openat(folderFd, name, O_WRONLY | kFlags);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

bool IsTempFileName(std::string_view name) {
    if (!name.starts_with(kTempFilePrefix) ||
        name.size() < kTempFilePrefix.size() + kSuffixLength + 1) {
        return false;
    }
    const std::string_view suffix = name.substr(name.size() - kSuffixLength);
    return name[name.size() - kSuffixLength - 1] == '-' &&
           suffix.find_first_not_of(kSuffixChars) == std::string_view::npos;
}

int CreateLockedTempFile(const std::string& folder, std::string_view name, uint32_t mode,
                         std::string& tempPath, int& fd) {
    const std::string base = (folder.empty() ? std::string(".") : folder) + "/" +
                             std::string(kTempFilePrefix) + std::string(Stem(name)) + "-";
    for (int attempt = 0; attempt < kMostAttempts; ++attempt) {
        std::string path = base + RandomSuffix();
        fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 07777);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return errno;
        }
        if (!LockIfStillNamed(fd)) {
            close(fd);
            continue;
        }
        tempPath = std::move(path);
        return 0;
    }
    fd = -1;
    return EEXIST;
}

bool RemoveStaleTempFile(int folderFd, const char* name) {
    struct stat named {};
    if (fstatat(folderFd, name, &named, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(named.st_mode)) {
        return false;
    }
    const int fd = OpenToLock(folderFd, name);
    if (fd < 0) {
        return false;
    }
    struct stat opened {};
    // Still the file that was looked at, and still under its name: the unlink takes nothing
    // that someone made since.
    const bool removed = flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &opened) == 0 &&
                         SameFile(opened, named) &&
                         fstatat(folderFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                         SameFile(opened, named) && unlinkat(folderFd, name, 0) == 0;
    close(fd);
    return removed;
}

void RemoveStaleTempFilesOf(const std::string& folder, std::string_view name) {
    const std::string prefix = std::string(kTempFilePrefix) + std::string(Stem(name)) + "-";
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) {
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string_view entryName = entry->d_name;
        if (entryName.size() == prefix.size() + kSuffixLength && entryName.starts_with(prefix) &&
            IsTempFileName(entryName)) {
            RemoveStaleTempFile(dirfd(dir), entry->d_name);
        }
    }
    closedir(dir);
}

}  // namespace tv
