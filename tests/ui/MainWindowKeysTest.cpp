// The main window from the keyboard: its keys do what they say (and only where they should),
// Tab walks the window as it is read, Alt and a letter reach each button and menu item without
// a clash in each shipped language, and the window fits a small laptop's screen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <filesystem>
#include <map>

#include "EventPump.h"
#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"
#include "task/TaskList.h"
#include "ui/MirrantDlg.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/Languages.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/RunWindowStrings.h"

namespace {

namespace fs = std::filesystem;
using tvtest::PumpUntil;

class MainWindowKeys : public ::testing::Test {
  protected:
    MainWindowKeys() : m_app(tv::LocalFileSystem(), m_profile) {
        tv::AddMainWindowStrings();
        tv::AddRunWindowStrings();
        tv::AddDialogStrings();
        m_app.Startup();
        m_languages.LoadFrom({TWINVALE_BINARY_DIR "/src/Inter/Synch"});
    }
    ~MainWindowKeys() override {
        m_window.reset();
        tv::ResetLanguage();
    }

    // A shown, active window with the tasks "Photos" and "Music" of real folders.
    void Open() {
        m_window = std::make_unique<tv::CMirrantDlg>(m_app, m_dialogs, m_languages);
        tv::CTaskList list;
        for (const std::string name : {"Photos", "Music"}) {
            auto& task = *list.m_Tasks.emplace_back(std::make_unique<tv::CElement>());
            task.m_nTaskId = ++list.m_nHighestId;
            task.m_strName = name;
            task.m_dwOptions = 0x21;  // target update only, with subfolders, no preview
            task.m_Source.m_strPath = (m_home.Root() / (name + "-source")).string();
            task.m_Targets.emplace_back().m_strPath = (m_home.Root() / (name + "-copy")).string();
            fs::create_directories(task.m_Source.m_strPath);
            fs::create_directories(task.m_Targets[0].m_strPath);
        }
        m_window->Presenter().AdoptList(std::move(list));
        m_window->show();
        QApplication::setActiveWindow(m_window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        QObject::connect(m_window.get(), &tv::CMirrantDlg::exitFinished,
                         [this] { m_bExited = true; });
    }
    template <typename T = QWidget>
    T* Child(const char* name) {
        return m_window->findChild<T*>(name);
    }
    // A key typed into `where`, as the user types it.
    void Press(const char* where, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* widget = Child(where);
        widget->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), widget) << where;
        QTest::keyClick(widget, static_cast<Qt::Key>(key), modifiers);
        QApplication::processEvents();
    }

    tvtest::CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
    tv::CMirrantApp m_app;
    tvtest::CScriptedDialogs m_dialogs;
    tv::CLanguageCatalog m_languages{tv::LocalFileSystem()};
    std::unique_ptr<tv::CMirrantDlg> m_window;
    bool m_bExited = false;
};

