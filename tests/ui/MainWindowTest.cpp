// Whole user flows on the real main window: a new task run to its summary, a list saved and
// opened again, and the language switch.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

#include "EventPump.h"
#include "app/MirrantApp.h"
#include "app/RecentFileList.h"
#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"
#include "ui/MirrantDlg.h"
#include "ui/PreviewDlg.h"
#include "ui/QtRunViews.h"
#include "ui/TaskDlg.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/Languages.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/RunWindowStrings.h"

namespace {

using tvtest::PumpUntil;

namespace fs = std::filesystem;

// The language files as the build puts them together: one file per language.
void JoinLanguage(const std::string& language, const fs::path& folder) {
    fs::create_directories(folder);
    std::ofstream out(folder / (language + ".lang"), std::ios::binary);
    for (const auto& part :
         fs::directory_iterator(fs::path(TWINVALE_SOURCE_DIR) / "lang" / language)) {
        std::ifstream in(part.path(), std::ios::binary);
        out << in.rdbuf();
    }
}

QAction* MenuItem(QWidget& window, const QString& text) {
    for (QAction* action : window.findChildren<QAction*>()) {
        if (action->text() == text) {
            return action;
        }
    }
    ADD_FAILURE() << "no menu item " << text.toStdString();
    return nullptr;
}

class MainWindow : public ::testing::Test {
  protected:
    MainWindow() : m_app(tv::LocalFileSystem(), m_profile) {
        tv::AddMainWindowStrings();
        tv::AddRunWindowStrings();
        tv::AddDialogStrings();
        m_app.Startup();
        JoinLanguage("German", m_home.Root() / "Inter/Synch");
        m_languages.LoadFrom({(m_home.Root() / "Inter/Synch").string()});
        m_window = std::make_unique<tv::CMirrantDlg>(m_app, m_dialogs, m_languages);
        m_window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }
    ~MainWindow() override {
        m_window.reset();
        tv::ResetLanguage();
    }

    template <typename T>
    T* Child(const char* name) {
        auto* child = m_window->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    void Click(const char* button) {
        QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton);
    }
    void Type(const char* edit, const std::string& text) {
        QTest::keyClicks(Child<QLineEdit>(edit), QString::fromStdString(text));
    }
    QTreeWidget& Tasks() { return *Child<QTreeWidget>("taskList"); }
    std::string Folder(const std::string& name) {
        fs::create_directories(m_home.Root() / name);
        return (m_home.Root() / name).string();
    }
    void RunBothAndCancelTheFirst();
    // A task made the way a user makes one: NEW TASK, a name, a source and a target typed in.
    void MakeTask(const std::string& name, const std::string& source, const std::string& target) {
        Click("newTaskButton");
        auto* nameEdit = Child<QLineEdit>("nameEdit");
        nameEdit->selectAll();
        QTest::keyClicks(nameEdit, QString::fromStdString(name));
        Type("sourceEdit", source);
        Type("targetEdit", target);
        auto* preview = Child<QCheckBox>("previewCheck");
        if (preview->isChecked()) {
            QTest::mouseClick(preview, Qt::LeftButton, {}, QPoint(6, preview->height() / 2));
        }
    }

