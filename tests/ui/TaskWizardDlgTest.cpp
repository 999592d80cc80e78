// The new-task wizard clicked through from the main window's button to a run of its task.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "EventPump.h"
#include "SampleWindow.h"
#include "ui/MirrantDlg.h"
#include "ui/TaskWizardDlg.h"
#include "uimodel/AdvancedStrings.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/RunWindowStrings.h"
#include "uimodel/WizardStrings.h"

namespace {

namespace fs = std::filesystem;

void Click(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2));
}

TEST(WizardWindow, ClickingThroughThePagesMakesABackupTaskThatRunsWithItsFilter) {
    tv::AddMainWindowStrings();
    tv::AddRunWindowStrings();
    tv::AddAdvancedStrings();
    tv::AddWizardStrings();
    tvtest::CSampleWindow sample;
    tv::CMirrantDlg& window = *sample.m_window;
    const fs::path& source = sample.m_source;
    const fs::path& target = sample.m_target;
    window.Presenter().Editor().NewTask();
    const int firstId = window.Presenter().List().Task(0).m_nTaskId;

    std::vector<std::string> captions;
    bool worked = false;
    QTimer::singleShot(0, [&] {
        auto* wizard = qobject_cast<tv::CTaskWizard*>(QApplication::activeModalWidget());
        ASSERT_NE(wizard, nullptr);
        auto* next = wizard->findChild<QPushButton*>("wizardNext");
        auto* back = wizard->findChild<QPushButton*>("wizardBack");
        auto* finish = wizard->findChild<QPushButton*>("wizardFinish");
        EXPECT_FALSE(back->isEnabled());
        EXPECT_FALSE(finish->isEnabled());
        Click(wizard->findChild<QRadioButton*>("wizardKind1"));
        QTest::mouseClick(next, Qt::LeftButton);
        QTest::keyClicks(wizard->findChild<QLineEdit*>("wizardSource"),
                         QString::fromStdString(source.string()));
        QTest::keyClicks(wizard->findChild<QLineEdit*>("wizardTarget"),
                         QString::fromStdString(target.string()));
        QTest::mouseClick(wizard->findChild<QPushButton*>("wizardAddTarget"), Qt::LeftButton);
        QTest::mouseClick(next, Qt::LeftButton);
        // A backup task: the targets-usage pair instead of the mode pair.
        EXPECT_TRUE(wizard->findChild<QRadioButton*>("wizardUsage0")->isVisible());
        EXPECT_FALSE(wizard->findChild<QRadioButton*>("wizardMode0")->isVisible());
        Click(wizard->findChild<QCheckBox*>("wizardPreview"));
        while (wizard->Pages()->currentWidget()->findChild<QCheckBox*>("excludeMasks") == nullptr &&
               next->isEnabled()) {
            QTest::mouseClick(next, Qt::LeftButton);
        }
        Click(wizard->findChild<QCheckBox*>("excludeMasks"));
        QTest::keyClicks(wizard->findChild<QLineEdit*>("excludeMasksText"), "*.tmp");
        while (next->isEnabled()) {
            captions.push_back(wizard->windowTitle().toStdString());
            QTest::mouseClick(next, Qt::LeftButton);
        }
        captions.push_back(wizard->windowTitle().toStdString());
        EXPECT_TRUE(finish->isEnabled());
        QTest::mouseClick(finish, Qt::LeftButton);
        worked = true;
    });
    QTest::mouseClick(window.findChild<QPushButton*>("wizardButton"), Qt::LeftButton);
    ASSERT_TRUE(worked);
    // Each page names its step; without the dial-up layer the numbers go from 7 to 9.
    std::vector<std::string> expected = {"Step 6", "Step 7", "Step 9", "Step 10", "Step 11"};
    if (tv::DialUpLayerHere() == tv::DialUpLayer::Present) {
        expected.insert(expected.begin() + 2, "Step 8");
    }
    EXPECT_EQ(captions, expected);

    tv::CMainPresenter& p = window.Presenter();
    ASSERT_EQ(p.List().RowCount(), 2);
    EXPECT_EQ(p.Editor().Selection(), std::vector<int>{1});
    EXPECT_NE(p.List().Task(1).m_nTaskId, firstId);
    EXPECT_EQ(p.List().Task(1).Kind(), tv::TaskKind::BackupRestore);
    p.Synch();
    ASSERT_TRUE(tvtest::PumpUntil([&] { return p.Runs().Outstanding() == 0; }));
    EXPECT_TRUE(fs::exists(target / "keep.txt"));
    EXPECT_FALSE(fs::exists(target / "scratch.tmp"));
}

}  // namespace
