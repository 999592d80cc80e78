#include "platform/SftpHostKey.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/SshKeyCodec.h"

namespace tv {
namespace {

// An SSH key blob starts with its type name as a length-prefixed string.
std::string KeyTypeOf(const unsigned char* blob, size_t size) {
    if (size < 4) {
        return {};
    }
    size_t length = (size_t{blob[0]} << 24) | (size_t{blob[1]} << 16) | (size_t{blob[2]} << 8) |
                    size_t{blob[3]};
    return length <= size - 4 ? std::string(reinterpret_cast<const char*>(blob) + 4, length)
                              : std::string();
}

bool AppendKnownHost(const std::string& file, const std::string& line) {
    std::string folder = file.substr(0, file.rfind('/'));
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    bool written = write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    return close(fd) == 0 && written;
}

}  // namespace

HostKeyVerdict JudgeHostKey(HostKeyMatch match, const void* key, size_t length,
                            const CRemoteSite& site, const std::string& hostEntry,
                            const std::string& knownHosts) {
    if (match == HostKeyMatch::Known) {
        return HostKeyVerdict::Known;
    }
    if (match == HostKeyMatch::Changed) {
        return HostKeyVerdict::Changed;
    }
    const auto* blob = static_cast<const unsigned char*>(key);
    CHostKeyQuestion question{hostEntry, KeyTypeOf(blob, length),
                              Base64({reinterpret_cast<const char*>(blob), length})};
    if (!site.m_askHostKey || question.m_keyType.empty() || !site.m_askHostKey(question)) {
        return HostKeyVerdict::Unknown;
    }
    // Written by us rather than by the SSH library, which would record the host without its port.
    AppendKnownHost(knownHosts,
                    hostEntry + " " + question.m_keyType + " " + question.m_keyBase64 + "\n");
    return HostKeyVerdict::Accepted;
}

int HostKeyRefusal(HostKeyVerdict verdict, const std::string& hostEntry, std::string& error) {
    if (verdict == HostKeyVerdict::Changed) {
        error = "the server's host key differs from the one known_hosts holds for " + hostEntry +
                "; refused";
        return EPERM;
    }
    if (verdict == HostKeyVerdict::Unknown) {
        error = "the server's host key is not in known_hosts and was not trusted";
        return EPERM;
    }
    return 0;
}

}  // namespace tv
