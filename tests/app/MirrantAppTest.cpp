#include "app/MirrantApp.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;

class MirrantAppTest : public ::testing::Test {
  protected:
    fs::path DataFolder() const { return m_home.DataHome() / "Twinvale"; }
    fs::path TaskLists() const { return DataFolder() / "TLists"; }

    tvtest::CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
    tv::CMirrantApp m_app{tv::LocalFileSystem(), m_profile};
};

TEST_F(MirrantAppTest, FirstStartCreatesTheFoldersAndStoresTheDefaults) {
    ASSERT_TRUE(m_app.Startup());
    EXPECT_EQ(m_app.ProgramFolder(), fs::canonical("/proc/self/exe").parent_path().string() + "/");
    EXPECT_EQ(m_app.ProgramDataFolder(), DataFolder().string());
    EXPECT_TRUE(fs::is_directory(TaskLists()));
    EXPECT_EQ(m_app.LastDir(), TaskLists().string());
    EXPECT_EQ(m_profile.GetProfileString("", "lastdir"), TaskLists().string());
    EXPECT_EQ(m_app.LastTaskList(), "");
    EXPECT_EQ(m_app.Preferences(), 1028u);
    EXPECT_TRUE(m_profile.HasValue("Settings", "DlgPref"));
    EXPECT_EQ(m_profile.GetProfileInt("Settings", "DlgPref", 0), 1028);
    EXPECT_TRUE(m_app.FtpTimes().m_Shifts.empty());
}

TEST_F(MirrantAppTest, StoredSettingsAreKept) {
    m_profile.WriteProfileString("", "path", "/opt/twinvale");
    m_profile.WriteProfileString("", "lastdir", "/srv/lists");
    m_profile.WriteProfileString("", "lasttl", "/srv/lists/weekly.tsl");
    m_profile.WriteProfileInt("Settings", "DlgPref", 0x25);
    m_app.Startup();
    EXPECT_EQ(m_app.ProgramFolder(), "/opt/twinvale/");
    EXPECT_EQ(m_app.LastDir(), "/srv/lists");
    EXPECT_EQ(m_app.LastTaskList(), "/srv/lists/weekly.tsl");
    EXPECT_EQ(m_app.Preferences(), 0x25u);
    EXPECT_EQ(m_profile.GetProfileInt("Settings", "DlgPref", 0), 0x25);
    EXPECT_FALSE(fs::exists(TaskLists()));
}

// "lasttl" is read after "lastdir": without a last list the task list folder wins.
TEST_F(MirrantAppTest, WithoutALastListTheLastFolderFallsBackToTheTaskListFolder) {
    m_profile.WriteProfileString("", "lastdir", "/srv/lists");
    m_app.Startup();
    EXPECT_EQ(m_app.LastDir(), TaskLists().string());
    EXPECT_EQ(m_profile.GetProfileString("", "lastdir"), TaskLists().string());
    EXPECT_TRUE(fs::is_directory(TaskLists()));
}

TEST_F(MirrantAppTest, FtpTimeShiftsSurviveARestartButNotDamage) {
    m_app.Startup();
    const std::map<std::string, int32_t> shifts = {{"ftp.example.org/pub", -60},
                                                   {"raw \xff name", 7}};
    m_app.FtpTimes().m_Shifts = shifts;
    ASSERT_TRUE(m_app.Exit());
    const fs::path file = DataFolder() / "FTPTimes";
    const std::string stored = tvtest::ReadFile(file);

    tv::CMirrantApp restarted(tv::LocalFileSystem(), m_profile);
    restarted.Startup();
    EXPECT_EQ(restarted.FtpTimes().m_Shifts, shifts);

    for (const std::string& damaged : {stored.substr(0, stored.size() - 1), stored + "x",
                                       std::string("garbage"), std::string()}) {
        tvtest::WriteFile(file, damaged);
        tv::CMirrantApp again(tv::LocalFileSystem(), m_profile);
        again.Startup();
        EXPECT_TRUE(again.FtpTimes().m_Shifts.empty()) << damaged.size();
    }
}

}  // namespace
