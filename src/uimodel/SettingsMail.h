#pragma once

#include <string>

#include "report/Smtp.h"

namespace tv {

class IFileSystem;

// The mail server part of the preferences window: how the e-mail reports of every task reach
// their server, kept in the user's profile. Loading and storing block on disk I/O (GUI thread).
class CMailServerSettings {
  public:
    explicit CMailServerSettings(IFileSystem& fs);
    // False when the profile could not be written; it then keeps the settings it held and
    // `error` names the file and the system's reason.
    bool Store(std::string* error = nullptr) const;

    bool SecureEnabled() const { return m_account.m_security == SmtpSecurity::StartTls; }
    void SetSecure(bool secure) {
        m_account.m_security = secure ? SmtpSecurity::StartTls : SmtpSecurity::Plain;
    }

    CSmtpAccount m_account;

  private:
    IFileSystem& m_fs;
};

}  // namespace tv
