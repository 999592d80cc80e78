#include "report/SmtpAccount.h"

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

bool StoreSmtpAccount(CProfile& profile, const CSmtpAccount& account) {
    using namespace profkey;
    const bool secure = account.m_security == SmtpSecurity::StartTls;
    return profile.WriteProfileInt(kMailSection, kMailStartTls, secure ? 1 : 0) &&
           profile.WriteProfileString(kMailSection, kMailUser, account.m_strUser) &&
           (account.m_strPassword.empty()
                ? profile.DeleteValue(kMailSection, kMailPassword)
                : profile.WriteProfileString(kMailSection, kMailPassword, account.m_strPassword));
}

}  // namespace tv
