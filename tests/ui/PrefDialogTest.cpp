#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "platform/FileSystem.h"
#include "support/TestEnv.h"
#include "ui/PrefDialog.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/SettingsKeep.h"

namespace {

// A click on the box itself: a check box or radio button takes clicks on its indicator and
// text only, not on the blank rest of its row.
void ClickIndicator(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

QCheckBox* Box(tv::CPrefDialog& dialog, const char* name) {
    auto* box = dialog.findChild<QCheckBox*>(name);
    EXPECT_NE(box, nullptr) << name;
    return box;
}

TEST(PrefDialog, ShowsTheBitsAndGivesBackWhatTheUserChanged) {
    tv::AddDialogStrings();
    int cleared = 0;
    tv::CPrefDialog dialog(0x404 | 0x080 | 0x1, [&cleared] { ++cleared; });
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    EXPECT_TRUE(dialog.findChild<QRadioButton*>("policy1")->isChecked());
    EXPECT_TRUE(Box(dialog, "pref004")->isChecked());
    EXPECT_TRUE(Box(dialog, "pref080")->isChecked());
    EXPECT_TRUE(Box(dialog, "pref400")->isChecked());
    EXPECT_FALSE(Box(dialog, "pref200")->isChecked());
    EXPECT_EQ(Box(dialog, "pref400")->text(), "Show tips on startup");

    ClickIndicator(Box(dialog, "pref400"));
    ClickIndicator(Box(dialog, "pref200"));
    ClickIndicator(dialog.findChild<QRadioButton*>("policy2"));

    QTest::mouseClick(dialog.findChild<QPushButton*>("clearPattern"), Qt::LeftButton);
    EXPECT_EQ(cleared, 1);  // at once, whether or not the dialog ends with OK

    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Preferences(), 0x004u | 0x080u | 0x200u | 0x2u);
}

// The choice starts as the profile has it (nothing stored: delete, 30 days), the days follow
// whether anything is kept, and OK stores what the user chose for the next start.
TEST(PrefDialog, KeepsReplacedAndDeletedFilesTheWayTheUserChose) {
    tvtest::CIsolatedHome home;
    tv::AddDialogStrings();
    tv::CKeepFilesChoice keep(tv::LocalFileSystem());
    tv::CPrefDialog dialog(0x404, {});
    dialog.AddKeepFiles(keep);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* days = dialog.findChild<QSpinBox*>("keepDays");
    ASSERT_NE(days, nullptr);
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("keep0")->isChecked());
    EXPECT_EQ(days->value(), 30);
    EXPECT_FALSE(days->isEnabled());

    ClickIndicator(dialog.findChild<QRadioButton*>("keep2"));
    EXPECT_TRUE(days->isEnabled());
    days->setValue(7);
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
    ASSERT_TRUE(keep.Store());

    const tv::CKeepFilesChoice stored(tv::LocalFileSystem());
    EXPECT_EQ(stored.Choice(), 2);
    EXPECT_EQ(stored.Days(), 7);
}

}  // namespace
