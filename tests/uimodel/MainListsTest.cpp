// Opening and saving task lists, and the exit routine of the main window.
#include "MainTestSupport.h"
#include "platform/FileSystem.h"
#include "platform/TaskCounter.h"
#include "task/TaskList.h"

namespace {

using namespace tvtest;
using tv::PromptAnswer;
using tv::YesNoCancel;

class MainLists : public CMainTest {
  protected:
    // A list file holding tasks with the given ids.
    std::string WriteList(const std::string& name, std::vector<int> ids) {
        tv::CTaskList list;
        for (int id : ids) {
            auto task = std::make_unique<tv::CElement>();
            task->m_nTaskId = id;
            task->m_strName = "task " + std::to_string(id);
            list.m_Tasks.push_back(std::move(task));
        }
        const std::string path = (m_home.Root() / name).string();
        list.m_strPath = path;  // keeps the ids
        EXPECT_TRUE(list.SaveFile(tv::LocalFileSystem(), path));
        return path;
    }
};

TEST_F(MainLists, LoadingRaisesTheIdCounterToTheListsHighestId) {
    const std::string path = WriteList("a.tsl", {7, 12});
    ASSERT_TRUE(tv::WriteTaskCounter(tv::LocalFileSystem(), 3));
    ASSERT_TRUE(m_presenter->OpenListFile(path));
    EXPECT_EQ(tv::ReadTaskCounter(tv::LocalFileSystem()), 12);
    EXPECT_EQ(m_presenter->List().Caption(), "Twinvale " + path);
    EXPECT_EQ(m_presenter->Editor().Selection(), std::vector<int>{0});
    EXPECT_FALSE(m_presenter->List().Changed());
    EXPECT_EQ(m_profile.GetProfileString("", "lasttl"), path);
    EXPECT_EQ(m_presenter->List().RecentLists().front(), path);
    m_presenter->Editor().NewTask();
    EXPECT_EQ(TaskAt(2).m_nTaskId, 13);
}

TEST_F(MainLists, AListThatCannotBeReadLeavesTheWindowEmpty) {
    const std::string good = WriteList("a.tsl", {1});
    ASSERT_TRUE(m_presenter->OpenListFile(good));
    const std::string junk = (m_home.Root() / "junk.tsl").string();
    WriteFile(junk, "");
    EXPECT_FALSE(m_presenter->OpenListFile(junk));
    EXPECT_EQ(m_presenter->List().RowCount(), 0);
    EXPECT_EQ(m_dialogs.m_asked.back(),
              "The file is not a task list.\n" + junk + "\nthe file has no version string");
    const std::string missing = (m_home.Root() / "missing.tsl").string();
    EXPECT_FALSE(m_presenter->OpenListFile(missing));
    EXPECT_EQ(m_dialogs.m_asked.back(),
              "Can't open file\n" + missing + "\nNo such file or directory");
    // A bare name that is in neither place is told as it was given, with the reason.
    EXPECT_FALSE(m_presenter->OpenListFile("nowhere.tsl"));
    EXPECT_EQ(m_dialogs.m_asked.back(), "Can't open file\nnowhere.tsl\nNo such file or directory");

    // A bare name is also looked for in the TLists folder; the start says nothing.
    const std::string listed = WriteList("data/Twinvale/TLists/kept.tsl", {4});
    m_dialogs.m_asked.clear();
    m_presenter->LoadAtStart("missing-at-start.tsl");
    EXPECT_TRUE(m_dialogs.m_asked.empty());
    m_presenter->LoadAtStart("kept.tsl");
    EXPECT_EQ(m_presenter->List().Path(), listed);
}

TEST_F(MainLists, SaveAsRenumbersAddsTheExtensionAndReopens) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    AddTask("1");
    AddTask("2");
    ASSERT_EQ(TaskAt(1).m_nTaskId, 2);
    const std::string folder = Dir("lists");
    m_dialogs.m_files.push_back(folder + "/mine");
    ASSERT_TRUE(p.SaveAs());
    const std::string path = folder + "/mine.tsl";
    EXPECT_EQ(p.List().Path(), path);
    EXPECT_EQ(p.List().LastDir(), folder);
    EXPECT_EQ(TaskAt(0).m_nTaskId, 3);
    EXPECT_EQ(TaskAt(1).m_nTaskId, 4);
    EXPECT_EQ(e.TaskIdText(), "Task ID: 4");
    EXPECT_EQ(tv::ReadTaskCounter(tv::LocalFileSystem()), 4);
    EXPECT_FALSE(p.List().Changed());

    e.SetNameText("changed");
    ASSERT_TRUE(p.Save());  // the same path keeps the ids
    EXPECT_EQ(TaskAt(1).m_nTaskId, 4);

