#include "platform/RemoteDriver.h"

#include <cerrno>

#include "platform/CurlFtpDriver.h"
#include "platform/CurlSftpDriver.h"
#include "platform/TempFile.h"

namespace tv {

std::unique_ptr<IRemoteDriver> MakeRemoteDriver(const CRemoteSite& site) {
    if (site.m_protocol == RemoteProtocol::Sftp) {
        return std::make_unique<CCurlSftpDriver>(site);
    }
    return std::make_unique<CCurlFtpDriver>(site);
}

int EnsureRemoteFolder(IRemoteDriver& driver, const std::string& path) {
    std::string folder = path;
    for (char& c : folder) {
        c = c == '\\' ? '/' : c;
    }
    size_t pos = folder.starts_with('/') ? 1 : 0;
    while (pos <= folder.size()) {
        size_t slash = folder.find('/', pos);
        size_t end = slash == std::string::npos ? folder.size() : slash;
        if (end > pos) {
            std::string prefix = folder.substr(0, end);
            bool exists = false;
            if (driver.FolderExists(prefix, exists) != 0 || !exists) {
                int error = driver.MakeFolder(prefix);
                if (error != 0) {
                    return error;
                }
            }
        }
        pos = end + 1;
    }
    return 0;
}

// An "-old" name holds the only copy of a file whose replacement was cut short, so it counts as
// ours: hidden from listings, where a mirror run would delete it as an extra.
bool IsRemoteTempName(const std::string& name) {
    static constexpr std::string_view kAside = "-upload-old";
    return IsTempFileName(name) || (name.starts_with(kTempFilePrefix) && name.ends_with(kAside) &&
                                    name.size() > kTempFilePrefix.size() + kAside.size());
}

std::string RemoteTempName(const std::string& name) {
    return std::string(kTempFilePrefix) + name + "-upload";
}

std::string RemoteTempPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    return path.substr(0, slash + 1) + RemoteTempName(path.substr(slash + 1));
}

}  // namespace tv
