#include "base/PathText.h"

namespace tv {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

std::string CleanFolderPath(const std::string& path) {
    std::string clean;
    clean.reserve(path.size());
    for (const char c : path) {
        if (c != '/' || clean.empty() || clean.back() != '/') {
            clean += c;
        }
    }
    if (clean.size() > 1 && clean.back() == '/') {
        clean.pop_back();
    }
    return clean;
}

size_t RemoteRootLength(const std::string& path) {
    const size_t scheme = path.find("://");
    if (scheme == std::string::npos || scheme == 0 || path.find('/') < scheme) {
        return 0;
    }
    const size_t slash = path.find('/', scheme + 3);
    return slash == std::string::npos ? path.size() : slash;
}

}  // namespace tv
