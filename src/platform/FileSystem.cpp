#include "platform/FileSystem.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace tv {

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
        case ECONNREFUSED:  // a server on its way back up
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

int ListFolder(IFileSystem& fs, const std::string& path, CFileInfo& folder,
               std::vector<CFolderItem>& items) {
    items.clear();
    std::vector<CFolderItem> piece;
    const int err = fs.ReadFolder(path, folder, piece, [&](std::vector<CFolderItem>& got) {
        items.insert(items.end(), std::make_move_iterator(got.begin()),
                     std::make_move_iterator(got.end()));
        return 0;
    });
    if (err) {
        items.clear();
    }
    return err;
}

}  // namespace tv