    tvtest::CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
    tv::CMirrantApp m_app;
    tvtest::CScriptedDialogs m_dialogs;
    tv::CLanguageCatalog m_languages{tv::LocalFileSystem()};
    std::unique_ptr<tv::CMirrantDlg> m_window;
};

TEST_F(MainWindow, ANewTaskRunsFromTheSynchButtonToItsSummary) {
    const std::string source = Folder("photos");
    tvtest::WriteFile(fs::path(source) / "a.jpg", "a");
    tvtest::WriteFile(fs::path(source) / "b.jpg", "b");
    MakeTask("Photos", source, Folder("backup"));
    ASSERT_EQ(Tasks().topLevelItemCount(), 1);
    EXPECT_EQ(Tasks().topLevelItem(0)->text(0), "NEW TASK");  // the edit is not applied yet
    EXPECT_EQ(Child<QLabel>("taskIdLabel")->text(), "Task ID: 1");

    Click("syncButton");
    EXPECT_EQ(Tasks().topLevelItem(0)->text(0), "Photos");
    tv::CMainPresenter& presenter = m_window->Presenter();
    ASSERT_TRUE(PumpUntil([&] { return presenter.Runs().Outstanding() == 0; }));
    EXPECT_TRUE(fs::exists(m_home.Root() / "backup/a.jpg"));
    EXPECT_TRUE(fs::exists(m_home.Root() / "backup/b.jpg"));
    EXPECT_FALSE(Tasks().topLevelItem(0)->text(1).isEmpty());  // "Last run"

    tv::CTaskDlg* progress = m_window->RunViews().ProgressWindow(presenter.List().Task(0));
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->windowTitle(), "Task: Photos (1)");
    ASSERT_TRUE(PumpUntil(
        [&] { return progress->findChild<QLabel*>("phaseLabel")->text() == "Finished"; }));
    const auto* details = progress->findChild<QListWidget*>("detailsList");
    EXPECT_FALSE(details->findItems("Files copied  (from src/from target): 2 / 0", Qt::MatchExactly)
                     .isEmpty());
    QTest::mouseClick(progress->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
    EXPECT_TRUE(
        PumpUntil([&] { return !m_window->RunViews().ProgressWindow(presenter.List().Task(0)); }));
    EXPECT_TRUE(m_dialogs.m_asked.empty());
}

// Consecutive runs of two tasks: the first is paused and then canceled in its progress window
// while its preview is open, and "Stop all tasks?" gets the scripted answer. Returns once no run
// is outstanding.
void MainWindow::RunBothAndCancelTheFirst() {
    tv::CMainPresenter& presenter = m_window->Presenter();
    presenter.SetPreferences(presenter.Preferences() | tv::pref::kConsecutive);
    for (const char* name : {"first", "second"}) {
        tvtest::WriteFile(fs::path(Folder(std::string(name) + "-src")) / "a.txt", name);
        MakeTask(name, Folder(std::string(name) + "-src"), Folder(std::string(name) + "-dst"));
    }
    Tasks().setCurrentItem(Tasks().topLevelItem(0));
    auto* preview = Child<QCheckBox>("previewCheck");
    QTest::mouseClick(preview, Qt::LeftButton, {}, QPoint(6, preview->height() / 2));
    Tasks().selectAll();
    const tv::CElement& first = presenter.List().Task(0);
    bool canceled = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        tv::CTaskDlg* progress = m_window->RunViews().ProgressWindow(first);
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* shown = qobject_cast<tv::CPreviewDlg*>(window);
            if (!shown || !shown->isVisible() || !progress || canceled) {
                continue;
            }
            canceled = true;
            QTest::mouseClick(progress->findChild<QPushButton*>("pauseButton"), Qt::LeftButton);
            QTest::mouseClick(progress->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
            QTest::mouseClick(shown->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        }
    });
    user.start(10);
    Click("syncButton");
    ASSERT_TRUE(PumpUntil([&] { return !presenter.Runs().AnyOutstanding(); }));
    user.stop();
    EXPECT_TRUE(canceled);
    EXPECT_EQ(std::count(m_dialogs.m_asked.begin(), m_dialogs.m_asked.end(), "Stop all tasks?"), 1);
    EXPECT_FALSE(first.m_Run.IsPaused());
}

// Answered No, the canceled run has copied nothing and is not left paused, the next run goes on
// to its end, and the window can be used again.
TEST_F(MainWindow, NoToStopAllTasksRunsTheRestAndLeavesNothingHalfStopped) {
    m_dialogs.m_answers = {tv::PromptAnswer::No};
    RunBothAndCancelTheFirst();
    tv::CMainPresenter& presenter = m_window->Presenter();
    EXPECT_EQ(presenter.List().Task(0).m_Run.Ending(), tv::RunEnd::Canceled);
    EXPECT_FALSE(fs::exists(m_home.Root() / "first-dst/a.txt"));
    EXPECT_EQ(presenter.List().Task(1).m_Run.Ending(), tv::RunEnd::Normal);
    EXPECT_EQ(tvtest::ReadFile(m_home.Root() / "second-dst/a.txt"), "second");
    EXPECT_FALSE(presenter.Runs().ShutdownPending());
    for (const char* control : {"syncButton", "nameEdit", "sourceEdit", "deleteButton"}) {
        EXPECT_TRUE(Child<QWidget>(control)->isEnabled()) << control;
    }
    EXPECT_NE(Tasks().topLevelItem(0)->text(1), "Running...");
    EXPECT_NE(Tasks().topLevelItem(1)->text(1), "Running...");
}

// A command given while "Stop all tasks?" is open waits its turn: nothing starts before the
// answer, the runs still go one at a time, and Yes stops only the tasks that were waiting
// before the question, not the ones just asked for.
TEST_F(MainWindow, ACommandGivenWhileStopAllTasksIsAskedWaitsItsTurn) {
    tv::CMainPresenter& presenter = m_window->Presenter();
    size_t startedWhileAsked = 0;
    size_t mostAtOnce = 0;
    QTimer accept;  // the preview of the task asked for again
    QObject::connect(&accept, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* shown = qobject_cast<tv::CPreviewDlg*>(window); shown && shown->isVisible()) {
                QTest::mouseClick(shown->findChild<QPushButton*>("okButton"), Qt::LeftButton);
            }
        }
    });
    m_dialogs.m_whileAsked = [&](const std::string&) {
        Click("syncButton");
        startedWhileAsked = static_cast<size_t>(presenter.Runs().Outstanding());
        accept.start(10);
    };
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        mostAtOnce = std::max(mostAtOnce, static_cast<size_t>(presenter.Runs().Outstanding()));
    });
    watch.start(1);
    m_dialogs.m_answers = {tv::PromptAnswer::Yes};
    RunBothAndCancelTheFirst();
    watch.stop();
    EXPECT_EQ(startedWhileAsked, 0u);
    EXPECT_LE(mostAtOnce, 1u);
    EXPECT_EQ(presenter.List().Task(0).m_Run.Ending(), tv::RunEnd::Normal) << "asked for again";
    EXPECT_EQ(tvtest::ReadFile(m_home.Root() / "first-dst/a.txt"), "first");
    EXPECT_EQ(tvtest::ReadFile(m_home.Root() / "second-dst/a.txt"), "second");
}

