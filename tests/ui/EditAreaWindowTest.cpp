// The edit area of the real main window obeys its presenter: with no task there is nothing to
// type into and SYNCH says why; a locked task's fields take no typing until its box is cleared.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>

#include "app/MirrantApp.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"
#include "ui/MirrantDlg.h"
#include "uimodel/Languages.h"
#include "uimodel/MainWindowStrings.h"

namespace {

class EditAreaWindow : public ::testing::Test {
  protected:
    EditAreaWindow() : m_app(tv::LocalFileSystem(), m_profile) {
        tv::AddMainWindowStrings();
        m_app.Startup();
        m_window = std::make_unique<tv::CMirrantDlg>(m_app, m_dialogs, m_languages);
        m_window->show();
    }
    template <typename T>
    T* Child(const char* name) {
        return m_window->findChild<T*>(name);
    }
    void Click(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    // The three text fields must be `editable`; every other control of a task's settings but
    // the lock box must be `enabled`.
    void ExpectArea(bool editable, bool enabled) {
        for (const char* name : {"nameEdit", "sourceEdit", "targetEdit"}) {
            auto* edit = Child<QLineEdit>(name);
            const QString before = edit->text();
            QTest::keyClicks(edit, "x");
            EXPECT_EQ(edit->text() != before, editable) << name;
        }
        std::vector<QWidget*> controls;
        for (const char* name : {"browseSource", "swapButton", "addTarget", "deleteTarget"}) {
            controls.push_back(Child<QPushButton>(name));
        }
        for (QCheckBox* box : m_window->findChildren<QCheckBox*>()) {
            controls.push_back(box->objectName() == "lockCheck" ? nullptr : box);
        }
        for (QRadioButton* radio : m_window->findChildren<QRadioButton*>()) {
            controls.push_back(radio);
        }
        for (QWidget* control : controls) {
            EXPECT_TRUE(!control || control->isEnabled() == enabled)
                << control->objectName().toStdString();
        }
        for (const char* name : {"addTargetAction", "deleteTargetAction", "clearFieldsAction"}) {
            auto* action = Child<QAction>(name);
            EXPECT_TRUE(action && action->isEnabled() == enabled) << name;
        }
    }

    tvtest::CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
    tv::CMirrantApp m_app;
    tvtest::CScriptedDialogs m_dialogs;
    tv::CLanguageCatalog m_languages{tv::LocalFileSystem()};
    std::unique_ptr<tv::CMirrantDlg> m_window;
};

TEST_F(EditAreaWindow, NoTaskClosesTheAreaAndALockedTaskTakesNoTyping) {
    ExpectArea(false, false);
    auto* lock = Child<QCheckBox>("lockCheck");
    EXPECT_FALSE(lock->isEnabled());
    Click(Child<QPushButton>("syncButton"));
    EXPECT_EQ(Child<QStatusBar>("statusLine")->currentMessage().toStdString(),
              "There is no task to run: make one with NEW TASK, or open a task list.");

    Click(Child<QPushButton>("newTaskButton"));
    ExpectArea(true, true);
    Click(lock);
    ExpectArea(false, false);
    EXPECT_TRUE(Child<QLineEdit>("sourceEdit")->isReadOnly());  // still readable and copyable
    EXPECT_TRUE(lock->isEnabled());

    m_dialogs.m_answers = {tv::PromptAnswer::Yes};  // to the unlock question
    Click(lock);
    EXPECT_FALSE(lock->isChecked());
    ExpectArea(true, true);
    EXPECT_EQ(m_dialogs.m_asked.size(), 1u);
}

}  // namespace
