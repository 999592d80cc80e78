#include <gtest/gtest.h>

#include <cerrno>

#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "support/FaultFileSystem.h"
#include "support/TestEnv.h"
#include "uimodel/SettingsMail.h"

namespace {

using Op = tvtest::CFaultFileSystem::Op;

class MailSettings : public ::testing::Test {
  protected:
    MailSettings() {
        tv::CMailServerSettings old(tv::LocalFileSystem());
        old.m_account.m_strUser = "old-user";
        old.m_account.m_strPassword = "old-secret";
        EXPECT_TRUE(old.Store());
        m_strOld = Profile();
    }
    std::string Profile() const { return tvtest::ReadFile(tv::CProfile::DefaultPath()); }
    // The settings the user typed over the stored ones, through `fs`.
    static tv::CMailServerSettings Typed(tv::IFileSystem& fs) {
        tv::CMailServerSettings typed(fs);
        typed.SetSecure(true);
        typed.m_account.m_strUser = "new-user";
        typed.m_account.m_strPassword = "new-secret";
        return typed;
    }

    tvtest::CIsolatedHome m_home;
    std::string m_strOld;
};

// A full disk, a read-only profile folder, a lock that cannot be taken: the user hears which
// file and why, and the profile keeps every setting it held.
TEST_F(MailSettings, AFailedStoreSaysWhyAndKeepsTheStoredOnes) {
    for (const auto& [op, error] : {std::pair{Op::Write, ENOSPC}, std::pair{Op::Rename, EROFS},
                                    std::pair{Op::CreateTemp, EACCES}, std::pair{Op::Lock, EIO}}) {
        tvtest::CFaultFileSystem faults(tv::LocalFileSystem());
        faults.Fail(op, error, 1, -1, "Mirrant.conf");
        std::string why;
        EXPECT_FALSE(Typed(faults).Store(&why)) << static_cast<int>(op);
        EXPECT_NE(why.find(tv::CProfile::DefaultPath()), std::string::npos) << why;
        EXPECT_NE(why.find(tv::SystemErrorText(error)), std::string::npos) << why;
        EXPECT_EQ(Profile(), m_strOld);
    }
}

// The settings go in as one: a profile that takes one write and refuses the next never holds
// the new user with the old password.
TEST_F(MailSettings, AreStoredAllOrNone) {
    tvtest::CFaultFileSystem faults(tv::LocalFileSystem());
    faults.Fail(Op::Write, ENOSPC, 2, -1, "Mirrant.conf");
    const bool stored = Typed(faults).Store();
    const tv::CMailServerSettings now(tv::LocalFileSystem());
    if (stored) {
        EXPECT_TRUE(now.SecureEnabled());
        EXPECT_EQ(now.m_account.m_strUser, "new-user");
        EXPECT_EQ(now.m_account.m_strPassword, "new-secret");
    } else {
        EXPECT_EQ(Profile(), m_strOld);
    }
}

}  // namespace
