#pragma once

#include <cstdint>
#include <string>

#include "base/FileTime.h"

namespace tv {

// A location: a local folder (or an archive file) when m_strPath is set, else an FTP site.
class CTag {
  public:
    std::string m_strPath;
    int32_t m_nProtocol = 0;
    std::string m_strSiteName;
    std::string m_strHost;
    int32_t m_nPort = 21;
    std::string m_strUser;
    std::string m_strPassword;
    std::string m_strRemoteDir;
    TaskTime m_timeStamp = 0;
    int32_t m_bIsFtp = 0;
    int32_t m_bPassive = 0;
    std::string m_strProxyHost;
    int32_t m_nProxyPort = 0;
    std::string m_strProxyUser;
    std::string m_strProxyPassword;
    int32_t m_nProxyType = 0;
    int32_t m_nTimeZoneShift = 0;
    int32_t m_bManualTimeZone = 0;
    int32_t m_nReserved = 0;
    int32_t m_bUseKey = 0;
    std::string m_strKeyFile;
    int32_t m_bUseCertificate = 0;
    std::string m_strCertificateFile;
    int32_t m_bOwnConnectSettings = 0;
    int32_t m_nConnectTimeoutMs = 0;
    int32_t m_nConnectRetries = 0;
    uint32_t m_nTransferType = 0;

    bool IsLocal() const { return !m_strPath.empty(); }
    // The path as shown to the user: the folder, or "(FTP)" followed by the site name.
    std::string DisplayPath() const;
    // The root that exclusion entries are stored relative to.
    const std::string& Root() const { return m_bIsFtp ? m_strRemoteDir : m_strPath; }
    bool IsRemote() const { return m_strPath.empty() && m_bIsFtp != 0; }
    // A remote location as text: "scheme://user@host:port" and its folder ("ftp", "sftp" or
    // "ftps"; the protocol's own port for port 0; no password), the path its files have in a
    // run. Empty for a local location. Pure.
    std::string RemoteRootText() const;
    // The location as a run reads it: the local folder path in one form (CleanFolderPath); for
    // a remote location both the path and the folder become its root text. The task list keeps
    // what the user typed.
    CTag ForRun() const;
    // The reset of "NEW TASK": connection fields back to their defaults, the rest kept.
    void ResetConnection();

    bool operator==(const CTag&) const = default;
};

}  // namespace tv
