#pragma once

#include "report/Smtp.h"

namespace tv {

class CProfile;

// The mail server settings of the profile; all off when none were stored. Blocks on disk I/O;
// any thread.
CSmtpAccount LoadSmtpAccount(const CProfile& profile);
// False when the profile could not be written.
bool StoreSmtpAccount(CProfile& profile, const CSmtpAccount& account);

}  // namespace tv
