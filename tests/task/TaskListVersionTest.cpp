#include <gtest/gtest.h>

#include "TaskFixtures.h"
#include "base/Archive.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/TaskCounter.h"
#include "task/TaskBody.h"

// The golden lists of tests/fixtures/tasklists (made by make_tasklists.py) hold the same two
// tasks in every version; a field older than the file carries the generator's value, a newer
// one the value the loader gives lists without it.

namespace {

class TaskListVersionTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_profile.WriteProfileInt("NextTags", "7", 1)); }

    tv::CTaskList LoadGolden(const std::string& name) {
        return tvtest::LoadGolden(name, m_profile);
    }

    std::string DataFolder() const { return (m_home.DataHome() / "Twinvale").string(); }
    std::string DataFile(const char* name) const { return DataFolder() + "/" + name; }

    tvtest::CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
};

template <typename T, typename U>
void Gate(int version, int from, const T& actual, const U& present, const U& absent,
          const char* what) {
    EXPECT_EQ(actual, version >= from ? T(present) : T(absent)) << what << " in " << version;
}

#define GATE(from, field, present, absent) Gate(v, from, t.field, present, absent, #field)

void CheckCurrentTask(const tv::CElement& t, int v, const std::string& dataFolder) {
    EXPECT_EQ(t.m_nTaskId, 7);
    EXPECT_EQ(t.m_strName, "Golden Café");
    EXPECT_EQ(int32_t(t.m_nReserved1) + t.m_nReserved2 + t.m_nReserved3 + t.m_nReserved4, 50);
    EXPECT_EQ(t.m_dwOptions, 0x4869u);
    EXPECT_EQ(t.m_dwOptions2, 0x034Cu);
    EXPECT_EQ(t.m_bTargetsInTurn, 1);
    EXPECT_EQ(t.m_nNextTarget, 1);
    GATE(520, m_dwOptions3, 0x1A05u, 0x800u);
    GATE(583, m_dwOptions4, 0xBu, 0u);
    EXPECT_EQ(t.m_timePeriodTo, 1100000000);
    GATE(553, m_nStartDelay, 30, 0);
    GATE(554, m_strExcludeMasks, std::string("DOC TXT;BAK"), std::string("*.DOC *.TXT *.BAK"));
    GATE(554, m_strIncludeMasks, std::string("LOG, TMP"), std::string("*.LOG *.TMP"));
    GATE(470, m_nMaxSizeMb, 77, 10);
    GATE(474, m_nMailContent, 1, 0);
    GATE(474, m_strMailTo, std::string("to@example.org"), std::string());
    GATE(512, m_strNetSendTo, std::string("OFFICE-PC"), std::string());
    GATE(512, m_nNetSendWhen, 2, 0);
    GATE(519, m_strPreviewSound, std::string("/snd/preview.wav"), dataFolder + "/Snd1.wav");
    GATE(519, m_strFinishSound, std::string("/snd/finish.wav"), dataFolder + "/Snd2.wav");
    GATE(519, m_bFinishSound, 1, 0);
    GATE(475, m_strRasEntry, std::string("entry"), std::string());
    GATE(475, m_bRasHangUp, 1, 0);
    GATE(525, m_nLogLimitKb, 900, 500);
    GATE(526, m_nCompareMode, v <= 538 ? 3 : 2, 0);
    GATE(527, m_strRunAfter, std::string("after.sh"), std::string());
    GATE(532, m_bUseSnapshot, 1, 0);
    GATE(543, m_bDeleteSourceAfterRun, 1, 0);
    GATE(538, m_strHtmlLogFile, std::string("/logs/t.html"), std::string());
    GATE(590, m_strAltLogDir, std::string("/logs/alt"), std::string());
    GATE(582, m_strAltCopyDir, std::string("/copy/alt"), std::string());
    GATE(587, m_strServicePassword, std::string("svcpw"), std::string());
    GATE(588, m_bServiceAutoStart, 1, 0);
    GATE(589, m_bServiceNoInitialSync, 1, 0);
}

