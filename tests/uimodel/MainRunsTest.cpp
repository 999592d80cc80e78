// Runs started from the main window: sequencing, the summary, shutdown and the exit routine.
#include <cstdlib>

#include "MainTestSupport.h"

namespace {

using namespace tvtest;
using tv::PromptAnswer;
using tv::RunEnd;

class MainRuns : public CMainTest {
  protected:
    void Consecutive(bool on) {
        const uint32_t prefs = m_presenter->Preferences() & ~tv::pref::kConsecutive;
        m_presenter->SetPreferences(on ? prefs | tv::pref::kConsecutive : prefs);
    }
    void SetShutdownFlag(int row) {
        m_presenter->Editor().SelectRows({row}, row);
        const_cast<tv::CElement&>(TaskAt(row)).m_dwOptions2 |= tv::opt2::kShutdown;
    }
    // The shutdown command leaves a mark instead of switching anything off.
    std::string MarkShutdown() {
        const std::string mark = (m_home.Root() / "shut-down").string();
        setenv("TWINVALE_SHUTDOWN_CMD", ("touch '" + mark + "'").c_str(), 1);
        return mark;
    }
};

TEST_F(MainRuns, SynchRunsTheSelectedTaskAndUpdatesItsLastRun) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    const int row = AddTask("1");
    EXPECT_EQ(p.RowLastRun(row), "");
    m_listener.m_events.clear();
    p.Synch();
    EXPECT_EQ(m_listener.m_events, std::vector<std::string>{"runs"});
    EXPECT_EQ(p.Runs().Outstanding(), 1);
    EXPECT_EQ(e.Access(), tv::EditAccess::Running);
    EXPECT_EQ(p.RowLastRun(row), "Running...");
    e.SetNameText("ignored while running");
    EXPECT_EQ(e.NameText(), "task 1");
    ASSERT_TRUE(PumpRuns());
    EXPECT_EQ(FilesIn("dst1"), 3u);
    EXPECT_NE(p.RowLastRun(row), "");
    EXPECT_NE(p.RowLastRun(row), "Running...");
    EXPECT_EQ(e.Access(), tv::EditAccess::Open);
    // The view hears of the new "Last run" text and of the edit area that may be used again.
    EXPECT_EQ(m_listener.m_events,
              (std::vector<std::string>{"runs", "row " + std::to_string(row), "runs"}));
    EXPECT_TRUE(m_dialogs.m_messages.empty());  // one task: no summary box
}

TEST_F(MainRuns, ConsecutiveRunsStartOneAfterTheOthersEnd) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    Consecutive(true);
    AddTask("1");
    AddTask("2");
    e.SelectRows({0, 1}, 1);
    p.Synch();
    EXPECT_EQ(p.Runs().Outstanding(), 1);
    ASSERT_TRUE(PumpRuns());
    const std::string first = std::to_string(TaskAt(0).m_nTaskId);
    const std::string second = std::to_string(TaskAt(1).m_nTaskId);
    EXPECT_EQ(m_views.Events(),
              (std::vector<std::string>{"open " + first, "end", "open " + second, "end"}));
    EXPECT_EQ(FilesIn("dst1"), 3u);
    EXPECT_EQ(FilesIn("dst2"), 3u);
    EXPECT_EQ(m_views.m_sequences, (std::vector<int>{1, 2}));
}

