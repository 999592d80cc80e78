// The last synchronization time per target, and the guard that keeps an empty side from
// emptying the other.
#include "RunTestSupport.h"
#include "run/LastSync.h"

namespace {

using namespace tvtest;
using tv::PromptAnswer;
using tv::RunEnd;

constexpr uint32_t kDeleteNew = tv::opt3::kDeleteNewBeforeLastSync;

TEST(LastSyncStore, KeepsOneTimePerTargetAndForgetsAChangedPath) {
    CIsolatedHome home;
    tv::CLastSyncStore store(3);
    EXPECT_EQ(store.Get(0, "/a"), 0u);
    ASSERT_TRUE(store.Set(0, "/a", 100));
    ASSERT_TRUE(store.Set(1, "/odd\nname:1 2", 200));
    ASSERT_TRUE(store.Set(0, "/a", 150));
    EXPECT_EQ(store.Get(0, "/a"), 150u);
    EXPECT_EQ(store.Get(1, "/odd\nname:1 2"), 200u);
    EXPECT_EQ(store.Get(0, "/b"), 0u);  // the target now points elsewhere

    WriteFile(tv::CLastSyncStore::PathOf(3), "0 150 2:/a\n1 20");  // a cut-off tail
    EXPECT_EQ(store.Get(0, "/a"), 150u);
    EXPECT_EQ(store.Get(1, "/odd\nname:1 2"), 0u);
}

// The run that failed must not leave files looking "deleted since the last synchronization":
// the log's time moved with it, but the files never reached the target.
TEST_F(CRunTest, FilesNeverCopiedAreNotDeletedByTheNextTwoWayRun) {
    tv::CElement task = MakeTask(0);
    task.m_dwOptions3 |= kDeleteNew;
    Put(Path("src/a"), "a", NowSeconds() - 3600);
    Put(Path("src/b"), "b", NowSeconds() - 3600);
    fs::create_directories(Path("t0/b"));
    EXPECT_EQ(Run(task), RunEnd::Normal);  // b fails, a is copied

    fs::remove(Path("t0/b"));
    fs::rename(Path("t0"), Path("t0-away"));  // and then the target is not there at all
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_EQ(Run(task), RunEnd::Normal);

    fs::rename(Path("t0-away"), Path("t0"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_EQ(Run(task), RunEnd::Normal);
    EXPECT_TRUE(fs::exists(Path("src/b")));
    EXPECT_TRUE(fs::exists(Path("t0/b")));

    fs::remove(Path("t0/a"));  // deleted on one side after a clean run: the deletion follows
    EXPECT_EQ(Run(task), RunEnd::Normal);
    EXPECT_FALSE(fs::exists(Path("src/a")));
}

class EmptySide : public CRunTest, public ::testing::WithParamInterface<bool> {};

// An unmounted source leaves an empty folder: a backup that deletes what the source lacks, or
// a two-way run that deletes what was "deleted since", would empty the target.
TEST_P(EmptySide, AnEmptySourceEmptiesTheTargetOnlyAfterAYes) {
    const bool twoWay = GetParam();
    tv::CElement task = MakeTask(twoWay ? 0 : 1 | tv::opt1::kDeleteFromTarget);
    task.m_dwOptions3 |= kDeleteNew;
    Put(Path("src/a"), "a", NowSeconds() - 3600);
    Put(Path("src/d/b"), "b", NowSeconds() - 3600);
    EXPECT_EQ(Run(task), RunEnd::Normal);
    fs::rename(Path("src"), Path("src-away"));
    fs::create_directories(Path("src"));
    // The copies were made in the second the pass ended: only a later time makes them older.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    tv::CLastSyncStore(task.m_nTaskId).Set(0, Path("t0"), tv::FileTimeFromUnix(NowSeconds()));

    m_bNoPrompter = true;
    EXPECT_EQ(Run(task), RunEnd::Normal);
    EXPECT_TRUE(fs::exists(Path("t0/a")));
    EXPECT_TRUE(fs::exists(Path("t0/d/b")));
    const std::string question = "The folder " + Path("src") +
                                 " is empty (a drive that is not mounted looks like this), and "
                                 "the run would delete 2 files in " +
                                 Path("t0") + " because of it. Continue?";
    const std::string log = Log(task);
    EXPECT_NE(log.find("Nobody could answer \"" + question + "\": No was taken."),
              std::string::npos);
    EXPECT_NE(log.find(Path("t0") + " was left as it is"), std::string::npos);

    m_bNoPrompter = false;
    m_prompter.m_yesNo = {PromptAnswer::Yes};
    EXPECT_EQ(Run(task), RunEnd::Normal);
    EXPECT_EQ(m_prompter.Questions(), std::vector<std::string>{question});
    EXPECT_FALSE(fs::exists(Path("t0/a")));
}

INSTANTIATE_TEST_SUITE_P(Runs, EmptySide, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "TwoWay" : "Backup"; });

}  // namespace