void CheckCurrentSource(const tv::CElement& t, int v) {
    EXPECT_EQ(t.m_Source.m_strPath, "/src/Café");
    EXPECT_EQ(t.m_Source.m_strPassword, "pässwörd");
    EXPECT_EQ(t.m_Source.m_timeStamp, 1234567890);
    GATE(585, m_Source.m_nProtocol, 2, 0);
    GATE(472, m_Source.m_nPort, 2121, 21);
    GATE(472, m_Source.m_strProxyPassword, std::string("ppw"), std::string());
    GATE(472, m_Source.m_bManualTimeZone, 1, 0);
    GATE(554, m_Source.m_nReserved, 4, 0);
    GATE(586, m_Source.m_strCertificateFile, std::string("/c"), std::string());
    GATE(475, m_Source.m_bOwnConnectSettings, 1, 0);
    GATE(475, m_Source.m_nConnectRetries, 9, 5);
    GATE(475, m_Source.m_nTransferType, 2u, 0u);
    ASSERT_EQ(t.m_Targets.size(), 2u);
    EXPECT_EQ(t.m_Targets[1].m_strSiteName, "backup site");
    EXPECT_EQ(t.m_Targets[1].m_bIsFtp, 1);
    EXPECT_EQ(t.m_ExcludedItems, (std::vector<std::string>{"/skip", "/tmp"}));
    EXPECT_EQ(t.m_Schedule.G, 700);
    EXPECT_EQ(t.m_Schedule.H[5], 13);
}

void CheckSecondTask(const tv::CElement& t) {
    EXPECT_EQ(t.m_nTaskId, 9);
    EXPECT_EQ(t.m_strName, "Zweite ✓");
    EXPECT_EQ(t.m_nCompareMode, 0) << "criterion 0 is never shifted";
    ASSERT_EQ(t.m_Targets.size(), 1u);
    EXPECT_EQ(t.m_Targets[0].m_strPath, "/dst2");
    EXPECT_EQ(t.m_Source.m_strRemoteDir, "/r2");
}

}  // namespace

TEST_F(TaskListVersionTest, EveryCurrentLayoutVersionReadsItsFields) {
    const int versions[] = {469, 470, 471, 472, 473, 474, 475, 511, 512, 518, 519, 520, 524, 525,
                            526, 527, 530, 531, 532, 537, 538, 539, 542, 543, 548, 549, 550, 552,
                            553, 554, 581, 582, 583, 585, 586, 587, 588, 589, 590, 600};
    for (const int version : versions) {
        SCOPED_TRACE(version);
        tv::CTaskList list = LoadGolden("v" + std::to_string(version) + ".tsl");
        ASSERT_EQ(list.m_Tasks.size(), 2u);
        const int v = std::min(version, 590);
        CheckCurrentTask(*list.m_Tasks[0], v, DataFolder());
        CheckCurrentSource(*list.m_Tasks[0], v);
        CheckSecondTask(*list.m_Tasks[1]);
        EXPECT_EQ(list.m_nHighestId, 9);
    }
    // An empty version string is version 584.
    tv::CTaskList empty = LoadGolden("vempty.tsl");
    ASSERT_EQ(empty.m_Tasks.size(), 2u);
    CheckCurrentTask(*empty.m_Tasks[0], 584, DataFolder());
    CheckCurrentSource(*empty.m_Tasks[0], 584);
}