TEST_F(MainWindowKeys, KeysRunTheirCommandsAndDeleteAsksFirst) {
    Open();
    auto* name = Child<QLineEdit>("nameEdit");
    auto* tasks = Child<QTreeWidget>("taskList");
    // Ctrl+Z outside a field takes back what was typed into the task.
    QTest::keyClicks(name, " 2026");
    Press("taskList", Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(name->text(), "Photos");

    // Delete in a field deletes a character; in the task list it deletes the tasks once the
    // user agrees, whatever the preference for the DELETE TASK button says.
    name->setCursorPosition(0);
    Press("nameEdit", Qt::Key_Delete);
    EXPECT_EQ(name->text(), "hotos");
    m_dialogs.m_answers = {tv::PromptAnswer::No, tv::PromptAnswer::Yes};
    Press("taskList", Qt::Key_Delete);
    EXPECT_EQ(tasks->topLevelItemCount(), 2);
    Press("taskList", Qt::Key_Delete);
    ASSERT_EQ(tasks->topLevelItemCount(), 1);
    EXPECT_EQ(tasks->topLevelItem(0)->text(0), "Music");
    const std::string question = tv::LoadString(tv::IDS_MW_CONFIRM_DELETE);
    EXPECT_EQ(m_dialogs.m_asked, (std::vector<std::string>{question, question}));

    m_dialogs.m_files = {std::nullopt};
    Press("taskList", Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(m_dialogs.m_asked.back(), "Save as");

    tvtest::WriteFile(m_home.Root() / "Music-source/a.ogg", "a");
    Press("taskList", Qt::Key_F5);
    ASSERT_TRUE(PumpUntil([&] { return m_window->Presenter().Runs().Outstanding() == 0; }));
    EXPECT_TRUE(fs::exists(m_home.Root() / "Music-copy/a.ogg"));
}

TEST_F(MainWindowKeys, EscapeInAFieldStaysWhileEscapeElsewhereAndCtrlQLeave) {
    Open();
    for (const char* field : {"nameEdit", "sourceEdit", "targetEdit"}) {
        Press(field, Qt::Key_Escape);
    }
    EXPECT_FALSE(PumpUntil([&] { return m_bExited; }, 200));
    Press("targetsList", Qt::Key_Escape);
    EXPECT_TRUE(PumpUntil([&] { return m_bExited; }));

    m_bExited = false;
    Open();
    Press("nameEdit", Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(PumpUntil([&] { return m_bExited; }));
}

TEST_F(MainWindowKeys, TabWalksTheWindowAsItIsRead) {
    Open();
    Child("taskList")->setFocus();
    std::vector<std::string> walked;
    do {
        walked.push_back(QApplication::focusWidget()->objectName().toStdString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } while (QApplication::focusWidget() != Child("taskList") && walked.size() < 40);
    // Disabled commands take no focus; of the kind and mode radio buttons Tab stops at the
    // checked one.
    const std::vector<std::string> expected = {
        "taskList",        "nameEdit",       "sourceEdit",    "browseSource",   "ftpSource",
        "swapButton",      "targetEdit",     "browseTarget",  "ftpTarget",      "addTarget",
        "deleteTarget",    "targetsList",    "archiveCheck",  "kind0",          "mode0",
        "subfoldersCheck", "previewCheck",   "lockCheck",     "advancedButton", "syncButton",
        "syncAllButton",   "replaceButton",  "compareButton", "backupButton",   "restoreButton",
        "logButton",       "newTaskButton",  "wizardButton",  "cloneButton",    "deleteButton",
        "undoButton",      "scheduleButton", "exitButton"};
    EXPECT_EQ(walked, expected);
}

// Alt and a letter reach each labelled button and each menu of the bar without a clash, in
// each menu every letter leads to one item only, and every button has a tip.
TEST_F(MainWindowKeys, EveryButtonAndMenuItemHasAnAltKeyOfItsOwnInEveryLanguage) {
    Open();
    const auto claim = [](std::map<QString, QString>& keys, const QString& text) {
        const QString key = QKeySequence::mnemonic(text).toString();
        const auto [it, fresh] = keys.emplace(key, text);
        EXPECT_TRUE(fresh && !key.isEmpty())
            << text.toStdString() << " and " << it->second.toStdString() << ": "
            << key.toStdString();
    };
    for (const char* language : {"English", "Deutsch"}) {
        SCOPED_TRACE(language);
        m_window->SelectLanguage(m_languages.SlotOf(language));
        std::map<QString, QString> windowKeys;
        for (QAction* menu : m_window->menuBar()->actions()) {
            claim(windowKeys, menu->text());
        }
        for (QPushButton* button : m_window->findChildren<QPushButton*>()) {
            if (!QStringList{"...", "FTP"}.contains(button->text())) {
                claim(windowKeys, button->text());
            }
            EXPECT_FALSE(button->toolTip().isEmpty()) << button->text().toStdString();
        }
        for (QMenu* menu : m_window->findChildren<QMenu*>()) {
            std::map<QString, QString> menuKeys;
            for (QAction* item : menu->actions()) {
                if (!item->isSeparator() && !item->isCheckable()) {  // languages name themselves
                    claim(menuKeys, item->text());
                }
            }
        }
    }
}

// Every text the window shows, with its tips, in the order of its widgets and menus.
std::vector<std::string> ShownTexts(QMainWindow& window) {
    std::vector<std::string> texts = {window.windowTitle().toStdString(),
                                      window.statusBar()->currentMessage().toStdString()};
    const auto add = [&](const QString& text) { texts.push_back(text.toStdString()); };
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        add(widget->toolTip());
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            add(button->text());
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            add(label->text());
        } else if (auto* tree = qobject_cast<QTreeWidget*>(widget)) {
            for (int column = 0; column < tree->columnCount(); ++column) {
                add(tree->headerItem()->text(column));
            }
        }
    }
    for (QAction* action : window.findChildren<QAction*>()) {
        add(action->text());
        add(action->toolTip());
    }
    return texts;
}

// A switch of the language leaves the window as if it had been opened in the new language:
// the status line of a command that started nothing included.
TEST_F(MainWindowKeys, ALanguageSwitchReachesEveryShownText) {
    const auto saySynchFoundNothing = [this] {
        Child<QTreeWidget>("taskList")->clearSelection();
        QTest::mouseClick(Child<QPushButton>("syncButton"), Qt::LeftButton);
    };
    m_languages.Select(m_languages.SlotOf("English"));
    Open();
    saySynchFoundNothing();
    const std::string english = m_window->statusBar()->currentMessage().toStdString();
    m_window->SelectLanguage(m_languages.SlotOf("Deutsch"));
    const std::vector<std::string> switched = ShownTexts(*m_window);

    Open();
    saySynchFoundNothing();
    const std::vector<std::string> opened = ShownTexts(*m_window);
    EXPECT_NE(opened[1], english);
    ASSERT_EQ(switched.size(), opened.size());
    for (size_t i = 0; i < opened.size(); ++i) {
        EXPECT_EQ(switched[i], opened[i]) << "text " << i;
    }
}

// Without an icon theme every tool shows the program's own image, and Undo's is not Restore's.
TEST_F(MainWindowKeys, ToolImagesShowWithoutAnIconTheme) {
    const QStringList paths = QIcon::themeSearchPaths();
    QIcon::setThemeSearchPaths({});
    Open();
    QIcon::setThemeSearchPaths(paths);
    std::map<QString, QImage> images;
    for (QAction* tool : Child<QToolBar>("toolBar")->actions()) {
        if (!tool->isSeparator()) {
            images[tool->objectName()] = tool->icon().pixmap(24).toImage();
            EXPECT_FALSE(images[tool->objectName()].isNull()) << tool->objectName().toStdString();
        }
    }
    EXPECT_NE(images["tool:edit-undo"], images["tool:go-previous"]);
}

// A 1366x768 screen less a top bar, a bottom panel and the title bar leaves this much.
TEST_F(MainWindowKeys, TheWindowFitsASmallLaptopScreenInEveryLanguage) {
    for (const char* language : {"English", "Deutsch"}) {
        m_languages.Select(m_languages.SlotOf(language));
        Open();
        const QSize room(1366 - 16, 768 - 32 - 48 - 40);
        EXPECT_TRUE(m_window->size().boundedTo(room) == m_window->size()) << language;
        EXPECT_TRUE(m_window->minimumSize().boundedTo(room) == m_window->minimumSize()) << language;
    }
}

}  // namespace
