#include "task/Tag.h"

#include <cctype>

#include "base/PathText.h"
#include "base/StringTable.h"

namespace tv {

std::string CTag::DisplayPath() const {
    return IsLocal() ? m_strPath : LoadString(IDS_FTP_PREFIX) + m_strSiteName;
}

namespace {

const char* SchemeOf(int32_t protocol) {
    return protocol == 0 ? "ftp" : protocol == 1 ? "sftp" : "ftps";
}

int32_t DefaultPort(int32_t protocol) {
    return protocol == 1 ? 22 : protocol == 4 ? 990 : 21;
}

std::string HostOf(const std::string& host) {
    std::string lower = host.substr(0, 6);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    std::string bare = lower == "ftp://" ? host.substr(6) : host;
    while (bare.ends_with('/')) {
        bare.pop_back();
    }
    return bare;
}

// A user name is shown as typed, but for the characters that would end it inside the text.
std::string UserText(const std::string& user) {
    std::string text;
    for (char c : user) {
        text += c == '/' ? "%2F" : c == '@' ? "%40" : c == '%' ? "%25" : std::string(1, c);
    }
    return text;
}

}  // namespace

std::string CTag::RemoteRootText() const {
    if (!IsRemote()) {
        return {};
    }
    std::string text = std::string(SchemeOf(m_nProtocol)) + "://";
    if (!m_strUser.empty()) {
        text += UserText(m_strUser) + "@";
    }
    text +=
        HostOf(m_strHost) + ":" + std::to_string(m_nPort != 0 ? m_nPort : DefaultPort(m_nProtocol));
    std::string folder = CleanFolderPath("/" + m_strRemoteDir);
    return folder == "/" ? text : text + folder;
}

CTag CTag::ForRun() const {
    CTag location = *this;
    if (IsRemote()) {
        location.m_strPath = RemoteRootText();
        location.m_strRemoteDir = location.m_strPath;
        return location;
    }
    location.m_strPath = CleanFolderPath(m_strPath);
    return location;
}

void CTag::ResetConnection() {
    m_strPath.clear();
    m_strSiteName.clear();
    m_strHost.clear();
    m_nPort = 21;
    m_strUser.clear();
    m_strPassword.clear();
    m_strRemoteDir.clear();
    m_bPassive = 0;
    m_strProxyHost.clear();
    m_nProxyPort = 0;
    m_strProxyUser.clear();
    m_strProxyPassword.clear();
    m_nProxyType = 0;
    m_bManualTimeZone = 0;
    m_nReserved = 0;
}

}  // namespace tv
