// The progress window's state and commands, headless: placement, path shortening, the
// run's reports, Pause/Cancel, the shutdown box and the end rules.
#include <gtest/gtest.h>

#include <thread>

#include "base/StringTable.h"
#include "support/InforLines.h"
#include "task/Element.h"
#include "uimodel/ProgressPresenter.h"
#include "uimodel/RunViews.h"
#include "uimodel/RunWindowStrings.h"

namespace {

using tv::CProgressPresenter;
namespace part = tv::progress_part;

class CBoard : public tv::IRunBoard {
  public:
    bool m_bSeveral = false;
    bool m_bShutdown = false;
    bool SeveralStarted() const override { return m_bSeveral; }
    bool ShutdownPending() const override { return m_bShutdown; }
    void SetShutdownPending(bool pending) override { m_bShutdown = pending; }
};

class CListener : public tv::IProgressListener {
  public:
    void ProgressChanged(unsigned parts) override {
        m_nAll |= parts;
        m_nLast = parts;
    }
    unsigned m_nAll = 0;
    unsigned m_nLast = 0;
};

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(ProgressPlace, TenPlacesCascadeOverTheMiddleOfTheWorkArea) {
    const tv::CScreenRect area{100, 50, 1100, 1050};  // 1000 x 1000, off the origin
    const tv::CScreenPoint first = tv::ProgressWindowPlace(area, 0);
    EXPECT_EQ(first.m_nX, 300);
    EXPECT_EQ(first.m_nY, 250);
    const tv::CScreenPoint fifth = tv::ProgressWindowPlace(area, 5);
    EXPECT_EQ(fifth.m_nX, 300 + 400 * 5 / 10);
    EXPECT_EQ(fifth.m_nY, 250 + 400 * 5 / 10);
    const tv::CScreenPoint eleventh = tv::ProgressWindowPlace(area, 10);
    EXPECT_EQ(eleventh.m_nX, first.m_nX);
    EXPECT_EQ(eleventh.m_nY, first.m_nY);
    EXPECT_EQ(tv::ProgressWindowPlace(area, 13).m_nX, tv::ProgressWindowPlace(area, 3).m_nX);
}

TEST(ShortenPath, KeepsTheHeadAndTheLongestTailThatFits) {
    const auto upTo = [](size_t width) {
        return [width](const std::string& text) { return text.size() <= width; };
    };
    const std::string path = "/home/user/documents/projects/report.txt";
    EXPECT_EQ(tv::ShortenPathMiddle(path, upTo(100)), path);
    EXPECT_EQ(tv::ShortenPathMiddle(path, upTo(30)), "/home.../projects/report.txt");
    // Nothing fits: the last name still shows.
    EXPECT_EQ(tv::ShortenPathMiddle(path, upTo(4)), "/home.../report.txt");
    EXPECT_EQ(tv::ShortenPathMiddle("C:\\Users\\me\\Desktop\\file.txt", upTo(23)),
              "C:\\...\\Desktop\\file.txt");
    EXPECT_EQ(tv::ShortenPathMiddle("/onename", upTo(3)), "/onename");
}

TEST(ShortenPath, CountsTheHeadInWholeCharacters) {
    const std::string path = "/h\xC3\xA4user/a/b/c/d/e/file";
    const std::string shortened =
        tv::ShortenPathMiddle(path, [](const std::string& text) { return text.size() <= 16; });
    EXPECT_EQ(shortened, "/h\xC3\xA4us.../e/file");
}

class ProgressPresenter : public ::testing::Test {
  protected:
    void SetUp() override {
        tv::AddRunWindowStrings();
        m_task.m_strName = "Photos";
        m_task.m_nTaskId = 42;
        tvtest::BeginRun(m_task.m_Run, tv::RunKind::Synchronize, 0);
    }

    CProgressPresenter& Make(int sequence = 0) {
        m_presenter = std::make_unique<CProgressPresenter>(
            m_task, m_board, sequence,
            [this](const std::string& path) { m_sounds.push_back(path); });
        m_presenter->SetListener(&m_listener);
        return *m_presenter;
    }

