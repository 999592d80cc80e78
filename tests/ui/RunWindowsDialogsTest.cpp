// The file dialogs of the windows: the task-list filter, the extension of a saved name, and a
// location that may be a folder or a file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <filesystem>
#include <functional>

#include "support/TestEnv.h"
#include "ui/QtDialogs.h"
#include "uimodel/RunWindowStrings.h"

namespace {

namespace fs = std::filesystem;

// Answers the next file dialog that opens: types `name` and presses its accept button.
class CFileDialogActor {
  public:
    explicit CFileDialogActor(QString name, std::function<void(QFileDialog&)> inspect = {})
        : m_strName(std::move(name)), m_inspect(std::move(inspect)) {
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
        if (!dialog) {
            return;
        }
        m_timer.stop();
        if (m_inspect) {
            m_inspect(*dialog);
        }
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(m_strName);
        QMetaObject::invokeMethod(dialog, "accept");
    }

    QString m_strName;
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
