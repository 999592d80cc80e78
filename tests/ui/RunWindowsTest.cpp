// The windows of a run on a real run: the preview with an exclusion, the progress window to
// its summary; the workers' bridge to the GUI thread; the preview window on its own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <filesystem>
#include <thread>

#include "EventPump.h"
#include "Mnemonics.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "run/TaskLauncher.h"
#include "scan/TreeF.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"
#include "task/Element.h"
#include "ui/GuiBridge.h"
#include "ui/PreviewDlg.h"
#include "ui/QtRunViews.h"
#include "ui/TaskDlg.h"
#include "uimodel/Languages.h"
#include "uimodel/ProgressPresenter.h"
#include "uimodel/RunWindowStrings.h"

namespace {

using tvtest::PumpUntil;

namespace fs = std::filesystem;
using tv::PreviewList;
using tv::PromptAnswer;

class CBoard : public tv::IRunBoard {
  public:
    bool SeveralStarted() const override { return false; }
    bool ShutdownPending() const override { return m_bShutdown; }
    void SetShutdownPending(bool pending) override { m_bShutdown = pending; }
    bool m_bShutdown = false;
};

template <typename T>
T* VisibleWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<T*>(widget); window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

QStringList Texts(const QListWidget& list) {
    QStringList texts;
    for (int row = 0; row < list.count(); ++row) {
        texts << list.item(row)->text();
    }
    return texts;
}

// Selects the row showing `text` alone.
bool SelectRow(QTreeWidget& list, const QString& text) {
    list.clearSelection();
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        if (list.topLevelItem(row)->text(0) == text) {
            list.topLevelItem(row)->setSelected(true);
            return true;
        }
    }
    return false;
}

class RunWindows : public ::testing::Test {
  protected:
    void SetUp() override { tv::AddRunWindowStrings(); }

    tvtest::CIsolatedHome m_home;
    tvtest::CTempDir m_dir;
    CBoard m_board;
    tvtest::CScriptedDialogs m_dialogs;
};

TEST_F(RunWindows, PreviewExclusionKeepsTheFileAndTheWindowEndsWithItsSummary) {
    const fs::path src = m_dir / "src";
    const fs::path dst = m_dir / "dst";
    fs::create_directories(src);
    fs::create_directories(dst);
    tvtest::WriteFile(src / "new.txt", "new");
    tvtest::WriteFile(dst / "extra1.txt", "1");
    tvtest::WriteFile(dst / "extra2.txt", "2");
    tv::CElement task;
    task.m_nTaskId = 5;
    task.m_strName = "Mirror";
    task.m_dwOptions = tv::opt1::kIncludeSubfolders | tv::opt1::kPreview;
    task.m_dwOptions3 = tv::opt3::kAsciiLog;
    task.m_Source.m_strPath = src.string();
    task.m_Targets.emplace_back().m_strPath = dst.string();

    tv::CProfile profile(tv::LocalFileSystem());
    tv::CQtRunViews views(m_board, profile);
    std::atomic<bool> ended{false};
    tv::CTaskLauncher launcher(tv::LocalFileSystem(),
                               {static_cast<uint32_t>(tv::ErrorPolicy::Continue), &views.Preview(),
                                [&](tv::CElement&, const tv::CTaskDone&) { ended = true; }});
    task.m_Run.Attach(views.OpenProgress(task, 0), &views.Prompter(task));

    bool excluded = false;
    QTimer actor;
    QObject::connect(&actor, &QTimer::timeout, [&] {
        auto* preview = VisibleWindow<tv::CPreviewDlg>();
        if (!preview) {
            return;
        }
        actor.stop();
        excluded = SelectRow(*preview->List(PreviewList::DeleteInTarget), "extra2.txt");
        QTest::mouseClick(preview->ToggleButton(PreviewList::DeleteInTarget), Qt::LeftButton);
        QTest::mouseClick(preview->findChild<QPushButton*>("okButton"), Qt::LeftButton);
    });
    actor.start(20);
    ASSERT_TRUE(launcher.LaunchOne(task, tv::RunCommand::Replace, false));
    ASSERT_TRUE(PumpUntil([&] { return ended.load(); }));
    launcher.Wait(task);

    EXPECT_TRUE(excluded);
    EXPECT_EQ(task.m_Run.Ending(), tv::RunEnd::Normal);
    EXPECT_TRUE(fs::exists(dst / "new.txt"));
    EXPECT_FALSE(fs::exists(dst / "extra1.txt"));
    EXPECT_TRUE(fs::exists(dst / "extra2.txt")) << "the excluded deletion was carried out";

    tv::CTaskDlg* window = views.ProgressWindow(task);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Task: Mirror (5)");
    EXPECT_EQ(window->findChild<QLabel*>("phaseLabel")->text(), "Finished");
    const QStringList details = Texts(*window->findChild<QListWidget*>("detailsList"));
    EXPECT_TRUE(details.contains("SUMMARY:"));
    EXPECT_TRUE(details.contains("Files copied  (from src/from target): 1 / 0"));
    EXPECT_TRUE(details.contains("Files deleted (from src/from target): 0 / 1"));
    auto* close = window->findChild<QPushButton*>("cancelButton");
    EXPECT_EQ(close->text(), "&Close");
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_TRUE(PumpUntil([&] { return views.ProgressWindow(task) == nullptr; }));
}