    tv::CElement m_task;
    CBoard m_board;
    CListener m_listener;
    std::vector<std::string> m_sounds;
    std::unique_ptr<CProgressPresenter> m_presenter;
};

TEST_F(ProgressPresenter, OpensCollapsedWithTheCaptionAndThePendingShutdown) {
    m_board.m_bShutdown = true;
    CProgressPresenter& p = Make();
    EXPECT_EQ(p.Caption(), "Task: Photos (42)");
    EXPECT_FALSE(p.Expanded());
    EXPECT_EQ(p.DetailsLabel(), "&Details >>");
    EXPECT_TRUE(p.ShutdownChecked());
    EXPECT_EQ(p.PauseLabel(), "&Pause");
    EXPECT_EQ(p.CancelLabel(), "&Cancel");
    p.ToggleDetails();
    EXPECT_TRUE(p.Expanded());
    EXPECT_EQ(p.DetailsLabel(), "<< &Details");
}

TEST_F(ProgressPresenter, StatusShowsThePhaseAndCopyingTakesTheCurrentPaths) {
    CProgressPresenter& p = Make();
    m_task.m_Run.SetDisplayPath(tv::Side::Source, "/src/a.txt");
    m_task.m_Run.SetDisplayPath(tv::Side::Target, "/dst/a.txt");
    p.OnStatus(tv::IDS_COMPARING_ATTRIBUTES);
    EXPECT_EQ(p.Phase(), "Comparing files attributes");
    EXPECT_EQ(p.SourceText(), "");
    p.OnStatus(tv::IDS_COPYING_FILES);
    EXPECT_EQ(p.Phase(), "Copying files");
    EXPECT_EQ(p.SourceText(), "/src/a.txt");
    EXPECT_EQ(p.TargetText(), "/dst/a.txt");
    EXPECT_EQ(p.Details(),
              (std::vector<std::string>{"Comparing files attributes", "Copying files"}));
}

TEST_F(ProgressPresenter, InvestigationOfEitherSideShowsItsFolder) {
    CProgressPresenter& p = Make();
    m_task.m_Run.SetDisplayPath(tv::Side::Target, "/dst/deep");
    p.OnInvestigating(tv::Side::Target);
    EXPECT_EQ(p.TargetText(), "/dst/deep");
    EXPECT_TRUE(m_listener.m_nLast & part::kPaths);
    m_listener.m_nLast = 0;
    p.OnInvestigating(tv::Side::Target);
    EXPECT_FALSE(m_listener.m_nLast & part::kPaths) << "an unchanged path is not shown again";
}

TEST_F(ProgressPresenter, LongPathsAreShortenedToTheirField) {
    CProgressPresenter& p = Make();
    p.SetFitCheck([](tv::Side side, const std::string& text) {
        return text.size() <= (side == tv::Side::Source ? 20u : 100u);
    });
    m_task.m_Run.SetDisplayPath(tv::Side::Source, "/home/user/a/b/c/file.txt");
    m_task.m_Run.SetDisplayPath(tv::Side::Target, "/home/user/a/b/c/file.txt");
    p.OnCopyProgress(0);
    EXPECT_EQ(p.SourceText(), "/home.../c/file.txt");
    EXPECT_EQ(p.TargetText(), "/home/user/a/b/c/file.txt");
}

TEST_F(ProgressPresenter, AnEqualPercentLeavesTheBarAlone) {
    CProgressPresenter& p = Make();
    p.OnStatus(tv::IDS_COPYING_FILES);
    EXPECT_EQ(p.BarPosition(), 0) << "a phase fills the bar only after some progress";
    p.OnCopyProgress(40);
    EXPECT_EQ(p.BarPosition(), 40);
    // A new phase after some progress fills the bar, the percent shown stays 40.
    p.OnStatus(tv::IDS_WRITING_SNAPSHOT);
    EXPECT_EQ(p.BarPosition(), 100);
    m_listener.m_nLast = 0;
    p.OnCopyProgress(40);
    EXPECT_EQ(p.BarPosition(), 100);
    EXPECT_FALSE(m_listener.m_nLast & part::kBar);
    p.OnCopyProgress(41);
    EXPECT_EQ(p.BarPosition(), 41);
}

// A burn's speed shows in the phase line until the burn's own end replaces it.
TEST_F(ProgressPresenter, ABurnShowsItsSpeedAndItsEndFillsTheBar) {
    CProgressPresenter& p = Make();
    p.OnStatus(tv::IDS_BURNING_CD);
    p.OnBurnProgress(42, 1300);
    EXPECT_EQ(p.Phase(), "Burning CD-RW: 42% at 1300 KB/s");
    EXPECT_EQ(p.BarPosition(), 42);
    EXPECT_TRUE(m_listener.m_nLast & part::kPhase);
    p.OnStatus(tv::IDS_BURNING_CD_DONE);
    EXPECT_EQ(p.Phase(), "Burning CD-RW finished");
    EXPECT_EQ(p.BarPosition(), 100);
}

TEST_F(ProgressPresenter, PauseTogglesTheTasksFlagAndItsLabel) {
    CProgressPresenter& p = Make();
    p.TogglePause();
    EXPECT_TRUE(m_task.m_Run.IsPaused());
    EXPECT_EQ(p.PauseLabel(), "&Resume");
    p.TogglePause();
    EXPECT_FALSE(m_task.m_Run.IsPaused());
    EXPECT_EQ(p.PauseLabel(), "&Pause");
}

TEST_F(ProgressPresenter, CancelOnAPausedRunLiftsThePauseSoTheWorkerStops) {
    CProgressPresenter& p = Make();
    p.TogglePause();
    bool canceled = false;
    std::thread worker([&] { canceled = tv::IsTaskCanceled(m_task); });
    p.Cancel();
    worker.join();
    EXPECT_TRUE(canceled);
    EXPECT_FALSE(m_task.m_Run.IsPaused());
    EXPECT_TRUE(m_task.m_Run.CancelRequested());
    EXPECT_EQ(p.Phase(), "Finishing task...");
    EXPECT_EQ(p.PauseLabel(), "&Pause");
    EXPECT_FALSE(p.Closed()) << "the window waits for the end of the run";
}

TEST_F(ProgressPresenter, ClearingTheShutdownBoxClearsItForEveryRun) {
    m_board.m_bShutdown = true;
    CProgressPresenter& first = Make(0);
    CProgressPresenter second(m_task, m_board, 1, [](const std::string&) {});
    ASSERT_TRUE(second.ShutdownChecked());
    first.SetShutdown(false);
    EXPECT_FALSE(m_board.m_bShutdown);
    second.OnCopyProgress(10);
    EXPECT_FALSE(second.ShutdownChecked());
    first.SetShutdown(true);
    second.RefreshShutdown();
    EXPECT_TRUE(second.ShutdownChecked());
}

TEST_F(ProgressPresenter, ANormalEndShowsTheSummaryAndStaysOpen) {
    CProgressPresenter& p = Make();
    m_task.m_Run.AddChanges({3, 1, 0, 2});
    p.OnTaskEnd(tv::RunEnd::Normal);
    EXPECT_FALSE(p.Closed());
    EXPECT_TRUE(p.Finished());
    EXPECT_EQ(p.Phase(), "Finished");
    EXPECT_EQ(p.CancelLabel(), "&Close");
    EXPECT_FALSE(p.PauseEnabled());
    EXPECT_EQ(p.BarPosition(), 100);
    EXPECT_TRUE(p.Expanded());
    EXPECT_EQ(p.Tab(), 0);
    EXPECT_EQ(p.Details(), (std::vector<std::string>{
                               " ", "SUMMARY:", "Files copied  (from src/from target): 3 / 1",
                               "Files deleted (from src/from target): 0 / 2"}));
    p.TogglePause();
    EXPECT_FALSE(m_task.m_Run.IsPaused()) << "nothing of the task is touched after the end";
    p.Cancel();
    EXPECT_TRUE(p.Closed());
    EXPECT_TRUE(m_listener.m_nAll & part::kClose);
}

TEST_F(ProgressPresenter, CloseIfNoErrorsWithOneErrorStaysOpenOnTheErrorsTab) {
    tvtest::BeginRun(m_task.m_Run, tv::RunKind::Synchronize, tv::pref::kCloseProgressIfOk);
    CProgressPresenter& p = Make();
    p.OnError("Can't copy file /src/a");
    p.OnTaskEnd(tv::RunEnd::Error);
    EXPECT_FALSE(p.Closed());
    EXPECT_EQ(p.Tab(), 1);
    EXPECT_TRUE(p.Expanded());
    EXPECT_TRUE(Contains(p.Details(), "SUMMARY:"));
}

TEST_F(ProgressPresenter, CloseIfNoErrorsWithoutErrorsClosesAtOnceAfterTheSound) {
    tvtest::BeginRun(m_task.m_Run, tv::RunKind::Synchronize, tv::pref::kCloseProgressIfOk);
    m_task.m_bFinishSound = 1;
    m_task.m_strFinishSound = "/sounds/done.wav";
    CProgressPresenter& p = Make();
    p.OnTaskEnd(tv::RunEnd::Normal);
    EXPECT_TRUE(p.Closed());
    EXPECT_EQ(m_sounds, std::vector<std::string>{"/sounds/done.wav"});
}

TEST_F(ProgressPresenter, SeveralStartedNeverStaysOpenAndLeavesTheSoundToTheMainWindow) {
    m_board.m_bSeveral = true;
    m_task.m_bFinishSound = 1;
    m_task.m_strFinishSound = "/sounds/done.wav";
    CProgressPresenter& p = Make();
    p.OnError("Can't copy file /src/a");
    p.OnTaskEnd(tv::RunEnd::Error);
    EXPECT_TRUE(p.Closed());
    EXPECT_TRUE(m_sounds.empty());
}

TEST_F(ProgressPresenter, APendingShutdownClosesTheWindowAtTheEnd) {
    m_board.m_bShutdown = true;
    CProgressPresenter& p = Make();
    p.OnError("Can't copy file /src/a");
    p.OnTaskEnd(tv::RunEnd::Error);
    EXPECT_TRUE(p.Closed());
}

TEST_F(ProgressPresenter, ACanceledRunSaysSoInsteadOfTheSummary) {
    m_task.m_bFinishSound = 1;
    m_task.m_strFinishSound = "/sounds/done.wav";
    CProgressPresenter& p = Make();
    p.Cancel();
    p.OnTaskEnd(tv::RunEnd::Canceled);
    EXPECT_TRUE(p.Finished());
    EXPECT_TRUE(Contains(p.Details(), "Task canceled by user "));
    EXPECT_FALSE(Contains(p.Details(), "SUMMARY:"));
    EXPECT_EQ(m_sounds.size(), 1u);
}

TEST_F(ProgressPresenter, ASilentTaskPlaysNoEndSound) {
    m_task.m_bFinishSound = 1;
    m_task.m_strFinishSound = "/sounds/done.wav";
    m_task.m_dwOptions2 |= tv::opt2::kSilent;
    Make().OnTaskEnd(tv::RunEnd::Normal);
    EXPECT_TRUE(m_sounds.empty());
}

}  // namespace
