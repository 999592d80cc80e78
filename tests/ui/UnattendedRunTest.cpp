// A run of tasks started as a launcher or a shortcut starts it, with a display: the program's
// own command-line entry runs in this process on the offscreen platform, and the test answers
// its windows as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>

#include "app/CliMain.h"
#include "platform/FileSystem.h"
#include "support/TestEnv.h"
#include "ui/PreviewDlg.h"
#include "ui/TaskDlg.h"
#include "ui/UnattendedWindows.h"

namespace {

namespace fs = std::filesystem;

struct CTaskSpec {
    int m_nId;
    fs::path m_source;
    fs::path m_target;
};

std::string TaskJson(const CTaskSpec& task) {
    // Target update with subfolders and Preview, plain-text log.
    return "{\"m_nTaskId\":" + std::to_string(task.m_nId) + ",\"m_strName\":\"Task" +
           std::to_string(task.m_nId) + "\",\"m_dwOptions\":161,\"m_dwOptions3\":3072," +
           "\"m_Source\":{\"m_strPath\":\"" + task.m_source.string() + "\"}," +
           "\"m_Targets\":[{\"m_strPath\":\"" + task.m_target.string() + "\"}]}";
}

template <typename T>
std::vector<T*> VisibleWindows() {
    std::vector<T*> shown;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<T*>(widget); window && window->isVisible()) {
            shown.push_back(window);
        }
    }
    return shown;
}

QString Asking(const tv::CPreviewDlg& preview) {
    return preview.findChild<QLabel*>("taskLabel")->text();
}

tv::CTaskDlg* ProgressOf(const QString& caption) {
    for (tv::CTaskDlg* window : VisibleWindows<tv::CTaskDlg>()) {
        if (window->windowTitle() == caption) {
            return window;
        }
    }
    return nullptr;
}

void Click(QWidget* window, const char* button) {
    QTest::mouseClick(window->findChild<QPushButton*>(button), Qt::LeftButton);
}

class UnattendedRun : public ::testing::Test {
  protected:
    CTaskSpec Make(int id) {
        CTaskSpec task{id, m_dir / ("src" + std::to_string(id)),
                       m_dir / ("dst" + std::to_string(id))};
        fs::create_directories(task.m_source);
        fs::create_directories(task.m_target);
        tvtest::WriteFile(task.m_source / "file.txt", "from task " + std::to_string(id));
        return task;
    }
    std::string MakeList(const std::vector<CTaskSpec>& tasks) {
        std::string json = "{\"version\":\"590\",\"tasks\":[";
        for (const CTaskSpec& task : tasks) {
            json += (&task == &tasks.front() ? "" : ",") + TaskJson(task);
        }
        tvtest::WriteFile(m_dir / "list.json", json + "]}");
        const std::string list = (m_dir / "list.tsl").string();
        EXPECT_EQ(Mirrant({"--make-list", (m_dir / "list.json").string(), list}), 0) << m_err.str();
        return list;
    }
    // The program's entry as main() calls it with a display; `act` is called every few
    // milliseconds while the windows are served and drives them.
    int Mirrant(const std::vector<std::string>& args, const std::function<void()>& act = {}) {
        QTimer actor;
        if (act) {
            QObject::connect(&actor, &QTimer::timeout, act);
            actor.start(5);
        }
        std::ostringstream out;
        return tv::RunMirrant(tv::LocalFileSystem(), args, "test", out, m_err, {},
                              [](tv::CMirrantApp& app, const auto& run) {
                                  int argc = 0;
                                  return tv::RunWithWindows(argc, nullptr, app, run);
                              });
    }

    tvtest::CIsolatedHome m_home;
    tvtest::CTempDir m_dir;
    std::ostringstream m_err;
};

TEST_F(UnattendedRun, APreviewIsAnsweredInItsWindowAndTheRunEndsWhenItsWindowCloses) {
    const CTaskSpec task = Make(5);
    const std::string list = MakeList({task});
    QString asking;
    bool closed = false;
    const int code = Mirrant({"-f:" + list, "5"}, [&] {
        if (const auto previews = VisibleWindows<tv::CPreviewDlg>(); !previews.empty()) {
            asking = Asking(*previews.front());
            Click(previews.front(), "okButton");
        }
        tv::CTaskDlg* progress = ProgressOf("Task: Task5 (5)");
        if (progress && progress->Presenter().Finished() && !closed) {
            closed = true;
            Click(progress, "cancelButton");  // it reads "Close" now
        }
    });
    EXPECT_EQ(code, 0) << m_err.str();
    EXPECT_EQ(asking, "Task: Task5 (5)");
    EXPECT_TRUE(closed) << "the run ended before its window was closed";
    EXPECT_EQ(tvtest::ReadFile(task.m_target / "file.txt"), "from task 5");
    EXPECT_TRUE(VisibleWindows<tv::CTaskDlg>().empty());
}

