#include <gtest/gtest.h>

#include "TaskFixtures.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "task/Element.h"

namespace {

class ElementTest : public ::testing::Test {
  protected:
    void SetUp() override { tvtest::MakeFull(m_full, m_profile); }

    tvtest::CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
    tv::CElement m_full;
};

tv::CTag Local(const std::string& path) {
    tv::CTag tag;
    tag.m_strPath = path;
    return tag;
}

}  // namespace

TEST_F(ElementTest, ResetKeepsIdExclusionsPeriodScheduleAndService) {
    EXPECT_EQ(tv::CElement().m_strName, "NEW TASK");
    tv::CElement e;
    tvtest::MakeFull(e, m_profile);
    e.ResetToDefaults("/pd");

    tv::CElement expected;
    expected.m_nTaskId = m_full.m_nTaskId;
    expected.m_nReserved1 = 11;
    expected.m_nReserved2 = 12;
    expected.m_ExcludedItems = m_full.m_ExcludedItems;
    expected.m_timePeriodFrom = m_full.m_timePeriodFrom;
    expected.m_timePeriodTo = m_full.m_timePeriodTo;
    expected.m_Schedule = m_full.m_Schedule;
    expected.m_nServiceAccount = 1;
    expected.m_strServiceUser = m_full.m_strServiceUser;
    expected.m_strServicePassword = m_full.m_strServicePassword;
    expected.m_bServiceAutoStart = 1;
    expected.m_bServiceNoInitialSync = 1;
    expected.m_strPreviewSound = "/pd/Snd1.wav";
    expected.m_strFinishSound = "/pd/Snd2.wav";
    // Of the source only the connection is reset; key, protocol and retries stay.
    expected.m_Source = m_full.m_Source;
    expected.m_Source.ResetConnection();
    EXPECT_EQ(expected.m_Source.m_strKeyFile, "/k");
    EXPECT_EQ(expected.m_Source.m_nPort, 21);
    EXPECT_TRUE(tv::EqualFields(e, expected));
}

TEST_F(ElementTest, CopiesTakeEverythingButReservedValuesAndRunState) {
    m_full.m_Run.Begin(tv::RunKind::Synchronize, tv::pref::kDefault, 0);
    tv::CElement copy(m_full);
    EXPECT_FALSE(copy.m_Run.IsRunning());
    EXPECT_EQ(int32_t(copy.m_nReserved1) + copy.m_nReserved2 + copy.m_nReserved4, 0);
    EXPECT_EQ(int32_t(copy.m_nReserved3), 1);
    EXPECT_FALSE(tv::EqualFields(copy, m_full));
    copy.m_nReserved1 = 11;
    copy.m_nReserved2 = 12;
    copy.m_nReserved3 = 13;
    copy.m_nReserved4 = 14;
    EXPECT_TRUE(tv::EqualFields(copy, m_full));
    copy.m_Targets[0].m_strPath = "/elsewhere";
    EXPECT_EQ(m_full.m_Targets[0].m_strPath, "/dst/one");

    tv::CElement destination;
    destination.m_nReserved2 = 7;
    destination.m_Targets.resize(3);
    destination.m_Run.Begin(tv::RunKind::Synchronize, tv::pref::kDefault, 0);
    destination = m_full;
    EXPECT_EQ(destination.m_Targets, m_full.m_Targets);
    EXPECT_EQ(destination.m_nTaskId, 7);
    EXPECT_EQ(int32_t(destination.m_nReserved2), 7);
    EXPECT_TRUE(destination.m_Run.IsRunning());
}

TEST_F(ElementTest, ExclusionsAreStoredRelativeToTheirRoot) {
    tv::CElement e;
    e.m_Source = Local("/data");
    e.m_Targets = {Local("/mnt/backup/"), Local("/data2")};
    e.RebuildExcludedItems(
        {"/DATA/Temp", "/data2/x", "/data", "/mnt/backup/old", "/elsewhere/y", "/mnt/backup/"});
    EXPECT_EQ(e.m_ExcludedItems, (std::vector<std::string>{"/Temp", "/x", "old", "/elsewhere/y"}));

    // An FTP source's root is its remote folder, matched exactly.
    e.m_Source.m_bIsFtp = 1;
    e.m_Source.m_strRemoteDir = "/data";
    e.m_Targets.clear();
    e.RebuildExcludedItems({"/Data/Temp", "/data/Temp"});
    EXPECT_EQ(e.m_ExcludedItems, (std::vector<std::string>{"/Data/Temp", "/Temp"}));
}

TEST_F(ElementTest, ConsecutiveTargetsRotateThroughTheProfile) {
    tv::CElement e;
    e.m_nTaskId = 42;
    e.m_Targets.resize(3);
    std::vector<int> used;
    for (int run = 0; run < 4; ++run) {
        used.push_back(e.TakeNextTarget(m_profile));
        EXPECT_EQ(m_profile.GetProfileInt("NextTags", "42", -1), (run + 1) % 3);
    }
    EXPECT_EQ(used, (std::vector<int>{0, 1, 2, 0}));

    e.m_nNextTarget = 5;  // a target was removed
    EXPECT_EQ(e.TakeNextTarget(m_profile), 0);
    EXPECT_EQ(m_profile.GetProfileInt("NextTags", "42", -1), 1);
}
