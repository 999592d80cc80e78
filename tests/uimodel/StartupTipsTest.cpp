#include <gtest/gtest.h>

#include <set>

#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "support/TestEnv.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/StartupTips.h"

namespace {

using tv::CStartupTips;

class StartupTipsTest : public ::testing::Test {
  protected:
    StartupTipsTest() { tv::AddDialogStrings(); }

    int StoredTip() const { return m_profile.GetProfileInt("Settings", "ShowTip", -1); }

    tvtest::CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
};

TEST_F(StartupTipsTest, NineStartsShowEveryTipOnceWithoutAGap) {
    std::set<int> shown;
    uint32_t preferences = 0x404;
    for (int start = 0; start < CStartupTips::kCount; ++start) {
        CStartupTips tips(m_profile);
        EXPECT_FALSE(tv::LoadString(tips.TextId()).empty()) << tips.Current();
        shown.insert(tips.TextId());
        tips.Close(true, preferences);
    }
    EXPECT_EQ(shown.size(), 9u);
    EXPECT_EQ(*shown.begin(), 40000);
    EXPECT_EQ(*shown.rbegin(), 40008);
    EXPECT_EQ(StoredTip(), 1);  // round again, where a first start begins
    EXPECT_FALSE(m_profile.HasValue("Settings", "DlgPref"));
}

TEST_F(StartupTipsTest, TheFirstStartShowsTipOneAndStoresTheOneAfterTheLastShown) {
    uint32_t preferences = 0x404;
    CStartupTips tips(m_profile);
    EXPECT_EQ(tips.TextId(), 40001);
    tips.Next();
    tips.Next();
    tips.Close(true, preferences);
    EXPECT_EQ(StoredTip(), 4);

    m_profile.WriteProfileInt("Settings", "ShowTip", 8);
    CStartupTips last(m_profile);
    EXPECT_EQ(last.TextId(), 40008);
    last.Next();
    EXPECT_EQ(last.TextId(), 40000);
}

TEST_F(StartupTipsTest, ANumberOutsideTheTipsStillNamesOne) {
    for (const int stored : {9, 57, -3, -2147483647 - 1}) {
        m_profile.WriteProfileInt("Settings", "ShowTip", stored);
        CStartupTips tips(m_profile);
        EXPECT_GE(tips.TextId(), 40000) << stored;
        EXPECT_LE(tips.TextId(), 40008) << stored;
        uint32_t preferences = 0x404;
        tips.Close(true, preferences);
        EXPECT_EQ(StoredTip(), (tips.Current() + 1) % 9);
    }
}

TEST_F(StartupTipsTest, SwitchingTipsOffClearsOnlyThatBitAndStoresIt) {
    uint32_t preferences = 0x404 | 0x2 | 0x100;
    CStartupTips(m_profile).Close(false, preferences);
    EXPECT_EQ(preferences, 0x004u | 0x2u | 0x100u);
    EXPECT_EQ(m_profile.GetProfileInt("Settings", "DlgPref", 0), 0x106);
    EXPECT_EQ(StoredTip(), 2);

    CStartupTips(m_profile).Close(true, preferences);
    EXPECT_EQ(m_profile.GetProfileInt("Settings", "DlgPref", 0), 0x506);
}

}  // namespace
