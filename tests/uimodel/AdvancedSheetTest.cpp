// The task settings sheet: what each page stores, which controls apply, and how its values
// reach one task, every task, the pattern of new tasks and the snapshot.
#include <random>
#include <thread>

#include "MainTestSupport.h"
#include "run/Snapshot.h"
#include "support/FaultFileSystem.h"
#include "uimodel/AdvancedSheet.h"
#include "uimodel/AdvancedStrings.h"

namespace {

using namespace tvtest;

// A task with every page field set at random to a value the pages can show.
tv::CElement RandomTask(std::mt19937& random) {
    auto bits = [&](uint32_t mask) { return static_cast<uint32_t>(random()) & mask; };
    auto pick = [&](int high) { return static_cast<int>(random() % (high + 1)); };
    auto text = [&] { return "t" + std::to_string(random() % 1000); };
    tv::CElement t;
    t.m_strName = "random";
    t.m_nTaskId = 5;
    t.m_Source.m_strPath = "/data/src";
    t.m_Targets.emplace_back().m_strPath = "/data/dst";
    t.m_dwOptions = bits(0x1800 | 0x4000 | 0x5FB) & ~0x1800u;
    t.m_dwOptions2 = bits(0x1FDF) | (random() % 2 ? 0x2000 : bits(0x4000));
    t.m_dwOptions3 = bits(0x7FFF);
    t.m_dwOptions4 = bits(0xF);
    t.m_dwOptions2 = (t.m_dwOptions2 & ~tv::opt2::kPolicyMask) |
                     (static_cast<uint32_t>(pick(2)) << tv::opt2::kPolicyShift);
    t.m_bTargetsInTurn = (t.m_dwOptions2 & tv::opt2::kTargetsInTurn) ? 1 : 0;
    t.m_ExcludedItems = {"/" + text(), "/a/" + text()};
    t.m_strExcludeMasks = "*.T" + std::to_string(random() % 10);
    t.m_strIncludeMasks = "*.JPG;~*";
    t.m_bUseSnapshot = pick(1);
    t.m_bDeleteSourceAfterRun = pick(1);
    t.m_nAgeValue = pick(999);
    t.m_nAgeUnit = pick(5);
    t.m_nStartDelay = pick(600);
    t.m_timePeriodFrom = 1'700'000'000 + pick(1000);
    t.m_timePeriodTo = 1'800'000'000 + pick(1000);
    t.m_nMaxSizeMb = pick(5000);
    t.m_nLogLimitKb = 1 + pick(9999);
    t.m_nCompareMode = pick(5);
    t.m_strHtmlLogFile = text();
    t.m_strAltLogDir = text();
    t.m_strAltCopyDir = text();
    t.m_bMailReport = pick(1);
    t.m_nMailWhen = pick(2);
    t.m_nMailContent = pick(1);
    t.m_strSmtpServer = text();
    t.m_strMailFrom = text();
    t.m_strMailTo = text();
    t.m_bNetSend = pick(1);
    t.m_strNetSendTo = text();
    t.m_nNetSendWhen = pick(2);
    t.m_bPreviewSound = pick(1);
    t.m_strPreviewSound = text();
    t.m_bFinishSound = pick(1);
    t.m_strFinishSound = text();
    t.m_bDialUp = pick(1);
    t.m_strRasEntry = text();
    t.m_bRasHangUp = pick(1);
    t.m_bRunBefore = pick(1);
    t.m_bRunAfter = pick(1);
    t.m_strRunBefore = text();
    t.m_strRunAfter = text();
    return t;
}

// What the main window owns of a task, not the sheet: taken over from `from` alone.
tv::CElement OnlyMainWindowFields(const tv::CElement& from) {
    constexpr uint32_t kMain1 = 0x3 | 0x20 | 0x80 | 0x1800;
    constexpr uint32_t kMain3 = tv::opt3::kArchiveTarget | tv::opt3::kLockSettings;
    tv::CElement t;
    t.m_strName = from.m_strName;
    t.m_nTaskId = from.m_nTaskId;
    t.m_Source = from.m_Source;
    t.m_Targets = from.m_Targets;
    t.m_dwOptions = (t.m_dwOptions & ~kMain1) | (from.m_dwOptions & kMain1);
    t.m_dwOptions2 = from.m_dwOptions2 & tv::opt2::kTargetsInTurn;
    t.m_bTargetsInTurn = from.m_bTargetsInTurn;
    t.m_dwOptions3 = (t.m_dwOptions3 & ~kMain3) | (from.m_dwOptions3 & kMain3);
    return t;
}

TEST(AdvancedSheet, EveryPageFieldGoesThroughTheSheetAndNothingElseIsTouched) {
    std::mt19937 random(13);
    for (int round = 0; round < 300; ++round) {
        const tv::CElement task = RandomTask(random);
        tv::CElement stored = OnlyMainWindowFields(task);
        tv::CAdvancedSheet(task, tv::DialUpLayer::Present).Store(stored);
        ASSERT_TRUE(tv::EqualFields(stored, task)) << "round " << round;
    }
}

TEST(AdvancedSheet, ControlsApplyAsTheTaskAndTheirBoxesSay) {
    tv::CElement sync;
    tv::CElement update = sync;
    update.m_dwOptions |= 1;  // "Target update only"
    tv::CElement backup;
    backup.m_dwOptions |= 1u << tv::opt1::kKindShift;
    backup.m_dwOptions3 |= tv::opt3::kArchiveTarget;
    const tv::CAdvancedSheet two(sync, tv::DialUpLayer::Absent);
    const tv::CAdvancedSheet one(update, tv::DialUpLayer::Absent);
    const tv::CAdvancedSheet zip(backup, tv::DialUpLayer::Present);
    EXPECT_FALSE(two.m_general.OneWayEnabled());
    EXPECT_TRUE(one.m_general.OneWayEnabled());
    EXPECT_TRUE(zip.m_general.OneWayEnabled());
    EXPECT_FALSE(one.m_general.ZipDateEnabled());
    EXPECT_TRUE(zip.m_general.ZipDateEnabled());
    EXPECT_EQ(two.Pages().size(), 7u);  // no Dial-up tab without the layer
    EXPECT_EQ(zip.Pages()[4], tv::AdvancedPage::DialUp);
    EXPECT_EQ(zip.Pages().back(), tv::AdvancedPage::Cd);

    tv::CAdvancedSheet s(sync, tv::DialUpLayer::Present);
    EXPECT_FALSE(s.m_general.PolicyEnabled() || s.m_general.HtmlFileEnabled() ||
                 s.m_general.AltLogDirEnabled() || s.m_general.AltCopyDirEnabled());
    s.m_general.m_bOwnPreferences = s.m_general.m_bHtmlLog = true;
    EXPECT_TRUE(s.m_general.PolicyEnabled() && s.m_general.HtmlFileEnabled());
    EXPECT_TRUE(s.m_general.SetDeleteFromTarget(true).has_value());
    EXPECT_FALSE(s.m_general.SetDeleteFromTarget(true).has_value());  // only when switched on
    s.m_general.SetLogLimitKb(0);
    EXPECT_EQ(s.m_general.m_nLogLimitKb, 1);
    s.m_general.SetLogLimitKb(20000);
    EXPECT_EQ(s.m_general.m_nLogLimitKb, 10000);

    EXPECT_FALSE(s.m_timeLimit.AgeEnabled() || s.m_timeLimit.DuringEnabled());
    s.m_timeLimit.m_bTimeLimit = true;
    EXPECT_TRUE(s.m_timeLimit.AgeEnabled() && !s.m_timeLimit.DuringEnabled());
    s.m_timeLimit.m_bDuring = true;
    EXPECT_TRUE(!s.m_timeLimit.AgeEnabled() && s.m_timeLimit.DuringEnabled());

    s.m_ftp.SetUpperCase(true);
    s.m_ftp.SetLowerCase(true);
    EXPECT_FALSE(s.m_ftp.m_bUpperCase);
    s.m_ftp.SetUpperCase(true);
    EXPECT_FALSE(s.m_ftp.m_bLowerCase);
    EXPECT_FALSE(s.m_cd.FullEraseEnabled());
    EXPECT_TRUE(s.m_notify.SoundEnabled(tv::SoundSlot::Preview) == false);

    // The masks are stored upper-cased, the entries below a root relative to it.
    s.m_exclusion.m_strExcludeMasks = "*.tmp; ~*";
    s.m_exclusion.m_items = {"/data/src/cache", "/elsewhere/x"};
    tv::CElement out;
    out.m_Source.m_strPath = "/data/src";
    s.Store(out);
    EXPECT_EQ(out.m_strExcludeMasks, "*.TMP; ~*");
    EXPECT_EQ(out.m_ExcludedItems, (std::vector<std::string>{"/cache", "/elsewhere/x"}));
}

TEST(AdvancedSheet, AServiceUserWithoutDomainIsOfThisComputer) {
    tv::CRealtimeSettings settings;
    tv::CElement task;
    EXPECT_FALSE(settings.AccountEnabled());
    settings.m_nAccount = 1;
    EXPECT_TRUE(settings.AccountEnabled());
    for (const auto& [typed, stored] : std::vector<std::pair<std::string, std::string>>{
             {"ann", ".\\ann"}, {"HOME\\ann", "HOME\\ann"}, {"", ""}}) {
        settings.m_strUser = typed;
        settings.Store(task);
        EXPECT_EQ(task.m_strServiceUser, stored);
    }
}

using AdvancedCommands = CMainTest;

TEST_F(AdvancedCommands, SetToAllTasksCopiesTheSettingsButNotWhatMakesEachTask) {
    tv::AddAdvancedStrings();
    auto& e = m_presenter->Editor();
    AddTask("a");
    AddTask("b");
    const int locked = AddTask("c");
    e.SetLocked(true);
    e.ApplyEdits();
    e.SelectSingle(0);
    ASSERT_TRUE(e.AdvancedEnabled());
    tv::CAdvancedSheet sheet(e.EditCopy(), tv::DialUpLayer::Absent);
    sheet.m_exclusion.m_bExcludeMasks = true;
    sheet.m_exclusion.m_strExcludeMasks = "*.tmp";
    sheet.m_general.m_nCompareMode = tv::COMPARE_BINARY;
    e.StoreAdvancedInAll(sheet);

    EXPECT_FALSE(e.EditsPending());
    EXPECT_TRUE(m_presenter->List().Changed());
    for (int row : {0, 1}) {
        EXPECT_EQ(TaskAt(row).m_strExcludeMasks, "*.TMP");
        EXPECT_EQ(TaskAt(row).m_nCompareMode, tv::COMPARE_BINARY);
        EXPECT_EQ(TaskAt(row).m_strName, row == 0 ? "task a" : "task b");
    }
    EXPECT_EQ(TaskAt(1).m_Source.m_strPath, Dir("srcb"));
    EXPECT_EQ(TaskAt(1).m_Targets.at(0).m_strPath, Dir("dstb"));
    EXPECT_EQ(TaskAt(locked).m_strExcludeMasks, "");
    ASSERT_EQ(m_dialogs.m_asked.size(), 1u);
    EXPECT_NE(m_dialogs.m_asked[0].find("task c"), std::string::npos);
}

TEST_F(AdvancedCommands, ThePatternCarriesTheSheetIntoTheNextNewTask) {
    auto& e = m_presenter->Editor();
    AddTask("a");
    tv::CAdvancedSheet sheet(e.EditCopy(), tv::DialUpLayer::Absent);
    sheet.m_exclusion.m_bIncludeMasks = true;
    sheet.m_exclusion.m_strIncludeMasks = "*.jpg";
    sheet.m_timeLimit.m_bStartDelay = true;
    sheet.m_timeLimit.m_nDelaySeconds = 30;
    ASSERT_TRUE(e.SaveAsPattern(sheet));
    EXPECT_EQ(TaskAt(0).m_strIncludeMasks, "");  // the pattern is not an edit of the task

    e.NewTask();
    const tv::CElement& made = TaskAt(1);
    EXPECT_EQ(made.m_strIncludeMasks, "*.JPG");
    EXPECT_TRUE(made.Has2(tv::opt2::kIncludeMasks) && made.Has3(tv::opt3::kStartDelay));
    EXPECT_EQ(made.m_nStartDelay, 30);
    EXPECT_NE(made.m_nTaskId, TaskAt(0).m_nTaskId);
}

TEST_F(AdvancedCommands, TheSnapshotJobWritesWhatTheSourceHolds) {
    auto& e = m_presenter->Editor();
    AddTask("a");
    EXPECT_FALSE(e.EditedTaskRunning());
    tv::CAdvancedSheet sheet(e.EditCopy(), tv::DialUpLayer::Absent);
    tv::CSnapshotJob job(tv::LocalFileSystem(), sheet.Applied(), tv::pref::kDefault);
    while (!job.Finished()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(job.Succeeded());
    EXPECT_TRUE(fs::exists(tv::SnapshotPath(TaskAt(0).m_nTaskId, 0)));

    e.SetSourceText(Dir("missing") + "/gone");
    tv::CSnapshotJob failing(tv::LocalFileSystem(), e.EditCopy(), tv::pref::kDefault);
    while (!failing.Finished()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(failing.Succeeded());
}

// A Cancel pressed the moment the job starts, before its worker has got going, stops the
// listing all the same: nothing is written, and the job says it failed.
TEST_F(AdvancedCommands, ASnapshotJobCanceledAtOnceWritesNothing) {
    auto& e = m_presenter->Editor();
    AddTask("a");
    std::mutex mutex;
    std::condition_variable changed;
    bool canceled = false;
    tvtest::CFaultFileSystem gated(tv::LocalFileSystem());
    // The listing waits for the cancel, so that it cannot be over before the cancel came.
    gated.OnCall([&](tvtest::CFaultFileSystem::Op op, const std::string&) {
        if (op == tvtest::CFaultFileSystem::Op::ReadFolder) {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return canceled; });
        }
    });
    tv::CSnapshotJob job(gated, e.EditCopy(), tv::pref::kDefault);
    job.Cancel();
    {
        std::lock_guard lock(mutex);
        canceled = true;
    }
    changed.notify_all();
    while (!job.Finished()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(job.Succeeded());
    EXPECT_FALSE(fs::exists(tv::SnapshotPath(TaskAt(0).m_nTaskId, 0)));
}

}  // namespace
