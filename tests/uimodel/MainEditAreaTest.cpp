// What the edit area may change (a locked task, no task at all), and what the run commands say
// when they start nothing or pass tasks over.
#include "MainTestSupport.h"
#include "task/TaskList.h"

namespace {

using namespace tvtest;
using tv::EditAccess;
using tv::PromptAnswer;

class MainEditArea : public CMainTest {
  protected:
    // Every control and command that changes the edit copy, each to another value.
    void TryEveryEdit() {
        tv::CTaskEditor& e = m_presenter->Editor();
        e.SetNameText("typed name");
        e.SetSourceText("/typed/source");
        e.SetTargetText("/typed/target");
        e.SetMode(1 - e.ModeIndex());
        e.SetKind(e.KindIndex() == 1 ? 0 : 1);
        e.SetTargetsUsage(1 - e.TargetsUsageIndex());
        e.SetArchiveTarget(!e.ArchiveTarget());
        e.SetIncludeSubfolders(!e.IncludeSubfolders());
        e.SetPreview(!e.PreviewChecked());
        e.AddTarget();
        e.SetTargetSelection({0});
        e.DeleteTargets();
        e.Swap();
        e.BrowseSource();  // would fail the test by asking: nothing is scripted
        e.ClearAllFields();
        EXPECT_FALSE(e.EditsPending());
    }
    std::vector<uint8_t> Stored(int row) {
        tv::CElement copy = TaskAt(row);
        return tv::StoreTaskBody(copy);
    }
    const std::string& Status() { return m_presenter->StatusText(); }
};

TEST_F(MainEditArea, ALockedTaskKeepsItsSettingsUntilItsLockBoxIsCleared) {
    auto& e = m_presenter->Editor();
    const int row = AddTask("1");
    EXPECT_TRUE(e.SetLocked(true));
    e.ApplyEdits();
    const std::vector<uint8_t> locked = Stored(row);
    EXPECT_EQ(e.Access(), EditAccess::Locked);
    TryEveryEdit();
    e.ApplyEdits();
    EXPECT_EQ(Stored(row), locked);

    m_dialogs.m_answers = {PromptAnswer::No, PromptAnswer::Yes};
    EXPECT_TRUE(e.SetLocked(false));  // No keeps the lock
    EXPECT_FALSE(e.SetLocked(false));
    e.SetNameText("renamed");
    e.ApplyEdits();
    EXPECT_EQ(m_presenter->List().RowName(row), "renamed");
}

TEST_F(MainEditArea, WithoutATaskNothingIsTypedAndRunCommandsSayWhy) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    EXPECT_EQ(e.Access(), EditAccess::NoTask);
    TryEveryEdit();
    EXPECT_FALSE(e.SetLocked(true));
    for (const auto command : {&tv::CMainPresenter::Synch, &tv::CMainPresenter::SynchAll,
                               &tv::CMainPresenter::Replace, &tv::CMainPresenter::Restore}) {
        (p.*command)();
        EXPECT_EQ(Status(),
                  "There is no task to run: make one with NEW TASK, or open a task list.");
    }
    EXPECT_TRUE(m_dialogs.m_asked.empty());

    e.NewTask();
    e.SetNameText("typed");
    e.SelectRows({}, -1);
    p.Synch();
    EXPECT_EQ(Status(), "No task is selected: select the tasks to run in the list.");
    EXPECT_EQ(p.List().RowName(0), "typed");
    e.SelectRows({0}, 0);
    p.DeleteTasks();
    EXPECT_EQ(e.Access(), EditAccess::NoTask);
}

TEST_F(MainEditArea, SynchAllAndReplaceNameTheRealTimeTasksTheyPassOver) {
    auto& p = *m_presenter;
    AddTask("1");
    const int realtime = AddTask("2");
    p.Editor().SetKind(2);
    p.SynchAll();
    EXPECT_EQ(Status(),
              "Not run, since real-time tasks cannot be started in this version yet: \"task 2\" (" +
                  std::to_string(TaskAt(realtime).m_nTaskId) + ")");
    ASSERT_TRUE(PumpRuns());
    EXPECT_EQ(FilesIn("dst1"), 3u);
    p.Editor().SelectRows({0}, 0);
    p.Replace();  // nothing passed over: the line is emptied
    EXPECT_EQ(Status(), "");
    ASSERT_TRUE(PumpRuns());
}

// Yes to "DO you wish to cancel them?" cancels the runs, and the list is opened once they ended.
TEST_F(MainEditArea, AListOpenedDuringRunsFollowsOnceTheCanceledRunsHaveEnded) {
    auto& p = *m_presenter;
    AddTask("1");
    const std::string other = Dir("lists") + "/other.tsl";
    m_dialogs.m_files.push_back(other);
    ASSERT_TRUE(p.SaveAs());
    AddTask("2");
    m_views.m_actions[TaskAt(0).m_nTaskId] = AtCompare::Pause;
    p.Editor().SelectRows({0}, 0);
    p.Synch();
    ASSERT_TRUE(m_views.PumpUntil([&] { return m_views.ObserverReached(0); }));

    m_dialogs.m_answers = {PromptAnswer::Yes};
    m_dialogs.m_threeWay = {tv::YesNoCancel::No};  // the changed list is not saved
    EXPECT_FALSE(p.OpenListFile(other));
    p.Editor().SelectRows({1}, 1);
    p.Synch();  // nothing starts while the list waits
    ASSERT_TRUE(m_views.PumpUntil([&] { return p.List().RowCount() == 1; }));
    EXPECT_EQ(p.List().Path(), other);
    EXPECT_EQ(p.Runs().Outstanding(), 0);
    EXPECT_EQ(FilesIn("dst1") + FilesIn("dst2"), 0u);
    EXPECT_EQ(m_dialogs.m_asked,
              (std::vector<std::string>{"Save as",
                                        "There are unfinished tasks\nDO you wish to cancel them?",
                                        "Tasks List changed.\nSave it?"}));
}

}  // namespace
