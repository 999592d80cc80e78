#include "uimodel/SettingsMail.h"

#include "platform/Profile.h"
#include "report/SmtpAccount.h"

namespace tv {

CMailServerSettings::CMailServerSettings(IFileSystem& fs)
    : m_account(LoadSmtpAccount(CProfile(fs))), m_fs(fs) {}

bool CMailServerSettings::Store(std::string* error) const {
    CProfile profile(m_fs);
    return StoreSmtpAccount(profile, m_account, error);
}

}  // namespace tv
