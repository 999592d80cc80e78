// The new-task wizard from its first page to a run of the task it made.
#include "MainTestSupport.h"
#include "task/Options.h"
#include "uimodel/TaskWizard.h"

namespace {

using namespace tvtest;
using tv::CTaskWizardModel;
using tv::DialUpLayer;
using tv::WizardStep;

class TaskWizard : public CMainTest {
  protected:
    void NextUntil(CTaskWizardModel& wizard, WizardStep step) {
        while (wizard.CurrentStep() != step && !wizard.IsLast()) {
            wizard.Next();
        }
        ASSERT_EQ(wizard.CurrentStep(), step);
    }
};

// A backup task with an excluded folder chosen by its full path and a wildcard: Finish
// appends it with a fresh id, and its first run leaves out what was excluded.
TEST_F(TaskWizard, FinishedTaskGetsAFreshIdAndItsRunObeysTheExclusions) {
    auto& p = *m_presenter;
    const int first = AddTask("0");
    const std::string source = Dir("wsrc");
    Dir("wsrc/skip");
    Dir("wsrc/sub");
    for (const char* file : {"keep.txt", "drop.tmp", "skip/inner.txt", "sub/deep.txt"}) {
        WriteFile(fs::path(source) / file, file);
    }
    CTaskWizardModel wizard(m_app.ProgramDataFolder(), DialUpLayer::Absent);
    EXPECT_TRUE(wizard.IsFirst());
    wizard.m_nKind = 1;
    wizard.Next();
    ASSERT_EQ(wizard.CurrentStep(), WizardStep::Locations);
    wizard.SetSourceText(source);
    wizard.SetTargetText(Dir("wdst"));
    wizard.AddTarget();
    wizard.SetTargetText(Dir("wdst"));
    wizard.AddTarget();
    wizard.DeleteTarget(1);
    EXPECT_EQ(wizard.TargetRows(), std::vector<std::string>{Dir("wdst")});
    wizard.Next();
    // A backup task runs one way: its one-way options apply, and it shows the targets usage.
    EXPECT_FALSE(wizard.ShowsModes());
    EXPECT_TRUE(wizard.m_pages.m_general.OneWayEnabled());
    wizard.m_bPreview = false;
    NextUntil(wizard, WizardStep::Exclusion);
    wizard.m_pages.m_exclusion.m_bExcludeItems = true;
    wizard.m_pages.m_exclusion.m_items = {source + "/skip", "/elsewhere/x"};
    wizard.Next();
    wizard.m_pages.m_exclusion.m_bExcludeMasks = true;
    wizard.m_pages.m_exclusion.m_strExcludeMasks = "*.tmp";
    NextUntil(wizard, WizardStep::Ready);
    EXPECT_TRUE(wizard.IsLast());

    const tv::CElement task = wizard.Result();
    EXPECT_EQ(task.Kind(), tv::TaskKind::BackupRestore);
    EXPECT_EQ(task.m_ExcludedItems, (std::vector<std::string>{"/skip", "/elsewhere/x"}));
    EXPECT_EQ(task.m_strExcludeMasks, "*.TMP");
    EXPECT_EQ(task.m_strPreviewSound, m_app.ProgramDataFolder() + "/Snd1.wav");
    EXPECT_EQ(task.m_strFinishSound, m_app.ProgramDataFolder() + "/Snd2.wav");

    p.Editor().AppendWizardTask(task);
    ASSERT_EQ(p.List().RowCount(), 2);
    EXPECT_TRUE(p.List().Changed());
    EXPECT_EQ(p.Editor().Selection(), std::vector<int>{1});
    const int id = TaskAt(1).m_nTaskId;
    EXPECT_GT(id, TaskAt(first).m_nTaskId);
    EXPECT_EQ(id, tv::NewTaskId(m_app.FileSystem()) - 1);  // it was drawn from the counter

    p.Synch();
    ASSERT_TRUE(PumpRuns());
    const fs::path target = m_home.Root() / "wdst";
    EXPECT_TRUE(fs::exists(target / "keep.txt"));
    EXPECT_TRUE(fs::exists(target / "sub/deep.txt"));
    EXPECT_FALSE(fs::exists(target / "drop.tmp"));
    EXPECT_FALSE(fs::exists(target / "skip"));
    EXPECT_TRUE(fs::exists(fs::path(source) / "skip/inner.txt"));
}

// Page order, Back keeping the values, the one-way rule following step 1 and 3, an exclusion
// under a target, and a typed but never added target.
TEST_F(TaskWizard, PagesKeepTheirValuesAndTheTypedTargetIsNotLost) {
    CTaskWizardModel plain(m_app.ProgramDataFolder(), DialUpLayer::Absent);
    std::vector<int> numbers;
    for (WizardStep step : plain.Steps()) {
        numbers.push_back(CTaskWizardModel::StepNumber(step));
    }
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 9, 10, 11}));
    EXPECT_EQ(CTaskWizardModel(m_app.ProgramDataFolder(), DialUpLayer::Present).Steps().size(),
              11u);

    CTaskWizardModel wizard(m_app.ProgramDataFolder(), DialUpLayer::Absent);
    wizard.Next();
    wizard.SetSourceText("/data/src");
    wizard.SetTargetText("/backup/dst");
    wizard.Next();
    EXPECT_TRUE(wizard.ShowsModes());
    EXPECT_FALSE(wizard.m_pages.m_general.OneWayEnabled());  // synchronize folders: two-way
    wizard.m_nMode = 1;
    wizard.Next();
    wizard.Back();
    EXPECT_TRUE(wizard.m_pages.m_general.OneWayEnabled());
    wizard.Back();
    EXPECT_EQ(wizard.SourceText(), "/data/src");
    EXPECT_EQ(wizard.TargetText(), "/backup/dst");
    wizard.m_pages.m_exclusion.m_bExcludeItems = true;
    wizard.m_pages.m_exclusion.m_items = {"/backup/dst/old", "/data/src"};

    const tv::CElement task = wizard.Result();
    ASSERT_EQ(task.m_Targets.size(), 1u);
    EXPECT_EQ(task.m_Targets[0].m_strPath, "/backup/dst");
    EXPECT_EQ(task.Kind(), tv::TaskKind::Synchronization);
    EXPECT_EQ(task.Mode(), 1u);
    // The source itself cut to nothing is no entry at all.
    EXPECT_EQ(task.m_ExcludedItems, std::vector<std::string>{"/old"});
    EXPECT_TRUE(task.Has2(tv::opt2::kExcludeItems));
}

}  // namespace
