#include "report/SmtpAccount.h"

#include "platform/IniText.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"

namespace tv {

CSmtpAccount LoadSmtpAccount(const CProfile& profile) {
    using namespace profkey;
    CSmtpAccount account;
    account.m_security = profile.GetProfileInt(kMailSection, kMailStartTls, 0) != 0
                             ? SmtpSecurity::StartTls
                             : SmtpSecurity::Plain;
    account.m_strUser = profile.GetProfileString(kMailSection, kMailUser);
    account.m_strPassword = profile.GetProfileString(kMailSection, kMailPassword);
    return account;
}

bool StoreSmtpAccount(CProfile& profile, const CSmtpAccount& account, std::string* error) {
    using namespace profkey;
    const bool secure = account.m_security == SmtpSecurity::StartTls;
    return profile.Update(
        [&](CIniText& ini) {
            const std::string before = ini.Text();
            ini.Set(kMailSection, kMailStartTls, secure ? "1" : "0");
            ini.Set(kMailSection, kMailUser, account.m_strUser);
            if (account.m_strPassword.empty()) {
                ini.Remove(kMailSection, kMailPassword);
            } else {
                ini.Set(kMailSection, kMailPassword, account.m_strPassword);
            }
            return ini.Text() != before;
        },
        error);
}

}  // namespace tv