    p.NewList();
    EXPECT_EQ(p.List().RowCount(), 0);
    EXPECT_EQ(p.List().Caption(), "Twinvale ");
    ASSERT_TRUE(p.OpenListFile(path));
    ASSERT_EQ(p.List().RowCount(), 2);
    EXPECT_EQ(p.List().RowName(1), "changed");
    EXPECT_EQ(TaskAt(1).m_nTaskId, 4);
    EXPECT_EQ(TaskAt(1).m_Targets.at(0).m_strPath, Dir("dst2"));

    m_dialogs.m_files.push_back(folder + "/dotted.list");
    ASSERT_TRUE(p.SaveAs());
    EXPECT_EQ(p.List().Path(), folder + "/dotted.list");
}

TEST_F(MainLists, AListThatCannotBeWrittenStaysChanged) {
    AddTask("1");
    const std::string path = (m_home.Root() / "no-such-folder/list.tsl").string();
    m_dialogs.m_files.push_back(path);
    EXPECT_FALSE(m_presenter->SaveAs());
    // The spec's text first, then the file and the system's reason.
    const std::string& said = m_dialogs.m_asked.back();
    EXPECT_TRUE(said.starts_with("Can't save task list\n")) << said;
    EXPECT_NE(said.find("'" + path + "'"), std::string::npos) << said;
    EXPECT_TRUE(said.ends_with(": No such file or directory")) << said;
    EXPECT_TRUE(m_presenter->List().Changed());
    EXPECT_EQ(TaskAt(0).m_nTaskId, 1);
}

TEST_F(MainLists, ExitSavesSilentlyWhenThePreferenceDoesNotAsk) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    AddTask("1");
    m_dialogs.m_files.push_back(Dir("lists") + "/exit.tsl");
    ASSERT_TRUE(p.SaveAs());
    p.SetPreferences(p.Preferences() & ~tv::pref::kAskSaveOnExit);
    e.SetNameText("renamed before exit");
    m_dialogs.m_asked.clear();
    p.RequestExit();
    EXPECT_TRUE(p.ExitReady());
    EXPECT_TRUE(m_dialogs.m_asked.empty());
    EXPECT_EQ(m_profile.GetProfileString("", "lasttl"), p.List().Path());
    EXPECT_EQ(m_profile.GetProfileString("", "lastdir"), Dir("lists"));

    tv::CTaskList reread;
    ASSERT_TRUE(reread.LoadFile(tv::LocalFileSystem(), p.List().Path(), m_profile).Ok());
    EXPECT_EQ(reread.m_Tasks.at(0)->m_strName, "renamed before exit");
}

TEST_F(MainLists, ExitAsksAboutAChangedListAndCancelKeepsTheWindow) {
    auto& p = *m_presenter;
    AddTask("1");
    m_dialogs.m_threeWay = {YesNoCancel::Cancel, YesNoCancel::No};
    p.RequestExit();
    EXPECT_FALSE(p.ExitReady());
    p.RequestExit();
    EXPECT_TRUE(p.ExitReady());
    EXPECT_EQ(m_dialogs.m_asked, (std::vector<std::string>{"Tasks List changed.\nSave it?",
                                                           "Tasks List changed.\nSave it?"}));
}

TEST_F(MainLists, ARepairedListCountsAsChanged) {
    const std::string path = WriteList("dup.tsl", {5, 5});
    ASSERT_TRUE(m_presenter->OpenListFile(path));
    EXPECT_TRUE(m_presenter->List().Changed());
    EXPECT_NE(TaskAt(0).m_nTaskId, TaskAt(1).m_nTaskId);
}

// A shortcut names the list file, so it needs a saved list; the menu command saves first, and a
// drag out of the window writes the same launcher into the program's temporary folder.
TEST_F(MainLists, ShortcutsNameTheSavedListAndADragWritesTheSameLauncher) {
    auto& p = *m_presenter;
    AddTask("1");
    EXPECT_FALSE(p.ShortcutFor(0));
    EXPECT_FALSE(p.DragShortcutFile(0));

    m_dialogs.m_files.push_back(Dir("lists") + "/short.tsl");
    p.CreateDesktopShortcut();
    EXPECT_FALSE(p.List().Changed());
    const auto shortcut = p.ShortcutFor(0);
    ASSERT_TRUE(shortcut);
    EXPECT_NE(shortcut->m_strContent.find(p.List().Path()), std::string::npos);
    EXPECT_EQ(ReadFile(m_home.Root() / "Desktop" / shortcut->m_strFileName),
              shortcut->m_strContent);

    const auto dragged = p.DragShortcutFile(0);
    ASSERT_TRUE(dragged);
    EXPECT_EQ(fs::path(*dragged).parent_path(),
              fs::path(m_app.ProgramDataFolder()) / "Temp/shortcuts");
    EXPECT_EQ(ReadFile(*dragged), shortcut->m_strContent);
    EXPECT_FALSE(p.DragShortcutFile(1));
}

}  // namespace
