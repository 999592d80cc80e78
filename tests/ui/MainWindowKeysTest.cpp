// The main window from the keyboard: its shortcuts and keys do what they say (and only where
// they should), Tab walks the window as it is read, every button can be reached with Alt and a
// letter of its own, in each shipped language, and the window fits a small laptop's screen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

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
        const fs::path languages = m_home.Root() / "Inter/Synch";
        JoinLanguage("German", languages);
        m_languages.LoadFrom({languages.string()});
    }
    ~MainWindowKeys() override {
        m_window.reset();
        tv::ResetLanguage();
    }

    // The language files as the build puts them together: one file per language.
    static void JoinLanguage(const std::string& language, const fs::path& folder) {
        fs::create_directories(folder);
        std::ofstream out(folder / (language + ".lang"), std::ios::binary);
        for (const auto& part :
             fs::directory_iterator(fs::path(TWINVALE_SOURCE_DIR) / "lang" / language)) {
            std::ifstream in(part.path(), std::ios::binary);
            out << in.rdbuf();
        }
    }

    // A shown, active window with two tasks of real folders, the first selected.
    void Open() {
        m_window = std::make_unique<tv::CMirrantDlg>(m_app, m_dialogs, m_languages);
        tv::CTaskList list;
        for (const char* name : {"Photos", "Music"}) {
            auto task = std::make_unique<tv::CElement>();
            task->m_nTaskId = static_cast<int>(list.m_Tasks.size()) + 1;
            task->m_strName = name;
            task->m_dwOptions = 0x21;  // target update only, with subfolders, no preview
            task->m_Source.m_strPath = Folder(std::string(name) + "-source");
            task->m_Targets.emplace_back().m_strPath = Folder(std::string(name) + "-copy");
            list.m_Tasks.push_back(std::move(task));
        }
        list.m_nHighestId = 2;
        m_window->Presenter().AdoptList(std::move(list));
        m_window->show();
        QApplication::setActiveWindow(m_window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        QObject::connect(m_window.get(), &tv::CMirrantDlg::exitFinished,
                         [this] { m_bExited = true; });
    }
    std::string Folder(const std::string& name) {
        fs::create_directories(m_home.Root() / name);
        return (m_home.Root() / name).string();
    }
    template <typename T>
    T* Child(const char* name) {
        auto* child = m_window->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QTreeWidget& Tasks() { return *Child<QTreeWidget>("taskList"); }
    // A key typed where the focus is, as the user types it.
    void Press(QWidget* where, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        where->setFocus();
        if (QApplication::focusWidget() != where) {
            ADD_FAILURE() << where->objectName().toStdString() << " cannot take the focus";
            return;
        }
        QTest::keyClick(where, static_cast<Qt::Key>(key), modifiers);
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

TEST_F(MainWindowKeys, ShortcutsRunTheirCommandsAndDeleteAsksFirst) {
    Open();
    tvtest::WriteFile(m_home.Root() / "Music-source/a.ogg", "a");
    auto* name = Child<QLineEdit>("nameEdit");

    // Ctrl+Z outside a field takes back what was typed into the task.
    QTest::keyClicks(name, " 2026");
    EXPECT_EQ(name->text(), "Photos 2026");
    Press(&Tasks(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(name->text(), "Photos");

    // Delete in a field deletes a character; in the task list it deletes the task once the
    // user agrees, whatever the preference for the buttons says.
    name->setCursorPosition(0);
    Press(name, Qt::Key_Delete);
    EXPECT_EQ(name->text(), "hotos");
    EXPECT_TRUE(m_dialogs.m_asked.empty());
    const std::string question = tv::LoadString(tv::IDS_MW_CONFIRM_DELETE);
    m_dialogs.m_answers = {tv::PromptAnswer::No, tv::PromptAnswer::Yes};
    Press(&Tasks(), Qt::Key_Delete);
    EXPECT_EQ(Tasks().topLevelItemCount(), 2);
    Press(&Tasks(), Qt::Key_Delete);
    ASSERT_EQ(Tasks().topLevelItemCount(), 1);
    EXPECT_EQ(Tasks().topLevelItem(0)->text(0), "Music");
    EXPECT_EQ(m_dialogs.m_asked, (std::vector<std::string>{question, question}));

    // Ctrl+Shift+S saves under a new name.
    m_dialogs.m_asked.clear();
    m_dialogs.m_files = {std::nullopt};
    Press(&Tasks(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(m_dialogs.m_asked, std::vector<std::string>{"Save as"});

    // F5 runs the selected task.
    Press(&Tasks(), Qt::Key_F5);
    tv::CMainPresenter& presenter = m_window->Presenter();
    ASSERT_TRUE(PumpUntil([&] { return presenter.Runs().Outstanding() == 0; }));
    EXPECT_TRUE(fs::exists(m_home.Root() / "Music-copy/a.ogg"));
}

TEST_F(MainWindowKeys, EscapeInAFieldStaysWhileEscapeElsewhereAndCtrlQLeave) {
    Open();
    for (const char* field : {"nameEdit", "sourceEdit", "targetEdit"}) {
        Press(Child<QLineEdit>(field), Qt::Key_Escape);
    }
    QApplication::processEvents();
    EXPECT_FALSE(m_bExited);
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_TRUE(m_dialogs.m_asked.empty());

    Press(Child<QWidget>("targetsList"), Qt::Key_Escape);
    EXPECT_TRUE(PumpUntil([&] { return m_bExited; }));

    m_bExited = false;
    Open();
    Press(Child<QLineEdit>("nameEdit"), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(PumpUntil([&] { return m_bExited; }));
}

TEST_F(MainWindowKeys, TabWalksTheWindowAsItIsRead) {
    Open();
    Tasks().setFocus();
    std::vector<std::string> walked;
    for (int i = 0; i < 40 && (walked.empty() || QApplication::focusWidget() != &Tasks()); ++i) {
        walked.push_back(QApplication::focusWidget()->objectName().toStdString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // Disabled commands (FTP, Advanced, COMPARE, wizard, SCHEDULE) take no focus; of the kind
    // and mode radio buttons Tab stops at the checked one.
    const std::vector<std::string> expected = {
        "taskList",      "nameEdit",     "sourceEdit",    "browseSource",    "swapButton",
        "targetEdit",    "browseTarget", "addTarget",     "deleteTarget",    "targetsList",
        "archiveCheck",  "kind0",        "mode0",         "subfoldersCheck", "previewCheck",
        "lockCheck",     "syncButton",   "syncAllButton", "replaceButton",   "backupButton",
        "restoreButton", "logButton",    "newTaskButton", "cloneButton",     "deleteButton",
        "undoButton",    "exitButton"};
    EXPECT_EQ(walked, expected);
}

// Alt and a letter reach each labelled button and each menu of the bar without a clash, and
// in each menu every letter leads to one item only.
TEST_F(MainWindowKeys, EveryButtonAndMenuItemHasAnAltKeyOfItsOwnInEveryLanguage) {
    Open();
    for (const char* language : {"English", "Deutsch"}) {
        SCOPED_TRACE(language);
        m_window->SelectLanguage(m_languages.SlotOf(language));
        std::map<QString, QString> windowKeys;  // Alt key -> what it reaches
        const auto claim = [&](std::map<QString, QString>& keys, const QString& text) {
            const QString key = QKeySequence::mnemonic(text).toString();
            EXPECT_FALSE(key.isEmpty()) << text.toStdString() << " has no Alt key";
            const auto [it, fresh] = keys.emplace(key, text);
            EXPECT_TRUE(fresh || key.isEmpty())
                << text.toStdString() << " and " << it->second.toStdString() << " share "
                << key.toStdString();
        };
        for (QAction* menu : m_window->menuBar()->actions()) {
            claim(windowKeys, menu->text());
        }
        for (QPushButton* button : m_window->findChildren<QPushButton*>()) {
            const QString shown = QString(button->text()).remove('&');
            if (shown != "..." && shown != "FTP") {
                claim(windowKeys, button->text());
            }
            EXPECT_FALSE(button->toolTip().isEmpty()) << shown.toStdString() << " has no tip";
        }
        for (QMenu* menu : m_window->findChildren<QMenu*>()) {
            std::map<QString, QString> menuKeys;
            for (QAction* item : menu->actions()) {
                // Languages are named as each names itself.
                if (!item->isSeparator() && !item->isCheckable()) {
                    claim(menuKeys, item->text());
                }
            }
        }
    }
}

// The toolbar shows the program's own images where the desktop has no icon theme: each tool
// has one, Undo and Restore look different, a command of a later version is drawn greyed,
// and Exit comes last.
TEST_F(MainWindowKeys, ToolImagesShowWithoutAnIconTheme) {
    const QStringList paths = QIcon::themeSearchPaths();
    QIcon::setThemeSearchPaths({});
    Open();
    QIcon::setThemeSearchPaths(paths);
    const QList<QAction*> tools = Child<QToolBar>("toolBar")->actions();
    std::map<std::string, QImage> images;
    for (QAction* tool : tools) {
        if (tool->isSeparator()) {
            continue;
        }
        const QImage normal = tool->icon().pixmap(24).toImage();
        ASSERT_FALSE(normal.isNull()) << tool->objectName().toStdString();
        images[tool->objectName().toStdString()] = normal;
        EXPECT_FALSE(tool->toolTip().isEmpty()) << tool->objectName().toStdString();
        if (!tool->isEnabled()) {
            const QImage greyed = tool->icon().pixmap(24, QIcon::Disabled).toImage();
            int coloured = 0;
            for (int y = 0; y < greyed.height(); ++y) {
                for (int x = 0; x < greyed.width(); ++x) {
                    const QColor pixel = greyed.pixelColor(x, y);
                    coloured += pixel.alpha() > 0 && pixel.hsvSaturation() > 40 ? 1 : 0;
                }
            }
            EXPECT_EQ(coloured, 0) << tool->objectName().toStdString();
        }
    }
    EXPECT_NE(images["tool:edit-undo"], images["tool:go-previous"]);
    EXPECT_EQ(tools.back()->objectName(), "tool:application-exit");
}

// A 1366x768 screen less a top bar, a bottom panel and the title bar leaves this much.
TEST_F(MainWindowKeys, TheWindowFitsASmallLaptopScreenInEveryLanguage) {
    const QSize room(1366 - 16, 768 - 32 - 48 - 40);
    for (const char* language : {"English", "Deutsch"}) {
        SCOPED_TRACE(language);
        m_languages.Select(m_languages.SlotOf(language));
        Open();
        const QSize size = m_window->size();
        EXPECT_TRUE(size.width() <= room.width() && size.height() <= room.height())
            << size.width() << "x" << size.height();
        EXPECT_TRUE(m_window->minimumSize().width() <= room.width() &&
                    m_window->minimumSize().height() <= room.height())
            << m_window->minimumSize().width() << "x" << m_window->minimumSize().height();
    }
}

}  // namespace
