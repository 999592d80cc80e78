// The equalizing runs have no command-line switch: their dry runs are held against the real
// runs through the launcher, on real folders.
#include "RunTestSupport.h"
#include "run/DryRun.h"
#include "support/TreeChanges.h"

namespace {

using namespace tvtest;
using tv::PlannedStep;
using tv::RunCommand;

class CRecordingReport : public tv::IDryRunReport {
  public:
    void Planned(const tv::CElement&, const tv::CDryRunTarget& target) override {
        std::lock_guard lock(m_mutex);
        m_items.insert(m_items.end(), target.m_Items.begin(), target.m_Items.end());
    }
    void Note(const tv::CElement&, const std::string& line) override {
        std::lock_guard lock(m_mutex);
        m_notes.push_back(line);
    }
    std::mutex m_mutex;
    std::vector<tv::CDryRunItem> m_items;
    std::vector<std::string> m_notes;
};

void AddPlanned(const tv::CDryRunItem& item, CChanges& changes) {
    switch (item.m_step) {
        case PlannedStep::CopyToTarget:
            changes.emplace('T', item.m_strPath, Change::Write);
            break;
        case PlannedStep::TimesToTarget:
            changes.emplace('T', item.m_strPath, Change::Times);
            break;
        case PlannedStep::TimesToSource:
            changes.emplace('S', item.m_strPath, Change::Times);
            break;
        case PlannedStep::CreateFolderInTarget:
            changes.emplace('T', item.m_strPath, Change::MakeFolder);
            break;
        case PlannedStep::CreateFolderInSource:
            changes.emplace('S', item.m_strPath, Change::MakeFolder);
            break;
        case PlannedStep::Skip:
            break;
        default:
            ADD_FAILURE() << "an equalizing run planned " << tv::StepKey(item.m_step);
    }
}

class DryRunEqualize : public CRunTest, public ::testing::WithParamInterface<RunCommand> {};

// Only pairs of equal size with differing times are touched, and nothing is copied across
// but what the kind copies; the dry run says so and writes nothing, not even a log.
TEST_P(DryRunEqualize, TheRunChangesExactlyWhatItsDryRunListed) {
    const int64_t base = NowSeconds() - 3600;
    tv::CElement task = MakeTask();
    Put(Path("src/same-size.txt"), "abcd", base + 100);
    Put(Path("t0/same-size.txt"), "wxyz", base);
    Put(Path("src/other-size.txt"), "abc", base + 100);
    Put(Path("t0/other-size.txt"), "wxyz", base);
    Put(Path("src/equal.txt"), "same", base);
    Put(Path("t0/equal.txt"), "same", base);
    Put(Path("src/only-src/a.txt"), "a", base);
    Put(Path("t0/only-tgt/b.txt"), "b", base);
    const std::string before = Fingerprint({Path("src"), Path("t0"), m_home.DataHome()});

    CRecordingReport report;
    task.m_Run.Attach(&m_observer, &m_prompter);
    {
        tv::CLauncherSettings settings{kContinuePrefs, nullptr, {}, nullptr};
        settings.m_pDryRun = &report;
        tv::CTaskLauncher launcher(*m_pFs, settings);
        ASSERT_EQ(launcher.Launch({&task}, GetParam()), 1u);
        launcher.WaitAll();
    }
    EXPECT_EQ(Fingerprint({Path("src"), Path("t0"), m_home.DataHome()}), before);
    EXPECT_TRUE(m_prompter.Questions().empty());

    const CTreeState src = ReadTreeState(Path("src"));
    const CTreeState dst = ReadTreeState(Path("t0"));
    EXPECT_EQ(Run(task, GetParam()), tv::RunEnd::Normal);
    CChanges done;
    AddTreeChanges('S', src, ReadTreeState(Path("src")), done);
    AddTreeChanges('T', dst, ReadTreeState(Path("t0")), done);
    CChanges planned;
    std::map<std::string, tv::PlanReason> reasons;
    for (const tv::CDryRunItem& item : report.m_items) {
        AddPlanned(item, planned);
        reasons[item.m_strPath] = item.m_why.m_reason;
    }
    EXPECT_EQ(done, planned);
    EXPECT_EQ(reasons["same-size.txt"], tv::PlanReason::TimesDiffer);
    EXPECT_EQ(reasons["other-size.txt"], tv::PlanReason::SizesDiffer);
    EXPECT_EQ(reasons["equal.txt"], tv::PlanReason::Equal);
}

INSTANTIATE_TEST_SUITE_P(Kinds, DryRunEqualize,
                         ::testing::Values(RunCommand::EqualizeToTarget,
                                           RunCommand::EqualizeToSource),
                         [](const auto& p) {
                             return p.param == RunCommand::EqualizeToTarget ? "ToTarget"
                                                                            : "ToSource";
                         });

}  // namespace
