#include <gtest/gtest.h>

#include "e2e/RunTestSupport.h"

namespace runtest {

namespace {

using tvtest::ReadFile;
using tvtest::WriteFile;

class RunBasicTest : public RunTest {
  protected:
    fs::path Source() {
        const fs::path source = Dir("src");
        fs::create_directories(source / "sub");
        WriteFile(source / "a.txt", "alpha");
        WriteFile(source / "sub" / "b.txt", "beta");
        return source;
    }
};

TEST_F(RunBasicTest, BackupCopiesTheSourceAndWritesTheLogAndSummary) {
    const fs::path source = Source();
    const fs::path target = Dir("dst");
    const std::string list = MakeList({Task(5, source, {target})});
    const CRun run = Mirrant({"/F:" + list, "5", "/S"});
    EXPECT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_TRUE(Same(source, target));
    EXPECT_NE(run.m_err.find("Files copied  (from src/from target): 2 / 0"), std::string::npos)
        << run.m_err;
    EXPECT_NE(Log(5).find("Total files copied: 2"), std::string::npos) << Log(5);
    // The same run again, written the other way, finds nothing to do.
    const CRun again = Mirrant({"-f:" + list, "-s", "5"});
    EXPECT_EQ(again.m_exit, 0) << again.m_err;
    EXPECT_NE(again.m_err.find("Files copied  (from src/from target): 0 / 0"), std::string::npos);
}

// The switch "D" shuts the computer down after the runs, and only with it.
TEST_F(RunBasicTest, TheShutdownSwitchShutsDownAfterTheRuns) {
    const fs::path mark = m_home.Root() / "shut-down";
    setenv("TWINVALE_SHUTDOWN_CMD", ("touch '" + mark.string() + "'").c_str(), 1);
    const std::string list = MakeList({Task(5, Source(), {Dir("dst")})});
    const CRun plain = Mirrant({"/F:" + list, "5", "/S"});
    EXPECT_EQ(plain.m_exit, 0) << plain.m_err;
    EXPECT_FALSE(fs::exists(mark));
    const CRun switched = Mirrant({"/F:" + list, "5", "/S", "/D"});
    EXPECT_EQ(switched.m_exit, 0) << switched.m_err;
    EXPECT_TRUE(fs::exists(mark));
}

TEST_F(RunBasicTest, TwoWaySyncCopiesBothWaysAndReplaceMakesTheTargetTheSource) {
    const fs::path source = Source();
    const fs::path target = Dir("dst");
    WriteFile(target / "only-there.txt", "gamma");
    Json task = Task(7, source, {target});
    task["m_dwOptions"] = 0x20;  // synchronize folders
    const std::string list = MakeList({task});
    ASSERT_EQ(Mirrant({"/F:" + list, "7"}).m_exit, 0);
    EXPECT_EQ(ReadFile(source / "only-there.txt"), "gamma");
    EXPECT_TRUE(Same(source, target));

    fs::remove(source / "only-there.txt");
    WriteFile(target / "stray.txt", "delta");
    const CRun replaced = Mirrant({"/F:" + list, "7", "/R"});
    EXPECT_EQ(replaced.m_exit, 0) << replaced.m_err;
    EXPECT_TRUE(Same(source, target));
    EXPECT_FALSE(fs::exists(target / "stray.txt"));
}

TEST_F(RunBasicTest, TasksRunByIdOrAllAndUnknownIdsAreSkipped) {
    const fs::path source = Source();
    const fs::path one = Dir("one");
    const fs::path two = Dir("two");
    const std::string list = MakeList({Task(3, source, {one}), Task(4, source, {two})});
    const CRun run = Mirrant({"/F:" + list, "4", "99", "/C"});
    EXPECT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_TRUE(Same(source, two));
    EXPECT_TRUE(fs::is_empty(one));
    EXPECT_NE(run.m_err.find("no task with the id 99"), std::string::npos);
    EXPECT_EQ(Mirrant({"/F:" + list, "/A", "/M"}).m_exit, 0);
    EXPECT_TRUE(Same(source, one));
}

TEST_F(RunBasicTest, TwoTargetsAndTargetsInTurnAcrossFourRuns) {
    const fs::path source = Source();
    const std::vector<fs::path> targets = {Dir("t0"), Dir("t1"), Dir("t2")};
    Json both = Task(8, source, {targets[0], targets[1]});
    Json turns = Task(9, source, targets);
    turns["m_dwOptions2"] = 0x100;  // use targets consecutively
    const std::string list = MakeList({both, turns});
    ASSERT_EQ(Mirrant({"/F:" + list, "8"}).m_exit, 0);
    EXPECT_TRUE(Same(source, targets[0]));
    EXPECT_TRUE(Same(source, targets[1]));

    for (const auto& target : targets) {
        fs::remove_all(target);
        fs::create_directories(target);
    }
    const int order[] = {0, 1, 2, 0};
    for (int run = 0; run < 4; ++run) {
        const fs::path expected = targets[size_t(order[run])];
        fs::remove(expected / "a.txt");
        ASSERT_EQ(Mirrant({"/F:" + list, "9", "/S"}).m_exit, 0) << "run " << run;
        EXPECT_TRUE(fs::exists(expected / "a.txt")) << "run " << run;
    }
    EXPECT_TRUE(Same(source, targets[2]));
}

TEST_F(RunBasicTest, ErrorsAndRefusalsGiveTheirExitStatus) {
    const fs::path source = Source();
    const fs::path target = Dir("dst");
    Json missing = Task(11, source, {m_home.Root() / "not-mounted", target});
    missing["m_dwOptions2"] = 0x200;  // continue without asking
    Json preview = Task(12, source, {Dir("previewed")});
    preview["m_dwOptions"] = 0x21 | 0x80;
    const std::string list = MakeList({missing, preview});

    const CRun partial = Mirrant({"/F:" + list, "11"});
    EXPECT_EQ(partial.m_exit, 1) << partial.m_err;
    EXPECT_TRUE(Same(source, target));
    EXPECT_NE(Log(11).find("not-mounted"), std::string::npos);

    const CRun refused = Mirrant({"/F:" + list, "12"});
    EXPECT_EQ(refused.m_exit, 2) << refused.m_err;
    EXPECT_NE(refused.m_err.find("a.txt"), std::string::npos) << "the preview lists the copies";
    EXPECT_TRUE(fs::is_empty(m_home.Root() / "previewed"));
    EXPECT_NE(Log(12).find("canceled"), std::string::npos) << Log(12);

    EXPECT_EQ(Mirrant({"/F:" + (m_home.Root() / "none.tsl").string(), "/A"}).m_exit, 3);
    WriteFile(m_home.Root() / "junk.tsl", "not a list");
    EXPECT_EQ(Mirrant({"/F:" + (m_home.Root() / "junk.tsl").string(), "/A"}).m_exit, 3);
    // An unknown switch is passed over with a warning; it neither refuses nor changes the run.
    const CRun unknown = Mirrant({"/F:" + list, "11", "-Q"});
    EXPECT_EQ(unknown.m_exit, 1) << unknown.m_err;
    EXPECT_NE(unknown.m_err.find("unknown switch '-Q'"), std::string::npos) << unknown.m_err;
    EXPECT_TRUE(Log(99).empty());
}

TEST_F(RunBasicTest, FirstSnapshotRunWritesTheSnapshot) {
    const fs::path source = Source();
    const fs::path target = Dir("dst");
    Json task = Task(13, source, {target});
    task["m_bUseSnapshot"] = 1;
    const std::string list = MakeList({task});
    const fs::path snapshot = m_home.DataHome() / "Twinvale" / "SnapShots" / "ss13";
    EXPECT_FALSE(fs::exists(snapshot));
    ASSERT_EQ(Mirrant({"/F:" + list, "13"}).m_exit, 0);
    EXPECT_TRUE(fs::exists(snapshot));
    EXPECT_TRUE(Same(source, target));
}

}  // namespace

}  // namespace runtest
