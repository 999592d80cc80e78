#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "ChildProcesses.h"
#include "platform/FileSystem.h"
#include "support/TestEnv.h"

namespace {

class ProfileTest : public ::testing::Test {
  protected:
    tvtest::CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
};

}  // namespace

TEST_F(ProfileTest, LivesInTheConfigFolderAndStartsEmpty) {
    EXPECT_EQ(m_profile.Path(), (m_home.ConfigHome() / "Orbelin" / "Mirrant.conf").string());
    EXPECT_EQ(m_profile.GetProfileInt("Settings", "DlgPref", 1028), 1028);
    EXPECT_EQ(m_profile.GetProfileString("", "lasttl", "none"), "none");
    EXPECT_FALSE(m_profile.HasValue("", "lasttl"));
    EXPECT_TRUE(m_profile.DeleteValue("Settings", "CX"));
}

TEST_F(ProfileTest, AwkwardValuesRoundTrip) {
    const std::string values[] = {
        "C:\\temp\\new\\",      "two\nlines\r\n",    "a=b=c", "[Settings]",
        "\\n is not a newline", "bad \xff\xfe utf8", "",      std::string("nul\0byte", 8),
        "  padded  ",           "; not a comment",   "#x"};
    for (size_t i = 0; i < std::size(values); ++i) {
        ASSERT_TRUE(m_profile.WriteProfileString("Values", "v" + std::to_string(i), values[i]));
    }
    tv::CProfile reopened(tv::LocalFileSystem(), m_profile.Path());
    for (size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(reopened.GetProfileString("Values", "v" + std::to_string(i), "?"), values[i]);
    }
    EXPECT_TRUE(reopened.HasValue("Values", "v6"));
}

TEST_F(ProfileTest, RootValuesPrecedeSectionsAndNamesIgnoreCase) {
    ASSERT_TRUE(m_profile.WriteProfileInt("Settings", "DlgPref", 1028));
    ASSERT_TRUE(m_profile.WriteProfileString("", "lastDir", "/home/u/TLists"));
    ASSERT_TRUE(m_profile.WriteProfileInt("settings", "dlgpref", -5));
    EXPECT_EQ(tvtest::ReadFile(m_profile.Path()),
              "lastDir=/home/u/TLists\n[Settings]\ndlgpref=-5\n");
    EXPECT_EQ(m_profile.GetProfileString("", "LASTDIR", ""), "/home/u/TLists");
    EXPECT_EQ(m_profile.GetProfileInt("SETTINGS", "DlgPref", 0), -5);
    EXPECT_TRUE(m_profile.DeleteValue("SETTINGS", "DLGPREF"));
    EXPECT_FALSE(m_profile.HasValue("Settings", "DlgPref"));

    EXPECT_FALSE(m_profile.WriteProfileString("", "a=b", "x"));
    EXPECT_FALSE(m_profile.WriteProfileString("Sec]tion", "a", "x"));
    EXPECT_FALSE(m_profile.WriteProfileString("", "line\nbreak", "x"));
}

TEST_F(ProfileTest, DamagedFileKeepsEveryOtherLine) {
    const std::string damaged =
        "path=/opt/tv\r\n"
        "garbage without equals \xff\n"
        "[Settings\n"
        "; comment=1\n"
        "[Settings]\n"
        "CX=12abc\n"
        "CY= 480 \n"
        "=orphan\n"
        "[NextTags]\n"
        "7=2\n";
    std::filesystem::create_directories(m_home.ConfigHome() / "Orbelin");
    tvtest::WriteFile(m_profile.Path(), damaged);
    EXPECT_EQ(m_profile.GetProfileString("", "path", ""), "/opt/tv");
    EXPECT_EQ(m_profile.GetProfileInt("Settings", "CX", 800), 800);
    EXPECT_EQ(m_profile.GetProfileInt("Settings", "CY", 0), 480);
    EXPECT_FALSE(m_profile.HasValue("", "; comment"));

    ASSERT_TRUE(m_profile.WriteProfileInt("NextTags", "9", 1));
    ASSERT_TRUE(m_profile.WriteProfileInt("Settings", "MXM", 1));
    EXPECT_EQ(tvtest::ReadFile(m_profile.Path()),
              "path=/opt/tv\r\n"
              "garbage without equals \xff\n"
              "[Settings\n"
              "; comment=1\n"
              "[Settings]\n"
              "CX=12abc\n"
              "CY= 480 \n"
              "=orphan\n"
              "MXM=1\n"
              "[NextTags]\n"
              "7=2\n"
              "9=1\n");
}

TEST_F(ProfileTest, UnreadableFileIsNeverReplaced) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads any file";
    }
    ASSERT_TRUE(m_profile.WriteProfileString("", "lasttl", "/lists/a.tl"));
    chmod(m_profile.Path().c_str(), 0200);
    EXPECT_FALSE(m_profile.WriteProfileInt("Settings", "CX", 1));
    chmod(m_profile.Path().c_str(), 0600);
    EXPECT_EQ(m_profile.GetProfileString("", "lasttl", ""), "/lists/a.tl");
}

TEST_F(ProfileTest, ConcurrentWritersKeepEachOthersValues) {
    constexpr int kWrites = 40;
    ASSERT_TRUE(tvtest::RunInChildren(3, [&](int child) {
        tv::CProfile profile(tv::LocalFileSystem());
        bool ok = true;
        for (int i = 0; i < kWrites; ++i) {
            ok = profile.WriteProfileInt("NextTags", std::to_string(child * 1000 + i), i) && ok;
        }
        return ok;
    }));
    for (int child = 0; child < 3; ++child) {
        for (int i = 0; i < kWrites; ++i) {
            EXPECT_EQ(m_profile.GetProfileInt("NextTags", std::to_string(child * 1000 + i), -1), i);
        }
    }
}
