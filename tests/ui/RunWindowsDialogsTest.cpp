// The file dialogs of the windows: the task-list filter, the extension of a saved name, and a
// location that may be a folder or a file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <functional>

#include "support/TestEnv.h"
#include "ui/QtDialogs.h"
#include "ui/RunSummaryDlg.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/RunWindowStrings.h"

namespace {

namespace fs = std::filesystem;

// Answers the next file dialogs that open, one name each: types it and presses the accept
// button.
class CFileDialogActor {
  public:
    explicit CFileDialogActor(QString name, std::function<void(QFileDialog&)> inspect = {})
        : CFileDialogActor(QStringList{std::move(name)}, std::move(inspect)) {}
    CFileDialogActor(QStringList names, std::function<void(QFileDialog&)> inspect)
        : m_names(std::move(names)), m_inspect(std::move(inspect)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Act(); });
        m_timer.start(20);
    }

  private:
    void Act() {
        QFileDialog* dialog = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<QFileDialog*>(widget); found && found->isVisible()) {
                dialog = found;
            }
        }
        if (!dialog || QApplication::activeModalWidget() != dialog) {
            return;
        }
        if (m_inspect) {
            m_inspect(*dialog);
        }
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(m_names.takeFirst());
        if (m_names.isEmpty()) {
            m_timer.stop();
        }
        QMetaObject::invokeMethod(dialog, "accept");
    }

    QStringList m_names;
    std::function<void(QFileDialog&)> m_inspect;
    QTimer m_timer;
};

class RunWindowsDialogs : public ::testing::Test {
  protected:
    void SetUp() override { tv::AddRunWindowStrings(); }
    tvtest::CIsolatedHome m_home;
    tvtest::CTempDir m_dir;
    tv::CQtDialogs m_dialogs;
};

TEST_F(RunWindowsDialogs, ASavedTaskListNameWithoutADotGetsTheExtension) {
    QStringList filters;
    QString selected;
    CFileDialogActor actor("mylist", [&](QFileDialog& dialog) {
        filters = dialog.nameFilters();
        selected = dialog.selectedNameFilter();
    });
    const auto chosen = m_dialogs.SaveFile(tv::FileKind::TaskList, "Save As", m_dir.Path());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, (m_dir / "mylist.tsl").string());
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(filters[0].startsWith("All (*.*)"));
    EXPECT_TRUE(filters[1].startsWith("Twinvale tasks list (.tsl)"));
    // The filter is shown as its text stands, and it is the one preselected.
    EXPECT_EQ(selected.toStdString(), "Twinvale tasks list (.tsl)");
}

TEST_F(RunWindowsDialogs, ASavedNameWithADotStaysAsItIs) {
    CFileDialogActor actor("keys.backup");
    const auto chosen = m_dialogs.SaveFile(tv::FileKind::KeyFile, {}, m_dir.Path());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, (m_dir / "keys.backup").string());
}

// Answers the next question box with `button`; `text` gets what it asked.
void AnswerNextBox(QMessageBox::StandardButton button, QString* text) {
    QTimer::singleShot(20, [button, text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            *text = box->text() + "\n" + box->informativeText();
            box->button(button)->click();
            return;
        }
        AnswerNextBox(button, text);
    });
}

TEST_F(RunWindowsDialogs, ANameThatTheExtensionTurnsIntoAnExistingFileIsAskedAbout) {
    tvtest::WriteFile(m_dir / "mylist.tsl", "kept");
    QString asked;
    CFileDialogActor actor(QStringList{"mylist", "other"}, {});  // No shows the dialog again
    AnswerNextBox(QMessageBox::No, &asked);
    EXPECT_EQ(m_dialogs.SaveFile(tv::FileKind::TaskList, "Save As", m_dir.Path()),
              (m_dir / "other.tsl").string());
    EXPECT_EQ(asked.toStdString(),
              (m_dir / "mylist.tsl").string() + " already exists.\nDo you want to replace it?");
}

// "Choose" works before anything is selected, and takes the folder shown.
TEST_F(RunWindowsDialogs, TheFolderShownCanBeChosen) {
    fs::create_directories(m_dir / "photos");
    bool enabled = false;
    CFileDialogActor actor("", [&](QFileDialog& dialog) {
        enabled = dialog.findChild<QPushButton*>("chooseButton")->isEnabled();
    });
    EXPECT_EQ(m_dialogs.ChooseLocation((m_dir / "photos").string()), (m_dir / "photos").string());
    EXPECT_TRUE(enabled);
}

// The summary of several runs lines its counts up in columns, one row per run, and every cell
// and title is shown whole.
TEST_F(RunWindowsDialogs, TheSummaryIsATableWithARowPerRun) {
    tv::AddMainWindowStrings();
    std::vector<tv::CRunSummaryRow> rows(2);
    rows[0] = {3, "Photos of the summer holidays", 120, 0, 0, 4, 0, false};
    rows[1] = {9, "Documents", 2, 1, 0, 0, 3, true};
    tv::CRunSummaryDlg box(rows, "Task ID: 3 9");
    box.show();
    auto* table = box.findChild<QTreeWidget*>("summaryTable");
    ASSERT_EQ(table->topLevelItemCount(), 2);
    const std::vector<QStringList> expected = {
        {"Task ID", "Files copied (from src/from target)", "Files deleted (from src/from target)",
         "Errors"},
        {"3  Photos of the summer holidays", "120 / 0", "0 / 4", "0"},
        {"9  Documents", "2 / 1", "0 / 0", "!!! 3"}};
    const QTreeWidgetItem* items[] = {table->headerItem(), table->topLevelItem(0),
                                      table->topLevelItem(1)};
    for (int column = 0; column < 4; ++column) {
        for (size_t i = 0; i < expected.size(); ++i) {
            const QString& text = expected[i][column];
            EXPECT_EQ(items[i]->text(column), text);
            EXPECT_GE(table->columnWidth(column), table->fontMetrics().horizontalAdvance(text));
        }
    }
}

TEST_F(RunWindowsDialogs, ALocationMayBeAFolderOrAFile) {
    fs::create_directories(m_dir / "photos");
    tvtest::WriteFile(m_dir / "notes.txt", "n");
    {
        CFileDialogActor actor("photos");
        EXPECT_EQ(m_dialogs.ChooseLocation(m_dir.Path()), (m_dir / "photos").string());
    }
    {
        CFileDialogActor actor("notes.txt");
        EXPECT_EQ(m_dialogs.ChooseLocation(m_dir.Path()), (m_dir / "notes.txt").string());
    }
}

}  // namespace
