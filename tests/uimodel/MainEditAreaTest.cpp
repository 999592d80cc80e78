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
    // Every control of the edit area and every command that changes the edit copy, each with
    // a value other than the one shown.
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
        e.BrowseTarget();
        e.ClearAllFields();
    }
    std::vector<uint8_t> Stored(int row) {
        tv::CElement copy = TaskAt(row);
        return tv::StoreTaskBody(copy);
    }
    const std::string& Status() { return m_presenter->StatusText(); }
};

TEST_F(MainEditArea, ALockedTaskKeepsItsSettingsAndOnlyItsLockBoxWorks) {
    auto& e = m_presenter->Editor();
    const int row = AddTask("1");
    e.SetTargetText(Dir("second"));
    e.AddTarget();
    EXPECT_TRUE(e.SetLocked(true));
    EXPECT_EQ(e.Access(), EditAccess::Locked);
    e.ApplyEdits();
    const std::vector<uint8_t> before = Stored(row);
    const tv::CElement shown = e.EditCopy();

    TryEveryEdit();
    EXPECT_FALSE(e.EditsPending());
    EXPECT_EQ(e.NameText(), "task 1");
    EXPECT_EQ(e.TargetRows(), (std::vector<std::string>{Dir("dst1"), Dir("second")}));
    EXPECT_EQ(e.PreviewChecked(), shown.Has1(tv::opt1::kPreview));
    e.ApplyEdits();
    EXPECT_EQ(Stored(row), before);
    // Its targets can still be looked through.
    e.ShowTargetRow(1);
    EXPECT_EQ(e.TargetText(), Dir("second"));

    // The lock box stays usable: No keeps the lock, Yes opens the task to edits again.
    EXPECT_TRUE(e.LockBoxEnabled());
    m_dialogs.m_answers = {PromptAnswer::No, PromptAnswer::Yes};
    EXPECT_TRUE(e.SetLocked(false));
    EXPECT_EQ(e.Access(), EditAccess::Locked);
    EXPECT_FALSE(e.SetLocked(false));
    EXPECT_EQ(e.Access(), EditAccess::Open);
    e.SetNameText("renamed");
    e.ApplyEdits();
    EXPECT_EQ(m_presenter->List().RowName(row), "renamed");
    EXPECT_FALSE(TaskAt(row).Has3(tv::opt3::kLockSettings));

    // A running task's lock box waits for the run, like the rest of the area.
    m_views.m_actions[TaskAt(row).m_nTaskId] = AtCompare::Pause;
    m_presenter->Synch();
    ASSERT_TRUE(m_views.PumpUntil([&] { return m_views.ObserverReached(0); }));
    EXPECT_EQ(e.Access(), EditAccess::Running);
    EXPECT_FALSE(e.LockBoxEnabled());
    EXPECT_FALSE(e.SetLocked(true));
    const_cast<tv::CElement&>(TaskAt(row)).m_Run.SetPaused(false);
    ASSERT_TRUE(PumpRuns());
}

TEST_F(MainEditArea, WithoutATaskNothingIsTypedIntoTheVoidAndRunsSayWhy) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    EXPECT_EQ(e.Access(), EditAccess::NoTask);
    EXPECT_FALSE(e.LockBoxEnabled());
    TryEveryEdit();
    EXPECT_FALSE(e.SetLocked(true));
    EXPECT_FALSE(e.EditsPending());
    EXPECT_EQ(e.NameText(), "NEW TASK");
    EXPECT_EQ(e.SourceText(), "");

    const std::string noTask =
        "There is no task to run: make one with NEW TASK, or open a task list.";
    for (const auto& command :
         {&tv::CMainPresenter::Synch, &tv::CMainPresenter::SynchAll, &tv::CMainPresenter::Replace,
          &tv::CMainPresenter::Restore, &tv::CMainPresenter::EqualizeToSource}) {
        (p.*command)();
        EXPECT_EQ(Status(), noTask);
    }
    EXPECT_EQ(p.Runs().Outstanding(), 0);
    EXPECT_TRUE(m_dialogs.m_asked.empty());

    // The first task opens the area; with no row selected the status says so.
    e.NewTask();
    EXPECT_EQ(e.Access(), EditAccess::Open);
    e.SetNameText("typed");
    EXPECT_TRUE(e.EditsPending());
    e.SelectRows({}, -1);
    p.Synch();
    EXPECT_EQ(Status(), "No task is selected: select the tasks to run in the list.");
    EXPECT_EQ(p.List().RowName(0), "typed");

    // Deleting the last task closes the area again.
    e.SelectRows({0}, 0);
    p.DeleteTasks();
    EXPECT_EQ(p.List().RowCount(), 0);
    EXPECT_EQ(e.Access(), EditAccess::NoTask);
}

TEST_F(MainEditArea, SynchAllAndReplaceNameTheRealTimeTasksTheyPassOver) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    AddTask("1");
    const int realtime = AddTask("2");
    e.SetKind(2);
    e.ApplyEdits();
    const std::string passedOver =
        "Not run, since real-time tasks cannot be started in this version yet: \"task 2\" (" +
        std::to_string(TaskAt(realtime).m_nTaskId) + ")";

    p.SynchAll();
    EXPECT_EQ(p.Runs().Outstanding(), 1);
    EXPECT_EQ(Status(), passedOver);
    ASSERT_TRUE(PumpRuns());
    EXPECT_EQ(FilesIn("dst1"), 3u);
    EXPECT_EQ(FilesIn("dst2"), 0u);

    e.SelectRows({0, 1}, 0);
    p.Replace();
    EXPECT_EQ(Status(), passedOver);
    ASSERT_TRUE(PumpRuns());
    e.SelectRows({0}, 0);
    p.Replace();  // nothing passed over: the line is emptied
    EXPECT_EQ(Status(), "");
    ASSERT_TRUE(PumpRuns());
}

TEST_F(MainEditArea, CancelingTheRunsToOpenAListOpensItOnceTheyHaveEnded) {
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
    EXPECT_EQ(m_dialogs.m_asked.back(), "There are unfinished tasks\nDO you wish to cancel them?");
    EXPECT_EQ(Status(),
              "The running tasks are being canceled; the task list follows once they have ended.");
    p.Editor().SelectRows({1}, 1);
    p.Synch();  // nothing starts while the list waits
    EXPECT_EQ(p.List().RowCount(), 2);

    ASSERT_TRUE(m_views.PumpUntil([&] { return p.List().RowCount() == 1; }));
    EXPECT_EQ(p.List().Path(), other);
    EXPECT_EQ(p.Runs().Outstanding(), 0);
    EXPECT_EQ(Status(), "");
    EXPECT_EQ(FilesIn("dst1"), 0u);
    EXPECT_EQ(FilesIn("dst2"), 0u);
    EXPECT_EQ(m_dialogs.m_asked.back(), "Tasks List changed.\nSave it?");
}

}  // namespace