TEST_F(MainRuns, StoppingTheFirstOfConsecutiveRunsCanStopTheRest) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    Consecutive(true);
    AddTask("1");
    AddTask("2");
    m_views.m_actions[TaskAt(0).m_nTaskId] = AtCompare::Cancel;
    e.SelectRows({0, 1}, 0);
    m_dialogs.m_answers = {PromptAnswer::Yes};
    p.Synch();
    ASSERT_TRUE(PumpRuns());
    EXPECT_EQ(TaskAt(0).m_Run.Ending(), RunEnd::Canceled);
    EXPECT_EQ(TaskAt(1).m_Run.Ending(), RunEnd::None);
    EXPECT_EQ(FilesIn("dst2"), 0u);
    ASSERT_EQ(m_dialogs.m_asked.size(), 2u);
    EXPECT_EQ(m_dialogs.m_asked[0], "Stop all tasks?");
    ASSERT_EQ(m_dialogs.m_messages.size(), 1u);  // the summary holds the stopped task only
    EXPECT_EQ(m_dialogs.m_messages[0].second, "Task ID: " + std::to_string(TaskAt(0).m_nTaskId));

    // No goes on with the next task.
    m_dialogs.m_answers = {PromptAnswer::No};
    p.Synch();
    ASSERT_TRUE(PumpRuns());
    EXPECT_EQ(TaskAt(1).m_Run.Ending(), RunEnd::Normal);
    EXPECT_EQ(FilesIn("dst2"), 3u);
}