// Each preview is answered on its own: the one opened first is answered first and its run goes
// to its end while the other preview is still open, then the other one is refused.
TEST_F(UnattendedRun, TwoPreviewsOpenAtOnceAreAnsweredEachOnItsOwn) {
    const CTaskSpec one = Make(1);
    const CTaskSpec two = Make(2);
    const std::string list = MakeList({one, two});
    QStringList opened;  // the tasks of the previews, in the order they opened
    QString refused;
    bool otherStillOpen = false;
    const int code = Mirrant({"-f:" + list, "1", "2", "/M"}, [&] {
        const auto previews = VisibleWindows<tv::CPreviewDlg>();
        for (tv::CPreviewDlg* preview : previews) {
            if (!opened.contains(Asking(*preview))) {
                opened << Asking(*preview);
            }
        }
        if (opened.size() < 2) {
            return;
        }
        for (tv::CPreviewDlg* preview : previews) {
            if (Asking(*preview) == opened[0]) {
                Click(preview, "okButton");
            }
        }
        tv::CTaskDlg* first = ProgressOf(opened[0]);
        if (refused.isEmpty() && first && first->Presenter().Finished()) {
            for (tv::CPreviewDlg* preview : previews) {
                if (Asking(*preview) == opened[1]) {
                    otherStillOpen = true;
                    refused = opened[1];
                    Click(preview, "cancelButton");
                }
            }
        }
        for (tv::CTaskDlg* window : VisibleWindows<tv::CTaskDlg>()) {
            if (window->Presenter().Finished()) {
                Click(window, "cancelButton");
            }
        }
    });
    ASSERT_EQ(opened.size(), 2) << m_err.str();
    EXPECT_TRUE(otherStillOpen) << "the first run waited for the second preview";
    const CTaskSpec& accepted = opened[0] == "Task: Task1 (1)" ? one : two;
    const CTaskSpec& canceled = opened[0] == "Task: Task1 (1)" ? two : one;
    EXPECT_TRUE(fs::exists(accepted.m_target / "file.txt"));
    EXPECT_FALSE(fs::exists(canceled.m_target / "file.txt"));
    EXPECT_NE(code, 0) << "a refused preview cancels its run, which the exit code must say";
}

// Consecutive runs: the first is paused and canceled while its preview is open, and "Stop all
// tasks?" is answered No: the next run goes on to its end, and the canceled one copied nothing.
TEST_F(UnattendedRun, NoToStopAllTasksRunsTheNextTask) {
    const CTaskSpec one = Make(1);
    const CTaskSpec two = Make(2);
    const std::string list = MakeList({one, two});
    bool canceled = false;
    QString asked;
    int ticks = 0;
    const int code = Mirrant({"-f:" + list, "1", "2", "/C"}, [&] {
        tv::CTaskDlg* first = ProgressOf("Task: Task1 (1)");
        for (tv::CPreviewDlg* preview : VisibleWindows<tv::CPreviewDlg>()) {
            if (first && !canceled) {
                canceled = true;
                Click(first, "pauseButton");
                Click(first, "cancelButton");
            }
            Click(preview, "okButton");
        }
        for (QMessageBox* box : VisibleWindows<QMessageBox>()) {
            asked = box->text();
            QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
        }
        // The question is shown over the first run's window and goes with it: that window is
        // closed once the question was answered (or, should it never come, after a while).
        ++ticks;
        for (tv::CTaskDlg* window : VisibleWindows<tv::CTaskDlg>()) {
            if (window->Presenter().Finished() &&
                (window != first || !asked.isEmpty() || ticks > 2000)) {
                Click(window, "cancelButton");
            }
        }
    });
    EXPECT_TRUE(canceled);
    EXPECT_EQ(asked, "Stop all tasks?");
    EXPECT_NE(code, 0) << "the canceled run must show in the exit code";
    EXPECT_FALSE(fs::exists(one.m_target / "file.txt"));
    EXPECT_EQ(tvtest::ReadFile(two.m_target / "file.txt"), "from task 2");
}

// The switch "D" shows in the progress window's shutdown box, and the user who clears it keeps
// the computer on.
TEST_F(UnattendedRun, TheShutdownSwitchTicksTheBoxAndClearingItKeepsTheComputerOn) {
    const fs::path mark = m_dir / "shut-down";
    setenv("TWINVALE_SHUTDOWN_CMD", ("touch '" + mark.string() + "'").c_str(), 1);
    const CTaskSpec task = Make(5);
    const std::string list = MakeList({task});
    for (const bool clear : {false, true}) {
        SCOPED_TRACE(clear ? "cleared" : "kept");
        fs::remove(mark);
        bool ticked = false;
        const int code = Mirrant({"-f:" + list, "5", "/D"}, [&] {
            tv::CTaskDlg* progress = ProgressOf("Task: Task5 (5)");
            const auto previews = VisibleWindows<tv::CPreviewDlg>();
            if (progress && !previews.empty()) {
                auto* box = progress->findChild<QCheckBox*>("shutdownBox");
                ticked = ticked || box->isChecked();
                if (clear && box->isChecked()) {
                    QTest::mouseClick(box, Qt::LeftButton);
                }
                Click(previews.front(), "okButton");
            }
            if (progress && progress->Presenter().Finished()) {
                Click(progress, "cancelButton");
            }
        });
        EXPECT_EQ(code, 0) << m_err.str();
        EXPECT_TRUE(ticked);
        EXPECT_EQ(fs::exists(mark), !clear);
        EXPECT_EQ(tvtest::ReadFile(task.m_target / "file.txt"), "from task 5");
    }
}

}  // namespace
