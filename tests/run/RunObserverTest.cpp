// What a run shows its progress window, and that a silent run, which has none, shows nothing
// while its record and log keep everything.
#include <algorithm>

#include "RunTestSupport.h"
#include "base/StringTable.h"
#include "support/InforLines.h"

namespace {

using namespace tvtest;

class RunObserver : public CRunTest {
  protected:
    // A backup that copies "a", deletes the target-only folder "old" with its file, and
    // logs an error for "clash", a file in the source and a folder in the target.
    tv::CElement ClashingBackup() {
        tv::CElement task = MakeTask(tv::opt1::kDeleteFromTarget);
        Put(Path("src/a"), "a");
        Put(Path("src/clash"), "file");
        Put(Path("t0/clash/inside"), "kept");
        Put(Path("t0/old/o"), "gone");
        return task;
    }
    std::string LastError(const tv::CElement& task) const {
        const auto errors = tvtest::LinesOf(task.m_Run, tv::CTaskInfor::Errors);
        return errors.empty() ? std::string() : errors.back();
    }
};

TEST_F(RunObserver, EachTargetShowsItsPhasesFromTheInvestigationOn) {
    tv::CElement task = MakeTask(1, 2);
    Put(Path("src/f"), "f");
    EXPECT_EQ(Run(task), tv::RunEnd::Normal);
    const std::vector<int> phases{tv::IDS_INVESTIGATING, tv::IDS_COMPARING_ATTRIBUTES,
                                  tv::IDS_COPYING_FILES};
    std::vector<int> twice = phases;
    twice.insert(twice.end(), phases.begin(), phases.end());
    EXPECT_EQ(m_observer.m_status, twice);
}

TEST_F(RunObserver, AMissingTargetIsNotInvestigated) {
    tv::CElement task = MakeTask(1, 2);
    fs::remove(Path("t0"));
    EXPECT_EQ(Run(task), tv::RunEnd::Normal);
    EXPECT_EQ(
        std::count(m_observer.m_status.begin(), m_observer.m_status.end(), tv::IDS_INVESTIGATING),
        1);
}

TEST_F(RunObserver, AVisibleRunShowsErrorsAndDeletions) {
    tv::CElement task = ClashingBackup();
    EXPECT_EQ(Run(task, tv::RunCommand::Backup), tv::RunEnd::Normal);
    ASSERT_FALSE(LastError(task).empty());
    EXPECT_NE(std::find(m_observer.m_errors.begin(), m_observer.m_errors.end(), LastError(task)),
              m_observer.m_errors.end());
    EXPECT_FALSE(m_observer.m_details.empty());
    EXPECT_EQ(m_observer.m_ends, std::vector<tv::RunEnd>{tv::RunEnd::Normal});
}

TEST_F(RunObserver, ASilentRunCallsNoObserverAndStillRecordsAndLogsItsErrors) {
    tv::CElement task = ClashingBackup();
    task.m_dwOptions2 |= tv::opt2::kSilent;
    EXPECT_EQ(Run(task, tv::RunCommand::Backup), tv::RunEnd::Normal);
    EXPECT_TRUE(fs::exists(Path("t0/a")));
    EXPECT_FALSE(fs::exists(Path("t0/old")));
    const std::string error = LastError(task);
    ASSERT_FALSE(error.empty());
    EXPECT_NE(Log(task).find(error), std::string::npos);
    EXPECT_EQ(m_observer.Calls(), 0u);
}

}  // namespace