TEST_F(MainRuns, SeveralRunsEndWithOneSummary) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    AddTask("1");
    AddTask("2", 2);
    e.SelectRows({0, 1}, 0);
    p.Synch();
    EXPECT_EQ(p.Runs().Outstanding(), 2);
    EXPECT_TRUE(p.Runs().SeveralStarted());
    ASSERT_TRUE(PumpRuns());
    ASSERT_EQ(m_dialogs.m_messages.size(), 1u);
    const auto& [text, caption] = m_dialogs.m_messages[0];
    const int id1 = TaskAt(0).m_nTaskId, id2 = TaskAt(1).m_nTaskId;
    EXPECT_NE(text.find("Task ID: " + std::to_string(id1) +
                        "(task 1)\n"
                        "Files copied  (from src/from target): 3 / 0       "
                        "Files deleted (from src/from target): 0 / 0"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Task ID: " + std::to_string(id2) + "(task 2)"), std::string::npos);
    EXPECT_TRUE(caption == "Task ID: " + std::to_string(id1) + " " + std::to_string(id2) ||
                caption == "Task ID: " + std::to_string(id2) + " " + std::to_string(id1))
        << caption;

    // With "Close task's progress window if no errors occurred" there is no box.
    p.SetPreferences(p.Preferences() | tv::pref::kCloseProgressIfOk);
    p.SynchAll();
    ASSERT_TRUE(PumpRuns());
    EXPECT_EQ(m_dialogs.m_messages.size(), 1u);
}

TEST_F(MainRuns, ReplaceDoesNotShutDownButSynchDoesAfterTheLastRun) {
    auto& p = *m_presenter;
    const std::string mark = MarkShutdown();
    AddTask("1");
    SetShutdownFlag(0);
    p.Replace();
    ASSERT_TRUE(PumpRuns());
    EXPECT_FALSE(fs::exists(mark));
    EXPECT_FALSE(p.Runs().ShutdownPending());

    m_dialogs.m_threeWay = {tv::YesNoCancel::No};  // the exit routine that follows
    p.Synch();
    EXPECT_TRUE(p.Runs().ShutdownPending());
    ASSERT_TRUE(PumpRuns());
    EXPECT_TRUE(fs::exists(mark));
    EXPECT_TRUE(p.ExitReady());
}

TEST_F(MainRuns, ACanceledRunDropsThePendingShutdown) {
    auto& p = *m_presenter;
    const std::string mark = MarkShutdown();
    AddTask("1");
    SetShutdownFlag(0);
    m_views.m_actions[TaskAt(0).m_nTaskId] = AtCompare::Cancel;
    p.Synch();
    ASSERT_TRUE(PumpRuns());
    EXPECT_FALSE(fs::exists(mark));
    EXPECT_FALSE(p.Runs().ShutdownPending());
}

TEST_F(MainRuns, ARunningTaskIsNeitherDeletedNorStartedAgain) {
    auto& p = *m_presenter;
    AddTask("1");
    m_views.m_actions[TaskAt(0).m_nTaskId] = AtCompare::Pause;
    p.Synch();
    ASSERT_TRUE(m_views.PumpUntil([&] { return m_views.ObserverReached(0); }));
    p.Synch();
    EXPECT_EQ(p.Runs().Outstanding(), 1);
    p.DeleteTasks();
    EXPECT_EQ(p.List().RowCount(), 1);
    EXPECT_EQ(m_dialogs.m_asked.back(), "Cannot delete the task because it is running.");
    m_dialogs.m_answers = {PromptAnswer::No, PromptAnswer::No};
    p.OpenListFile("other.tsl");
    EXPECT_EQ(m_dialogs.m_asked.back(), "There are unfinished tasks\nDO you wish to cancel them?");
    p.NewList();
    EXPECT_EQ(p.List().RowCount(), 1);
    EXPECT_EQ(p.Runs().Outstanding(), 1);

    const_cast<tv::CElement&>(TaskAt(0)).m_Run.SetPaused(false);
    ASSERT_TRUE(PumpRuns());
    EXPECT_EQ(FilesIn("dst1"), 3u);
}

TEST_F(MainRuns, ExitCancelsRunningTasksAndEndsWhenTheirEndsArrive) {
    auto& p = *m_presenter;
    AddTask("1");
    m_views.m_actions[TaskAt(0).m_nTaskId] = AtCompare::Pause;
    p.Synch();
    ASSERT_TRUE(m_views.PumpUntil([&] { return m_views.ObserverReached(0); }));

    m_dialogs.m_answers = {PromptAnswer::No};
    p.RequestExit();
    EXPECT_FALSE(p.ExitReady());
    EXPECT_EQ(p.Runs().Outstanding(), 1);

    m_dialogs.m_answers = {PromptAnswer::Yes};
    m_dialogs.m_threeWay = {tv::YesNoCancel::No};
    p.RequestExit();  // returns at once: the run's end finishes the routine
    EXPECT_FALSE(p.ExitReady());
    ASSERT_TRUE(m_views.PumpUntil([&] { return p.ExitReady(); }));
    EXPECT_EQ(TaskAt(0).m_Run.Ending(), RunEnd::Canceled);
    EXPECT_EQ(FilesIn("dst1"), 0u);
    const auto events = m_views.Events();
    EXPECT_NE(
        std::find(events.begin(), events.end(), "close " + std::to_string(TaskAt(0).m_nTaskId)),
        events.end());
}

// SIGTERM at logout finds nobody to answer: the run is canceled without a question, the
// routine still waits for its end, and nobody is asked about the changed list.
TEST_F(MainRuns, ASignalsExitAsksNothingAndWaitsForTheCanceledRun) {
    auto& p = *m_presenter;
    AddTask("1");
    m_views.m_actions[TaskAt(0).m_nTaskId] = AtCompare::Pause;
    p.Synch();
    ASSERT_TRUE(m_views.PumpUntil([&] { return m_views.ObserverReached(0); }));
    m_dialogs.m_asked.clear();

    p.RequestExit(tv::ExitCause::Signal);
    EXPECT_FALSE(p.ExitReady());
    ASSERT_TRUE(m_views.PumpUntil([&] { return p.ExitReady(); }));
    EXPECT_TRUE(m_dialogs.m_asked.empty()) << m_dialogs.m_asked.front();
    EXPECT_EQ(TaskAt(0).m_Run.Ending(), RunEnd::Canceled);
    EXPECT_EQ(FilesIn("dst1"), 0u);
}

TEST_F(MainRuns, RestoreAsksFirstAndRunsOnlyTheFirstSelectedTask) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    AddTask("1");
    AddTask("2");
    WriteFile(m_home.Root() / "dst1" / "only-in-target", "t");
    e.SelectRows({0, 1}, 0);
    m_dialogs.m_okCancel = {false, true};
    p.Restore();
    EXPECT_EQ(p.Runs().Outstanding(), 0);
    p.Restore();
    EXPECT_EQ(p.Runs().Outstanding(), 1);
    ASSERT_TRUE(PumpRuns());
    EXPECT_TRUE(fs::exists(m_home.Root() / "src1" / "only-in-target"));
    EXPECT_EQ(TaskAt(1).m_Run.Ending(), RunEnd::None);
}

}  // namespace
