#include <gtest/gtest.h>

#include <cerrno>

#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "support/FaultFileSystem.h"
#include "support/TestEnv.h"
#include "uimodel/SettingsKeep.h"

namespace {

using Op = tvtest::CFaultFileSystem::Op;

std::string Profile() {
    return tvtest::ReadFile(tv::CProfile::DefaultPath());
}

// The choice decides whether a run's deletes can be undone: a user told it was saved must find it
// saved. A full disk, a read-only folder, a refused temporary, a lock, or a failure after the
// first write: the user hears which file and why, and the profile keeps the whole choice it held.
TEST(KeepSettingsStore, AFailedStoreSaysWhyAndKeepsTheWholeChoice) {
    tvtest::CIsolatedHome home;
    tv::CKeepFilesChoice old(tv::LocalFileSystem());
    old.SetChoice(static_cast<int>(tv::KeepMode::Versions));
    old.SetDays(90);
    ASSERT_TRUE(old.Store());
    const std::string stored = Profile();
    for (const auto& [op, error, nth] :
         {std::tuple{Op::Write, ENOSPC, 1}, std::tuple{Op::Write, ENOSPC, 2},
          std::tuple{Op::Rename, EROFS, 1}, std::tuple{Op::CreateTemp, EACCES, 1},
          std::tuple{Op::Lock, EIO, 1}}) {
        tvtest::CFaultFileSystem faults(tv::LocalFileSystem());
        faults.Fail(op, error, nth, -1, "Mirrant.conf");
        tv::CKeepFilesChoice typed(faults);
        typed.SetChoice(static_cast<int>(tv::KeepMode::Delete));
        typed.SetDays(5);
        std::string why;
        if (typed.Store(&why)) {
            EXPECT_EQ(tv::CKeepFilesChoice(tv::LocalFileSystem()).Days(), 5);
            ASSERT_TRUE(old.Store());
            continue;
        }
        EXPECT_NE(why.find(tv::CProfile::DefaultPath()), std::string::npos) << why;
        EXPECT_NE(why.find(tv::SystemErrorText(error)), std::string::npos) << why;
        EXPECT_EQ(Profile(), stored) << static_cast<int>(op) << " " << nth;
    }
}

}  // namespace
