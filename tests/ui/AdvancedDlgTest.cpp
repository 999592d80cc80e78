// The settings sheet from the main window's Advanced button to a run that obeys it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <set>
#include <vector>

#include "EventPump.h"
#include "Mnemonics.h"
#include "SampleWindow.h"
#include "platform/FileSystem.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"
#include "ui/AdvancedDlg.h"
#include "ui/MirrantDlg.h"
#include "ui/TaskWizardDlg.h"
#include "uimodel/AdvancedStrings.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/Languages.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/RunWindowStrings.h"
#include "uimodel/TaskWizard.h"
#include "uimodel/WizardStrings.h"

namespace {

namespace fs = std::filesystem;

TEST(AdvancedWindow, AFilterAndCriterionSetInTheSheetRuleTheNextRun) {
    tv::AddMainWindowStrings();
    tv::AddRunWindowStrings();
    tv::AddAdvancedStrings();
    tvtest::CSampleWindow sample;
    tv::CMirrantDlg& window = *sample.m_window;
    const fs::path& source = sample.m_source;
    const fs::path& target = sample.m_target;
    auto* advanced = window.findChild<QPushButton*>("advancedButton");
    EXPECT_FALSE(advanced->isEnabled());  // no task yet
    tv::CTaskEditor& editor = window.Presenter().Editor();
    editor.NewTask();
    editor.SetSourceText(source.string());
    editor.SetTargetText(target.string());
    editor.SetPreview(false);
    ASSERT_TRUE(advanced->isEnabled());

    // The sheet is modal: the test works in it once it is up.
    bool worked = false;
    QTimer::singleShot(0, [&] {
        auto* sheet = qobject_cast<tv::CAdvanced*>(QApplication::activeModalWidget());
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->Tabs()->count() >= 7, true);
        sheet->Tabs()->setCurrentIndex(2);
        auto* masks = sheet->findChild<QCheckBox*>("excludeMasks");
        auto* text = sheet->findChild<QLineEdit*>("excludeMasksText");
        EXPECT_FALSE(text->isEnabled());
        QTest::mouseClick(masks, Qt::LeftButton, {}, QPoint(6, masks->height() / 2));
        EXPECT_TRUE(text->isEnabled());
        QTest::keyClicks(text, "*.tmp");
        sheet->Tabs()->setCurrentIndex(0);
        auto* criterion = sheet->findChild<QComboBox*>("criterion");
        EXPECT_FALSE(criterion->isEnabled());  // a two-way task has no criterion to choose
        auto* lower = sheet->findChild<QCheckBox*>("lowerCase");
        auto* upper = sheet->findChild<QCheckBox*>("upperCase");
        lower->setChecked(true);
        upper->setChecked(true);
        EXPECT_FALSE(lower->isChecked());
        sheet->accept();
        worked = true;
    });
    QTest::mouseClick(advanced, Qt::LeftButton);
    ASSERT_TRUE(worked);
    EXPECT_EQ(editor.EditCopy().m_strExcludeMasks, "*.TMP");
    EXPECT_TRUE(editor.EditsPending());

    window.Presenter().Synch();
    ASSERT_TRUE(tvtest::PumpUntil([&] { return window.Presenter().Runs().Outstanding() == 0; }));
    EXPECT_TRUE(fs::exists(target / "keep.txt"));
    EXPECT_FALSE(fs::exists(target / "scratch.tmp"));
    EXPECT_TRUE(window.Presenter().List().Task(0).Has2(tv::opt2::kFtpUpperCase));
}

TEST(AdvancedWindow, TheRealtimeDialogEnablesTheAccountFieldsWithTheirRadio) {
    tv::AddAdvancedStrings();
    tv::CRealtimeSettings settings;
    tv::CRTAdvDialog dialog(settings);
    dialog.show();
    auto* user = dialog.findChild<QLineEdit*>("serviceUser");
    EXPECT_FALSE(user->isEnabled());
    QTest::mouseClick(dialog.findChild<QRadioButton*>("account1"), Qt::LeftButton, {},
                      QPoint(6, 6));
    EXPECT_TRUE(user->isEnabled());
    QTest::keyClicks(user, "ann");
    EXPECT_EQ(settings.m_nAccount, 1);
    EXPECT_EQ(settings.m_strUser, "ann");
}

// Alt and a letter reach each control of a page without a clash with the sheet's own buttons.
TEST(AdvancedWindow, EveryPageHasItsOwnKeysInEachLanguage) {
    tvtest::CIsolatedHome home;
    tv::AddAdvancedStrings();
    tvtest::CScriptedDialogs dialogs;
    for (const char* language : {"English", "German"}) {
        SCOPED_TRACE(language);
        const fs::path part = fs::path(TWINVALE_SOURCE_DIR) / "lang" / language / "advanced.lang";
        ASSERT_TRUE(tv::LoadLanguageFile(tv::LocalFileSystem(), part.string()));
        tv::CAdvancedSheet sheet(tv::CElement(), tv::DialUpLayer::Present);
        tv::CAdvanced dialog(sheet, dialogs, {});
        QTabWidget* tabs = dialog.Tabs();
        std::vector<QChar> sheetKeys;
        tvtest::TakeMnemonic(dialog.findChild<QPushButton*>("setToAll")->text(), sheetKeys);
        for (int i = 0; i < tabs->count(); ++i) {
            SCOPED_TRACE(tabs->tabText(i).toStdString());
            std::vector<QChar> letters = tvtest::Mnemonics(*tabs->widget(i));
            letters.insert(letters.end(), sheetKeys.begin(), sheetKeys.end());
            const std::set<QChar> distinct(letters.begin(), letters.end());
            EXPECT_EQ(distinct.size(), letters.size())
                << QString(letters.data(), letters.size()).toStdString();
        }
    }
}