// Questions of two runs are open at once, each titled by its task; the later one is answered
// first and each worker gets its own answer.
TEST_F(RunWindows, QuestionsOfTwoRunsAreAnsweredEachOnItsOwn) {
    tv::CProfile profile(tv::LocalFileSystem());
    tv::CQtRunViews views(m_board, profile);
    tv::CElement first;
    first.m_nTaskId = 1;
    first.m_strName = "One";
    tv::CElement second;
    second.m_nTaskId = 2;
    second.m_strName = "Two";
    std::atomic<int> firstAnswer{0};
    std::atomic<int> secondAnswer{0};
    std::thread asksFirst([&] {
        firstAnswer = static_cast<int>(views.Prompter(first).AbortRetryIgnore("Can't open /a"));
    });
    ASSERT_TRUE(PumpUntil([] { return VisibleWindow<QMessageBox>() != nullptr; }));
    std::thread asksSecond(
        [&] { secondAnswer = static_cast<int>(views.Prompter(second).YesNo("Delete /b?")); });
    QMessageBox* boxes[2] = {};
    ASSERT_TRUE(PumpUntil([&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                boxes[box->windowTitle() == "Task: Two (2)" ? 1 : 0] = box;
            }
        }
        return boxes[0] && boxes[1];
    }));
    EXPECT_EQ(boxes[0]->windowTitle(), "Task: One (1)");
    QTest::mouseClick(boxes[1]->button(QMessageBox::Yes), Qt::LeftButton);
    EXPECT_TRUE(PumpUntil([&] { return secondAnswer.load() != 0; }));
    EXPECT_EQ(firstAnswer.load(), 0) << "the open question was answered by another";
    QTest::mouseClick(boxes[0]->button(QMessageBox::Retry), Qt::LeftButton);
    EXPECT_TRUE(PumpUntil([&] { return firstAnswer.load() != 0; }));
    asksFirst.join();
    asksSecond.join();
    EXPECT_EQ(firstAnswer.load(), static_cast<int>(PromptAnswer::Retry));
    EXPECT_EQ(secondAnswer.load(), static_cast<int>(PromptAnswer::Yes));
}

TEST_F(RunWindows, ADetachedGuiLetsAWaitingWorkerGo) {
    tv::CGuiBridge bridge;
    std::atomic<bool> asking{false};
    std::atomic<int> result{-1};
    bool ran = false;
    std::thread worker([&] {
        asking = true;
        result = bridge.Call([&] { ran = true; }) ? 1 : 0;
    });
    // The GUI thread does not serve the call (it might be waiting for the worker); it lets
    // the worker go instead.
    while (!asking) {
        std::this_thread::yield();
    }
    bridge.Detach();
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(ran) << "a call given up must not run later";
}