TEST_F(TaskListVersionTest, OldLayoutsTakeTheOldLayoutValues) {
    tv::CSchedule reset;
    reset.Reset();
    for (const std::string version : {"2.00", "1.20", "1.11", "1.10"}) {
        SCOPED_TRACE(version);
        tv::CTaskList list = LoadGolden("v" + version + ".tsl");
        ASSERT_EQ(list.m_Tasks.size(), 2u);
        const tv::CElement& t = *list.m_Tasks[0];
        const bool v200 = version == "2.00";
        EXPECT_EQ(t.m_strName, "/src/Café");
        EXPECT_EQ(list.m_Tasks[1]->m_strName, "(FTP)site two");
        EXPECT_EQ(t.m_dwOptions, 0x4861u) << "bit 0x8 cleared";
        EXPECT_EQ(t.m_dwOptions2, v200 ? 0x030Cu : 0u) << "bit 0x40 cleared";
        EXPECT_EQ(t.m_bTargetsInTurn, v200 ? 1 : 0);
        EXPECT_EQ(t.m_timePeriodFrom, v200 ? 1000000000 : 0);
        EXPECT_EQ(t.m_ExcludedItems.size(), v200 ? 2u : 0u);
        EXPECT_EQ(int32_t(t.m_nReserved1) + t.m_nReserved2 + t.m_nReserved3 + t.m_nReserved4, 50);
        EXPECT_EQ(t.m_nNextTarget, 0) << "old lists have no rotation";
        EXPECT_EQ(t.m_strFinishSound, DataFile("Snd2.wav"));
        EXPECT_EQ(t.m_nMaxSizeMb, 10);
        EXPECT_EQ(t.m_dwOptions3, 0x800u);
        EXPECT_EQ(t.m_Source.m_strPassword, "pässwörd");
        EXPECT_EQ(t.m_Source.m_nConnectRetries, 5);
        EXPECT_EQ(t.m_Source.m_timeStamp, 1234567890);
        EXPECT_EQ(t.m_Schedule, reset);
        EXPECT_EQ(list.m_Tasks[1]->m_Targets.at(0).m_strPath, "/dst2");
    }
}

TEST_F(TaskListVersionTest, V110TakesIdsFromTheTaskCounter) {
    tv::CTaskList list = LoadGolden("v1.10.tsl");
    ASSERT_EQ(list.m_Tasks.size(), 2u);
    EXPECT_EQ(list.m_Tasks[0]->m_nTaskId, 1);
    EXPECT_EQ(list.m_Tasks[1]->m_nTaskId, 2);
    EXPECT_EQ(tv::ReadTaskCounter(tv::LocalFileSystem()), 2);
    tv::CTaskList again = LoadGolden("v1.11.tsl");
    EXPECT_EQ(again.m_Tasks[0]->m_nTaskId, 3);
    EXPECT_EQ(again.m_nHighestId, 4);
    EXPECT_EQ(LoadGolden("v1.20.tsl").m_Tasks[0]->m_nTaskId, 7);
}

TEST(TaskListVersion, NumericVersionAndLayout) {
    EXPECT_EQ(tv::ParseListVersion("590"), 590);
    EXPECT_EQ(tv::ParseListVersion("2.00"), 2);
    EXPECT_EQ(tv::ParseListVersion(""), 584);
    EXPECT_EQ(tv::ParseListVersion(" \t+512x"), 512);
    EXPECT_EQ(tv::ParseListVersion("-3"), -3);
    EXPECT_EQ(tv::ParseListVersion("abc"), 0);
    EXPECT_EQ(tv::ParseListVersion("99999999999999999999"), INT32_MAX);
    EXPECT_FALSE(tv::FormatOfVersion("1.30", 1));
    EXPECT_FALSE(tv::FormatOfVersion("-600", -600));
    EXPECT_EQ(tv::FormatOfVersion("1.11", 1)->m_layout, tv::BodyLayout::V110);
    EXPECT_EQ(tv::FormatOfVersion("469.5", 469)->m_layout, tv::BodyLayout::Current);
}

TEST(TaskListVersion, OldMasksBecomeWildcards) {
    EXPECT_EQ(tv::ConvertOldMasks("doc txt;bak"), "*.doc *.txt *.bak");
    EXPECT_EQ(tv::ConvertOldMasks("doc"), "*.doc");
    // Empty pieces (", " between extensions, or a trailing separator) give no mask "*.".
    EXPECT_EQ(tv::ConvertOldMasks("doc, txt;"), "*.doc *.txt");
    EXPECT_EQ(tv::ConvertOldMasks(" ;,"), "");
}