TEST_F(MainWindow, AListIsSavedAndOpenedAgainFromTheRecentLists) {
    MakeTask("Documents", Folder("docs"), Folder("docs-copy"));
    MakeTask("Music", Folder("music"), Folder("music-copy"));
    const std::string list = Folder("lists") + "/home";
    m_dialogs.m_files.push_back(list);
    MenuItem(*m_window, "&Save")->trigger();
    EXPECT_EQ(m_window->windowTitle().toStdString(), "Twinvale " + list + ".tsl");

    MenuItem(*m_window, "&New")->trigger();
    EXPECT_EQ(Tasks().topLevelItemCount(), 0);
    EXPECT_EQ(m_window->windowTitle(), "Twinvale ");
    MenuItem(*m_window, "&1 " + QString::fromStdString(tv::AbbreviatePath(list + ".tsl", 30)))
        ->trigger();
    ASSERT_EQ(Tasks().topLevelItemCount(), 2);
    EXPECT_EQ(Tasks().topLevelItem(1)->text(0), "Music");
    EXPECT_TRUE(Tasks().topLevelItem(0)->isSelected());
    EXPECT_EQ(Child<QLineEdit>("nameEdit")->text(), "Documents");
    EXPECT_EQ(Child<QLineEdit>("targetEdit")->text().toStdString(), Folder("docs-copy"));

    Tasks().setCurrentItem(Tasks().topLevelItem(1));
    EXPECT_EQ(Child<QLineEdit>("sourceEdit")->text().toStdString(), Folder("music"));

    // EXIT with nothing changed closes the window without a question.
    bool finished = false;
    QObject::connect(m_window.get(), &tv::CMirrantDlg::exitFinished, [&] { finished = true; });
    Click("exitButton");
    EXPECT_TRUE(PumpUntil([&] { return finished; }));
    EXPECT_EQ(m_dialogs.m_asked, std::vector<std::string>{"Save as"});  // the save dialog only
    EXPECT_EQ(m_profile.GetProfileString("", "lasttl"), list + ".tsl");
}

TEST_F(MainWindow, TheLanguageSwitchChangesTheShownTexts) {
    auto* sync = Child<QPushButton>("syncButton");
    EXPECT_EQ(sync->text(), "&SYNCH");
    auto* compare = Child<QPushButton>("compareButton");
    EXPECT_TRUE(compare->isEnabled());
    EXPECT_EQ(compare->toolTip(), "Compare directories");

    MenuItem(*m_window, "Deutsch")->trigger();
    EXPECT_EQ(sync->text(), "&SYNCHR.");
    EXPECT_EQ(Tasks().headerItem()->text(0), "Aufgabenname");
    EXPECT_EQ(compare->toolTip(), "Ordner vergleichen");
    EXPECT_EQ(m_profile.GetProfileString("", "curlang"), "Deutsch");

    MenuItem(*m_window, "English")->trigger();
    EXPECT_EQ(sync->text(), "&SYNCH");
    EXPECT_EQ(m_profile.GetProfileString("", "curlang"), "English");
}

// The window comes back maximized or at the size it was left; a size the user never set is not
// written over the kept one, and a size no window can take is passed over.
TEST_F(MainWindow, ComesBackAtTheKeptSize) {
    m_profile.WriteProfileInt("Settings", "CX", 1000);
    m_profile.WriteProfileInt("Settings", "CY", 800);
    m_window->ShowAsStored();
    EXPECT_EQ(m_window->size(), QSize(1000, 800));
    m_window->resize(900, 760);  // by the program, not the user
    m_window.reset();
    EXPECT_EQ(m_profile.GetProfileInt("Settings", "CX", 0), 1000);
    EXPECT_EQ(m_profile.GetProfileInt("Settings", "MXM", -1), 0);

    m_profile.WriteProfileInt("Settings", "CX", -5);
    m_window = std::make_unique<tv::CMirrantDlg>(m_app, m_dialogs, m_languages);
    const QSize initial = m_window->size();
    m_window->ShowAsStored();
    EXPECT_EQ(m_window->size(), initial);

    m_window.reset();
    m_profile.WriteProfileInt("Settings", "MXM", 1);
    m_window = std::make_unique<tv::CMirrantDlg>(m_app, m_dialogs, m_languages);
    m_window->ShowAsStored();
    EXPECT_TRUE(m_window->isMaximized());
}

}  // namespace