TEST_F(RunWindows, AServedCallRunsOnTheGuiThreadWhileTheWorkerWaits) {
    tv::CGuiBridge bridge;
    std::atomic<bool> returned{false};
    Qt::HANDLE ranOn = nullptr;
    std::thread worker([&] {
        bridge.Call([&] { ranOn = QThread::currentThreadId(); });
        returned = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_EQ(ranOn, QThread::currentThreadId());
}

TEST_F(RunWindows, PreviewTogglesTheSelectionAndCancelLeavesTheTreeAlone) {
    tv::CElement task;
    task.m_Run.Begin(tv::RunKind::Replace, tv::pref::kDefault, 0);
    tv::CTreeF root;
    for (const char* name : {"a", "b", "c"}) {
        root.files.emplace_back(name, 1000, tv::Side::Target, 0, 0, 0, true, false,
                                tv::ACTION_DELETE);
    }
    tv::CPlanBytes bytes;
    bytes.m_deleteInTarget = 3000;
    tv::CPreviewModel model(task, root, bytes, {"Task: 1  /s --> /t", "/s", "/t", 0, {}});
    tv::CProfile profile(tv::LocalFileSystem());
    profile.WriteProfileInt("Settings", "PCX", 900);
    profile.WriteProfileInt("Settings", "PCY", 700);
    {
        tv::CPreviewDlg dialog(model, &profile);
        EXPECT_EQ(dialog.windowTitle(), "Task: 1  /s --> /t");
        EXPECT_EQ(dialog.size(), QSize(900, 700));
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        QTreeWidget* list = dialog.List(PreviewList::DeleteInTarget);
        ASSERT_EQ(list->topLevelItemCount(), 3);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(list->selectedItems().size(), 3);
        QTest::mouseClick(dialog.ToggleButton(PreviewList::DeleteInTarget), Qt::LeftButton);
        EXPECT_TRUE(model.IsExcluded(PreviewList::DeleteInTarget, 2));
        EXPECT_TRUE(list->topLevelItem(2)->font(0).strikeOut());
        SelectRow(*list, "b");
        // The view takes a double click only on the row the button went down on.
        const QPoint row = list->visualItemRect(list->topLevelItem(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
        EXPECT_FALSE(model.IsExcluded(PreviewList::DeleteInTarget, 1));
        EXPECT_FALSE(list->topLevelItem(1)->font(0).strikeOut());
        EXPECT_TRUE(model.IsExcluded(PreviewList::DeleteInTarget, 0));
        dialog.reject();
    }
    EXPECT_EQ(root.files.size(), 3u) << "only OK takes actions out";
    EXPECT_EQ(profile.GetProfileInt("Settings", "PMXM", -1), 0);
}

// Alt and a letter reach every button and path field of the progress window, in each of its
// states, and every list and button of the preview, in each shipped language.
TEST_F(RunWindows, EveryControlOfTheRunWindowsHasAnAltKeyOfItsOwnInEachLanguage) {
    for (const char* language : {"German", "English"}) {
        SCOPED_TRACE(language);
        const fs::path part = fs::path(TWINVALE_SOURCE_DIR) / "lang" / language / "run.lang";
        ASSERT_TRUE(tv::LoadLanguageFile(tv::LocalFileSystem(), part.string()));
        tv::CElement task;
        task.m_strName = "Keys";
        task.m_Run.Begin(tv::RunKind::Replace, 0, 0);
        auto presenter = std::make_shared<tv::CProgressPresenter>(task, m_board, 0);
        {
            tv::CTaskDlg progress(presenter);
            tvtest::ExpectAnAltKeyOnEveryControl(progress);
            presenter->TogglePause();
            presenter->ToggleDetails();
            tvtest::ExpectAnAltKeyOnEveryControl(progress);
            presenter->OnTaskEnd(tv::RunEnd::Normal);
            EXPECT_TRUE(presenter->Finished());
            tvtest::ExpectAnAltKeyOnEveryControl(progress);
        }

        tv::CTreeF root;
        tv::CPreviewModel model(task, root, {}, {"Task: 1  /s --> /t", "/s", "/t", 0, {}});
        tv::CProfile profile(tv::LocalFileSystem());
        tv::CPreviewDlg preview(model, &profile);
        tvtest::ExpectAnAltKeyOnEveryControl(preview);
    }
}

}  // namespace
