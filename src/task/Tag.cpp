#include "task/Tag.h"

#include "base/PathText.h"
#include "base/StringTable.h"

namespace tv {

std::string CTag::DisplayPath() const {
    return IsLocal() ? m_strPath : LoadString(IDS_FTP_PREFIX) + m_strSiteName;
}

CTag CTag::ForRun() const {
    CTag location = *this;
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
