#include "platform/DiscRecorder.h"

#include <cctype>

namespace tv {

namespace {

constexpr char kStdio[] = "stdio:";
constexpr char kSr[] = "/dev/sr";

bool EndsWithIso(const std::string& text, size_t end) {
    if (end < 4) {
        return false;
    }
    std::string tail = text.substr(end - 4, 4);
    for (char& c : tail) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return tail == ".iso";
}

// The folder chain after the drive, without empty or "." components; false when a ".." would
// climb out of the image.
bool FolderAfter(const std::string& path, size_t driveEnd, std::string& folder) {
    folder.clear();
    size_t start = driveEnd;
    while (start < path.size()) {
        const size_t slash = path.find('/', start);
        const size_t end = slash == std::string::npos ? path.size() : slash;
        const std::string name = path.substr(start, end - start);
        if (name == "..") {
            return false;
        }
        if (!name.empty() && name != ".") {
            folder += (folder.empty() ? "" : "/") + name;
        }
        start = end + 1;
    }
    return true;
}

// Only an absolute image path: the working folder of a scheduled run is nobody's choice.
size_t StdioDriveEnd(const std::string& path) {
    if (path.size() <= sizeof kStdio - 1 || path[sizeof kStdio - 1] != '/') {
        return std::string::npos;
    }
    for (size_t start = sizeof kStdio - 1; start < path.size();) {
        const size_t slash = path.find('/', start);
        const size_t end = slash == std::string::npos ? path.size() : slash;
        if (end > start && EndsWithIso(path, end)) {
            return end;
        }
        start = end + 1;
    }
    return std::string::npos;
}

size_t SrDriveEnd(const std::string& path) {
    size_t end = sizeof kSr - 1;
    while (end < path.size() && std::isdigit(static_cast<unsigned char>(path[end]))) {
        ++end;
    }
    const bool numbered = end > sizeof kSr - 1;
    return numbered && (end == path.size() || path[end] == '/') ? end : std::string::npos;
}

}  // namespace

bool SplitDiscPath(const std::string& path, std::string& drive, std::string& folder) {
    size_t end = std::string::npos;
    if (path.rfind(kStdio, 0) == 0) {
        end = StdioDriveEnd(path);
    } else if (path.rfind(kSr, 0) == 0) {
        end = SrDriveEnd(path);
    }
    if (end == std::string::npos) {
        return false;
    }
    drive = path.substr(0, end);
    return FolderAfter(path, end, folder);
}

}  // namespace tv
