// The edit area of the real main window obeys its presenter: a locked task's fields take no
// typing, a window without a task has nothing to type into, and a run command that starts
// nothing says why in the status line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>

#include "app/MirrantApp.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"
#include "ui/MirrantDlg.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/Languages.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/RunWindowStrings.h"

namespace {

namespace fs = std::filesystem;

class EditAreaWindow : public ::testing::Test {
  protected:
    EditAreaWindow() : m_app(tv::LocalFileSystem(), m_profile) {
        tv::AddMainWindowStrings();
        tv::AddRunWindowStrings();
        tv::AddDialogStrings();
        m_app.Startup();
        m_window = std::make_unique<tv::CMirrantDlg>(m_app, m_dialogs, m_languages);
        m_window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }

    template <typename T>
    T* Child(const char* name) {
        auto* child = m_window->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QLineEdit* Edit(const char* name) { return Child<QLineEdit>(name); }
    void Click(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    std::string Folder(const std::string& name) {
        fs::create_directories(m_home.Root() / name);
        return (m_home.Root() / name).string();
    }
    // Every control that changes a task's settings, but the lock box and the text fields.
    std::vector<QWidget*> SettingControls() {
        std::vector<QWidget*> controls;
        for (const char* name :
             {"browseSource", "browseTarget", "swapButton", "addTarget", "deleteTarget"}) {
            controls.push_back(Child<QPushButton>(name));
        }
        for (QCheckBox* box : m_window->findChildren<QCheckBox*>()) {
            if (box->objectName() != "lockCheck") {
                controls.push_back(box);
            }
        }
        for (QRadioButton* radio : m_window->findChildren<QRadioButton*>()) {
            controls.push_back(radio);
        }
        return controls;
    }

    tvtest::CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
    tv::CMirrantApp m_app;
    tvtest::CScriptedDialogs m_dialogs;
    tv::CLanguageCatalog m_languages{tv::LocalFileSystem()};
    std::unique_ptr<tv::CMirrantDlg> m_window;
};

TEST_F(EditAreaWindow, ALockedTaskShowsItsSettingsButTakesNoTyping) {
    Click(Child<QPushButton>("newTaskButton"));
    QTest::keyClicks(Edit("sourceEdit"), QString::fromStdString(Folder("src")));
    QTest::keyClicks(Edit("targetEdit"), QString::fromStdString(Folder("dst")));
    auto* lock = Child<QCheckBox>("lockCheck");
    Click(lock);
    ASSERT_TRUE(lock->isChecked());

    for (const char* name : {"nameEdit", "sourceEdit", "targetEdit"}) {
        QLineEdit* edit = Edit(name);
        EXPECT_TRUE(edit->isReadOnly()) << name;
        const QString before = edit->text();
        edit->setFocus();
        QTest::keyClicks(edit, "typed");
        QTest::keyClick(edit, Qt::Key_Backspace);
        EXPECT_EQ(edit->text(), before) << name;
    }
    for (QWidget* control : SettingControls()) {
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    }
    EXPECT_TRUE(lock->isEnabled());
    EXPECT_TRUE(Child<QListWidget>("targetsList")->isEnabled());  // to look through
    const tv::CElement& task = m_window->Presenter().List().Task(0);
    m_window->Presenter().Editor().ApplyEdits();  // what was typed before the lock is kept
    EXPECT_TRUE(task.Has3(tv::opt3::kLockSettings));
    EXPECT_EQ(task.m_Source.m_strPath, Folder("src"));

    // Clearing the box asks first; Yes opens every control again.
    m_dialogs.m_answers = {tv::PromptAnswer::Yes};
    Click(lock);
    EXPECT_FALSE(lock->isChecked());
    EXPECT_FALSE(Edit("nameEdit")->isReadOnly());
    for (QWidget* control : SettingControls()) {
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    }
    Edit("nameEdit")->selectAll();
    QTest::keyClicks(Edit("nameEdit"), "Unlocked");
    EXPECT_EQ(m_window->Presenter().Editor().NameText(), "Unlocked");
}

TEST_F(EditAreaWindow, WithoutATaskTheAreaIsClosedAndSynchSaysWhy) {
    for (const char* name : {"nameEdit", "sourceEdit", "targetEdit"}) {
        EXPECT_FALSE(Edit(name)->isEnabled()) << name;
    }
    for (QWidget* control : SettingControls()) {
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    }
    EXPECT_FALSE(Child<QCheckBox>("lockCheck")->isEnabled());

    auto* status = Child<QStatusBar>("statusLine");
    Click(Child<QPushButton>("syncButton"));
    EXPECT_EQ(status->currentMessage().toStdString(),
              "There is no task to run: make one with NEW TASK, or open a task list.");
    EXPECT_TRUE(m_dialogs.m_asked.empty());

    Click(Child<QPushButton>("newTaskButton"));
    EXPECT_TRUE(Edit("nameEdit")->isEnabled());
    EXPECT_FALSE(Edit("nameEdit")->isReadOnly());
    EXPECT_TRUE(Child<QCheckBox>("lockCheck")->isEnabled());
    QTest::keyClicks(Edit("sourceEdit"), "/typed");
    EXPECT_EQ(m_window->Presenter().Editor().SourceText(), "/typed");
}

}  // namespace
