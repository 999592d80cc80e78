// Every run kind end to end through the launcher and the worker, on real folders.
#include "RunTestSupport.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"

namespace {

using namespace tvtest;
using tv::RunCommand;

constexpr int64_t kNewer = 1'700'000'000;
constexpr int64_t kOlder = kNewer - 3600;

int64_t MTime(const std::string& path) {
    return std::chrono::duration_cast<std::chrono::seconds>(
               fs::file_time_type::clock::to_sys(fs::last_write_time(path)).time_since_epoch())
        .count();
}

struct CKindCase {
    const char* m_name;
    RunCommand m_command;
    uint32_t m_options;
    bool m_targetGetsA;  // "a" lives only in the source
    bool m_sourceGetsB;  // "b" lives only in the target
    bool m_targetKeepsB;
    int64_t m_sourceC;  // "c" is on both sides, same size, newer in the source
    int64_t m_targetC;
};

class RunKinds : public CRunTest, public ::testing::WithParamInterface<CKindCase> {};

TEST_P(RunKinds, EndToEnd) {
    const CKindCase& c = GetParam();
    tv::CElement task = MakeTask(c.m_options);
    Put(Path("src/a"), "a");
    Put(Path("t0/b"), "b");
    Put(Path("src/sub/c"), "same", kNewer);
    Put(Path("t0/sub/c"), "SAME", kOlder);

    EXPECT_EQ(Run(task, c.m_command), tv::RunEnd::Normal);
    EXPECT_EQ(fs::exists(Path("t0/a")), c.m_targetGetsA);
    EXPECT_EQ(fs::exists(Path("src/b")), c.m_sourceGetsB);
    EXPECT_EQ(fs::exists(Path("t0/b")), c.m_targetKeepsB);
    EXPECT_EQ(MTime(Path("src/sub/c")), c.m_sourceC);
    EXPECT_EQ(MTime(Path("t0/sub/c")), c.m_targetC);
    const std::string log = Log(task);
    EXPECT_NE(log.find("Task started: "), std::string::npos);
    EXPECT_NE(log.find("Task ended: "), std::string::npos);
    EXPECT_EQ(m_observer.m_ends, std::vector<tv::RunEnd>{tv::RunEnd::Normal});
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RunKinds,
    ::testing::Values(
        CKindCase{"TwoWay", RunCommand::Sync, 0, true, true, true, kNewer, kNewer},
        CKindCase{"TargetUpdate", RunCommand::Sync, 1, true, false, true, kNewer, kNewer},
        CKindCase{"BackupDeletingFromTarget", RunCommand::Backup, tv::opt1::kDeleteFromTarget, true,
                  false, false, kNewer, kNewer},
        CKindCase{"Replace", RunCommand::Replace, 0, true, false, false, kNewer, kNewer},
        CKindCase{"Restore", RunCommand::Restore, 0, false, true, true, kOlder, kOlder},
        CKindCase{"EqualizeToTarget", RunCommand::EqualizeToTarget, 0, true, false, true, kOlder,
                  kOlder},
        CKindCase{"EqualizeToSource", RunCommand::EqualizeToSource, 0, false, false, true, kNewer,
                  kNewer}),
    [](const auto& p) { return std::string(p.param.m_name); });

TEST_F(CRunTest, ConsecutiveTargetsTakeTurnsAndAWrappedIndexStartsAgain) {
    tv::CElement task = MakeTask(0x800, 3);  // a backup task
    task.m_dwOptions2 = tv::opt2::kTargetsInTurn;
    const std::vector<int> expected{0, 1, 2, 0};
    for (size_t run = 0; run < expected.size(); ++run) {
        const std::string name = "f" + std::to_string(run);
        Put(Path("src/" + name), name);
        EXPECT_EQ(Run(task), tv::RunEnd::Normal);
        for (int t = 0; t < 3; ++t) {
            EXPECT_EQ(fs::exists(Path("t" + std::to_string(t) + "/" + name)), t == expected[run])
                << "run " << run << " target " << t;
        }
    }
    task.m_nNextTarget = 5;  // targets were removed since the index was stored
    Put(Path("src/late"), "x");
    EXPECT_EQ(Run(task), tv::RunEnd::Normal);
    EXPECT_TRUE(fs::exists(Path("t0/late")));
    EXPECT_EQ(tv::CProfile(tv::LocalFileSystem()).GetProfileInt("NextTags", "7", -1), 1);
}

TEST_F(CRunTest, ProgramBeforeIsWaitedForAndProgramAfterStarts) {
    tv::CElement task = MakeTask(1);
    task.m_bRunBefore = 1;
    task.m_strRunBefore = "sleep 0.2; echo made > '" + Path("src/made") + "'";
    task.m_bRunAfter = 1;
    task.m_strRunAfter = "touch '" + Path("after") + "'";
    EXPECT_EQ(Run(task), tv::RunEnd::Normal);
    EXPECT_TRUE(fs::exists(Path("t0/made")));
    for (int i = 0; i < 100 && !fs::exists(Path("after")); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(fs::exists(Path("after")));
}

}  // namespace
