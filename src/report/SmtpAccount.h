#pragma once

#include <string>

#include "report/Smtp.h"

namespace tv {

class CProfile;

// The mail server settings of the profile; all off when none were stored. Blocks on disk I/O;
// any thread.
CSmtpAccount LoadSmtpAccount(const CProfile& profile);
// Stores the settings all or none: false when the profile could not be written, which then
// keeps what it held and `error` (when given) says which file and why.
bool StoreSmtpAccount(CProfile& profile, const CSmtpAccount& account, std::string* error = nullptr);

}  // namespace tv
