#include "platform/Trash.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/PathText.h"
#include "platform/Folders.h"
#include "platform/Mounts.h"

namespace tv {

namespace {

// The trash keeps other users out: its folders are the owner's alone.
constexpr mode_t kTrashFolderMode = 0700;

// A name that is taken in the trash gets a number; past this many the trash is not usable.
constexpr int kMaxNameTries = 1000;

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

// The device of `path`, or of its nearest existing parent: the home trash need not exist yet.
int DeviceOf(std::string path, dev_t& device) {
    struct stat st {};
    while (lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT || path == "/" || path == ".") {
            return errno;
        }
        path = FolderOf(path);
    }
    device = st.st_dev;
    return 0;
}

// A trash folder must be ours: a folder, not a link someone put there to steer our files.
bool IsOwnFolder(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid();
}

int MakeOwnFolder(const std::string& path) {
    if (mkdir(path.c_str(), kTrashFolderMode) != 0 && errno != EEXIST) {
        return errno;
    }
    return IsOwnFolder(path) ? 0 : EACCES;
}

// Every level from the first missing one down, for the home trash whose parents may be missing.
int MakeFolders(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        return IsOwnFolder(path) ? 0 : EACCES;
    }
    if (const std::string parent = FolderOf(path); parent != path && parent != "/") {
        struct stat up {};
        if (stat(parent.c_str(), &up) != 0) {
            if (const int err = MakeFolders(parent)) {
                return err;
            }
        }
    }
    return MakeOwnFolder(path);
}

std::string TopDirOf(std::string folder) {
    while (folder != "/" && !IsMountPoint(folder)) {
        folder = FolderOf(folder);
    }
    return folder;
}

// The trash of a mount other than the home trash's, and the path the ".trashinfo" names,
// relative to the mount's top folder so that the trash stays right wherever the mount goes.
int MountTrash(const std::string& realPath, std::string& trash, std::string& infoPath) {
    const std::string topDir = TopDirOf(FolderOf(realPath));
    const std::string uid = std::to_string(getuid());
    const std::string base = topDir == "/" ? std::string() : topDir;
    infoPath = realPath.substr(base.size() + 1);
    struct stat admin {};
    const std::string shared = base + "/.Trash";
    if (lstat(shared.c_str(), &admin) == 0 && S_ISDIR(admin.st_mode) &&
        (admin.st_mode & S_ISVTX) != 0) {
        trash = shared + "/" + uid;
        if (MakeOwnFolder(trash) == 0) {
            return 0;
        }
    }
    trash = base + "/.Trash-" + uid;
    return MakeOwnFolder(trash);
}

std::string LocalDeletionDate() {
    const time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

int WriteAll(int fd, const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0 ? EIO : errno;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

// Claims a free name in the trash by making its ".trashinfo" exclusively: two programs that
// trash files of one name at once never take the same one.
int ClaimInfo(const std::string& trash, const std::string& name, const std::string& info,
              std::string& claimed) {
    for (int n = 1; n <= kMaxNameTries; ++n) {
        claimed = n == 1 ? name : name + "." + std::to_string(n);
        const std::string infoFile = trash + "/info/" + claimed + ".trashinfo";
        const int fd = open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) {
            continue;
        }
        if (fd < 0) {
            return errno;
        }
        struct stat st {};
        const bool nameFree = lstat((trash + "/files/" + claimed).c_str(), &st) != 0;
        int err = nameFree ? WriteAll(fd, info) : 0;
        err = close(fd) != 0 && err == 0 ? errno : err;
        if (nameFree && err == 0) {
            return 0;
        }
        unlink(infoFile.c_str());
        if (err != 0) {
            return err;
        }
    }
    return EEXIST;
}

}  // namespace

std::string EncodeTrashPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsUnreserved(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

int MoveToTrash(const std::string& path, std::string& trashFolder) {
    struct stat file {};
    if (lstat(path.c_str(), &file) != 0) {
        return errno;
    }
    char* parent = realpath(FolderOf(path).c_str(), nullptr);
    if (!parent) {
        return errno;
    }
    const std::string realParent = parent;
    free(parent);
    const std::string name = NameOf(path);
    const std::string realPath = (realParent == "/" ? "" : realParent) + "/" + name;

    const std::string home = XdgDataHome() + "/Trash";
    dev_t homeDevice = 0;
    std::string infoPath = realPath;
    int err = DeviceOf(home, homeDevice);
    if (err == 0 && homeDevice == file.st_dev) {
        trashFolder = home;
        err = MakeFolders(home);
    } else {
        err = MountTrash(realPath, trashFolder, infoPath);
    }
    for (const char* sub : {"/files", "/info"}) {
        err = err != 0 ? err : MakeOwnFolder(trashFolder + sub);
    }
    if (err != 0) {
        return err;
    }
    const std::string info = "[Trash Info]\nPath=" + EncodeTrashPath(infoPath) +
                             "\nDeletionDate=" + LocalDeletionDate() + "\n";
    std::string claimed;
    if (err = ClaimInfo(trashFolder, name, info, claimed); err != 0) {
        return err;
    }
    if (rename(path.c_str(), (trashFolder + "/files/" + claimed).c_str()) != 0) {
        err = errno;
        unlink((trashFolder + "/info/" + claimed + ".trashinfo").c_str());
        return err;
    }
    return 0;
}

}  // namespace tv
