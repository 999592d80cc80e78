// The task commands and the edit copy of the main window.
#include "MainTestSupport.h"
#include "platform/FileSystem.h"
#include "platform/TaskCounter.h"
#include "report/TaskLog.h"
#include "task/PatternFile.h"

namespace {

using namespace tvtest;
using tv::PromptAnswer;

using MainTasks = CMainTest;

TEST_F(MainTasks, AnEmptyListRunsNothingAndEditsTheDefaults) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    p.Synch();
    p.SynchAll();
    p.Replace();
    p.Restore();
    p.EqualizeToTarget();
    p.EqualizeToSource();
    EXPECT_EQ(p.Runs().Outstanding(), 0);
    EXPECT_TRUE(m_views.Events().empty());
    EXPECT_TRUE(m_dialogs.m_asked.empty());
    EXPECT_EQ(e.NameText(), "NEW TASK");
    EXPECT_EQ(e.TaskIdText(), "");

    e.SetSourceText(Dir("a"));
    e.CloneTask();  // a clone needs a target as well
    EXPECT_EQ(p.List().RowCount(), 0);
}

TEST_F(MainTasks, NewTasksDrawIdsFromTheCounter) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    ASSERT_EQ(tv::ReadTaskCounter(tv::LocalFileSystem()), -1);
    e.NewTask();
    EXPECT_EQ(TaskAt(0).m_nTaskId, 1);
    EXPECT_EQ(tv::ReadTaskCounter(tv::LocalFileSystem()), 1);
    EXPECT_EQ(e.TaskIdText(), "Task ID: 1");
    e.NewTask();
    EXPECT_EQ(TaskAt(1).m_nTaskId, 2);
    EXPECT_EQ(tv::ReadTaskCounter(tv::LocalFileSystem()), 2);
    EXPECT_EQ(e.Selection(), std::vector<int>{1});
    EXPECT_EQ(e.EditedRow(), 1);
    EXPECT_TRUE(p.List().Changed());
}

TEST_F(MainTasks, ANewTaskTakesThePatternButNotTheSelectedTasksHiddenSettings) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    tv::CElement pattern;
    pattern.m_strName = "From pattern";
    pattern.m_nLogLimitKb = 77;
    ASSERT_TRUE(tv::SavePattern(tv::LocalFileSystem(), m_app.ProgramDataFolder(), pattern));
    e.NewTask();
    EXPECT_EQ(e.NameText(), "From pattern");
    EXPECT_EQ(TaskAt(0).m_nLogLimitKb, 77);

    tv::CTaskList list;
    auto task = std::make_unique<tv::CElement>();
    task->m_nTaskId = 40;
    task->m_ExcludedItems = {"/private"};
    list.m_Tasks.push_back(std::move(task));
    p.AdoptList(std::move(list));
    ASSERT_EQ(e.EditedRow(), 0);
    e.NewTask();
    EXPECT_TRUE(TaskAt(1).m_ExcludedItems.empty());
    EXPECT_NE(TaskAt(1).m_nTaskId, 40);
}

TEST_F(MainTasks, EditsReachTheStoredTaskOnlyWhenApplied) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    const int row = AddTask("1");
    e.SetNameText("renamed");
    EXPECT_EQ(p.List().RowName(row), "task 1");
    EXPECT_TRUE(e.EditsPending());
    e.UndoChanges();
    EXPECT_EQ(e.NameText(), "task 1");
    EXPECT_FALSE(e.EditsPending());

    e.SetNameText("renamed");
    AddTask("2");  // a new task applies the pending edits first
    EXPECT_EQ(p.List().RowName(row), "renamed");

    // Nothing is stored for a task without name and source.
    e.SelectRows({row}, row);
    e.SetNameText("");
    e.SetSourceText("");
    e.ApplyEdits();
    EXPECT_EQ(p.List().RowName(row), "renamed");
}

TEST_F(MainTasks, ATargetTypedIntoTheFieldIsTheOnlyTargetOfATaskWithoutTargets) {
    auto& e = m_presenter->Editor();
    const int row = AddTask("1");
    ASSERT_EQ(TaskAt(row).m_Targets.size(), 1u);
    EXPECT_EQ(TaskAt(row).m_Targets[0].m_strPath, Dir("dst1"));
    EXPECT_EQ(e.TargetRows(), std::vector<std::string>{Dir("dst1")});
}

TEST_F(MainTasks, TypingOverATargetAndAddingKeepsTheOldOneAndAppendsTheNew) {
    auto& e = m_presenter->Editor();
    const int row = AddTask("1");
    e.SetTargetText("/mnt/second");
    EXPECT_EQ(e.TargetRows(), std::vector<std::string>{"/mnt/second"});  // typed over
    e.AddTarget();
    EXPECT_EQ(e.TargetRows(), (std::vector<std::string>{Dir("dst1"), "/mnt/second"}));
    EXPECT_EQ(e.TargetRowShown(), 1);

    e.SetTargetSelection({0});
    e.DeleteTargets();
    EXPECT_EQ(e.TargetRows(), std::vector<std::string>{"/mnt/second"});
    e.Swap();
    EXPECT_EQ(e.SourceText(), "/mnt/second");
    EXPECT_EQ(e.TargetText(), Dir("src1"));
    e.ApplyEdits();
    EXPECT_EQ(TaskAt(row).m_Source.m_strPath, "/mnt/second");

    // An FTP location stays one when its shown text is typed back.
    e.SetSourceText("(FTP)site");
    EXPECT_EQ(e.SourceText(), "/mnt/second");
}