// The page among `pages` that holds the notification page's mail Test button.
QWidget* NotificationPage(const std::vector<QWidget*>& pages) {
    for (QWidget* page : pages) {
        if (page->findChild<QPushButton*>("mailTest")) {
            return page;
        }
    }
    ADD_FAILURE() << "no notification page";
    return nullptr;
}

// Alt and a letter reach every button, box and field of the notification page (its four Test
// buttons among them) beside the settings sheet's own buttons and beside the wizard's.
TEST(AdvancedWindow, TheNotificationPageHasAnAltKeyOnEveryControlInTheSheetAndTheWizard) {
    tvtest::CIsolatedHome home;
    tv::AddAdvancedStrings();
    tv::AddWizardStrings();
    tv::AddDialogStrings();
    tvtest::CScriptedDialogs dialogs;
    for (const char* language : {"German", "English"}) {
        SCOPED_TRACE(language);
        for (const char* part : {"advanced.lang", "dialogs.lang"}) {
            const fs::path file = fs::path(TWINVALE_SOURCE_DIR) / "lang" / language / part;
            ASSERT_TRUE(tv::LoadLanguageFile(tv::LocalFileSystem(), file.string()));
        }
        tv::CAdvancedSheet sheet(tv::CElement(), tv::DialUpLayer::Present);
        tv::CAdvanced dialog(sheet, dialogs, {});
        std::vector<QWidget*> tabs;
        for (int i = 0; i < dialog.Tabs()->count(); ++i) {
            tabs.push_back(dialog.Tabs()->widget(i));
        }
        QWidget* page = NotificationPage(tabs);
        ASSERT_NE(page, nullptr);
        std::vector<QChar> sheetKeys;
        tvtest::TakeMnemonic(dialog.findChild<QPushButton*>("setToAll")->text(), sheetKeys);
        tvtest::ExpectAnAltKeyOnEveryControl(*page, sheetKeys);

        tv::CTaskWizardModel model(home.Root().string(), tv::DialUpLayer::Absent);
        tv::CTaskWizard wizard(model, dialogs, tv::LocalFileSystem());
        std::vector<QWidget*> steps;
        for (int i = 0; i < wizard.Pages()->count(); ++i) {
            steps.push_back(wizard.Pages()->widget(i));
        }
        std::vector<QChar> wizardKeys;
        for (const char* name : {"wizardBack", "wizardNext", "wizardFinish", "wizardCancel"}) {
            tvtest::TakeMnemonic(wizard.findChild<QPushButton*>(name)->text(), wizardKeys);
        }
        page = NotificationPage(steps);
        ASSERT_NE(page, nullptr);
        tvtest::ExpectAnAltKeyOnEveryControl(*page, wizardKeys);
    }
}

// The erase buttons act on the recorder of the task's disc target off the window's thread and
// say how it went; a task without one is told so.
TEST(AdvancedWindow, EraseNowErasesTheDiscTargetsMediumAndSaysHowItWent) {
    tvtest::CIsolatedHome home;
    tv::AddAdvancedStrings();
    tvtest::CScriptedDialogs dialogs;
    tv::CElement task;
    task.m_Targets.emplace_back().m_strPath = (home.Root() / "plain").string();
    task.m_Targets.emplace_back().m_strPath = "stdio:" + (home.Root() / "disc.iso").string() + "/B";
    for (const char* button : {"eraseNow", "fullEraseNow"}) {
        tv::CAdvancedSheet sheet(task, tv::DialUpLayer::Present);
        tv::CAdvanced dialog(sheet, dialogs, {});
        auto* erase = dialog.findChild<QPushButton*>(button);
        ASSERT_NE(erase, nullptr);
        EXPECT_TRUE(erase->isEnabled());
        erase->click();
    }
    task.m_Targets.pop_back();
    tv::CAdvancedSheet sheet(task, tv::DialUpLayer::Present);
    tv::CAdvanced dialog(sheet, dialogs, {});
    dialog.findChild<QPushButton*>("eraseNow")->click();
    ASSERT_EQ(dialogs.m_asked.size(), 3u);
    EXPECT_EQ(dialogs.m_asked[0], "Erasing CD-RW finished");
    EXPECT_EQ(dialogs.m_asked[1], "Erasing CD-RW finished");
    EXPECT_NE(dialogs.m_asked[2].find("no disc recorder"), std::string::npos) << dialogs.m_asked[2];
}

}  // namespace