TEST_F(MainTasks, ABrowsedFolderReplacesAnFtpLocation) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    tv::CTaskList list;
    auto task = std::make_unique<tv::CElement>();
    task->m_nTaskId = 5;
    task->m_Source.m_strSiteName = "site";
    task->m_Source.m_strHost = "ftp.example.org";
    task->m_Source.m_bIsFtp = 1;
    list.m_Tasks.push_back(std::move(task));
    p.AdoptList(std::move(list));
    EXPECT_EQ(e.SourceText(), "(FTP)site");
    m_dialogs.m_files.push_back(Dir("chosen"));
    e.BrowseSource();
    EXPECT_EQ(e.SourceText(), Dir("chosen"));
    EXPECT_EQ(e.EditCopy().m_Source.m_strHost, "");
    EXPECT_EQ(e.EditCopy().m_Source.m_bIsFtp, 0);
}

TEST_F(MainTasks, KindRadiosAndTheLock) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    const int row = AddTask("1");
    e.SetKind(2);
    EXPECT_EQ(e.ModeIndex(), 1);  // a real-time task updates its target
    EXPECT_EQ(p.RowLastRun(row), "Stopped");
    e.SetKind(0);
    EXPECT_EQ(p.RowLastRun(row), "");

    EXPECT_TRUE(e.SetLocked(true));
    m_dialogs.m_answers = {PromptAnswer::No, PromptAnswer::Yes};
    EXPECT_TRUE(e.SetLocked(false));
    EXPECT_TRUE(e.Locked());
    EXPECT_FALSE(e.SetLocked(false));
    EXPECT_FALSE(e.Locked());

    // Kind bits that stand for no radio button show the first one, not a button past the end.
    tv::CTaskList list;
    list.m_Tasks.push_back(std::make_unique<tv::CElement>());
    list.m_Tasks[0]->m_nTaskId = 9;
    list.m_Tasks[0]->m_dwOptions |= tv::opt1::kKindMask;
    p.AdoptList(std::move(list));
    EXPECT_EQ(e.KindIndex(), 0);
}

TEST_F(MainTasks, DeleteAsksAndSelectsTheRowAtTheFirstDeletedPlace) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    p.SetPreferences(p.Preferences() | tv::pref::kConfirmDelete);
    AddTask("1");
    AddTask("2");
    AddTask("3");
    const int deletedId = TaskAt(1).m_nTaskId;
    const std::string log = tv::DefaultLogPath(deletedId);
    fs::create_directories(fs::path(log).parent_path());
    WriteFile(log, "old log");

    e.SelectRows({1, 2}, 2);
    m_dialogs.m_answers = {PromptAnswer::No};
    p.DeleteTasks();
    EXPECT_EQ(p.List().RowCount(), 3);

    m_dialogs.m_answers = {PromptAnswer::Yes};
    p.DeleteTasks();
    ASSERT_EQ(p.List().RowCount(), 1);
    EXPECT_EQ(p.List().RowName(0), "task 1");
    EXPECT_EQ(e.Selection(), std::vector<int>{0});  // the first deleted place is past the end
    EXPECT_EQ(e.NameText(), "task 1");
    EXPECT_FALSE(fs::exists(log));

    m_dialogs.m_answers = {PromptAnswer::Yes};
    p.DeleteTasks();
    EXPECT_EQ(p.List().RowCount(), 0);
    EXPECT_TRUE(e.Selection().empty());
    EXPECT_EQ(e.EditedRow(), -1);
    EXPECT_EQ(e.NameText(), "NEW TASK");
}

TEST_F(MainTasks, DeletingAMiddleRowSelectsTheRowThatTookItsPlace) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    AddTask("1");
    AddTask("2");
    AddTask("3");
    e.SelectRows({1}, 1);
    p.DeleteTasks();  // no confirmation by default
    ASSERT_EQ(p.List().RowCount(), 2);
    EXPECT_EQ(e.Selection(), std::vector<int>{1});
    EXPECT_EQ(e.NameText(), "task 3");
}

TEST_F(MainTasks, CloneCopiesTheEditCopyUnderANewId) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    const int row = AddTask("1");
    e.SetNameText("edited");
    e.CloneTask();
    ASSERT_EQ(p.List().RowCount(), 2);
    EXPECT_EQ(p.List().RowName(row), "edited");
    EXPECT_EQ(p.List().RowName(1), "edited");
    EXPECT_NE(TaskAt(1).m_nTaskId, TaskAt(0).m_nTaskId);
    EXPECT_EQ(e.EditedRow(), 1);
    EXPECT_EQ(TaskAt(1).m_Targets.size(), 1u);
}

}  // namespace
