// The last synchronization time per target, and the guard that keeps an empty side from
// emptying the other.
#include "RunTestSupport.h"
#include "platform/FileSystem.h"
#include "run/LastSync.h"
#include "run/Preview.h"
#include "scan/TreeF.h"
#include "sync/Plan.h"

namespace {

using namespace tvtest;
using tv::PromptAnswer;
using tv::RunEnd;

constexpr uint32_t kDeleteNew = tv::opt3::kDeleteNewBeforeLastSync;

TEST(LastSyncStore, KeepsTwoTimesPerTargetAndForgetsAChangedPathOrAnOlderForm) {
    CIsolatedHome home;
    tv::CLastSyncStore store(tv::LocalFileSystem(), 3);
    EXPECT_FALSE(store.Get(0, "/a").Known());
    ASSERT_TRUE(store.Set(0, "/a", {100, 101}));
    ASSERT_TRUE(store.Set(1, "/odd\nname:1 2", {200, 201}));
    ASSERT_TRUE(store.Set(0, "/a", {150, 151}));
    EXPECT_EQ(store.Get(0, "/a"), (tv::CLastSync{150, 151}));
    EXPECT_EQ(store.Get(1, "/odd\nname:1 2"), (tv::CLastSync{200, 201}));
    EXPECT_FALSE(store.Get(0, "/b").Known());  // the target now points elsewhere

    // One time per line was the earlier form: such a target counts as never synchronized, and
    // the lines after it still read.
    WriteFile(tv::CLastSyncStore::PathOf(3), "2 90 2:/c\n0 150 151 2:/a\n1 20");
    EXPECT_FALSE(store.Get(2, "/c").Known());
    EXPECT_EQ(store.Get(0, "/a"), (tv::CLastSync{150, 151}));
    EXPECT_FALSE(store.Get(1, "/odd\nname:1 2").Known());  // a cut-off tail
    ASSERT_TRUE(store.Set(2, "/c", {300, 301}));
    EXPECT_EQ(store.Get(2, "/c"), (tv::CLastSync{300, 301}));
    EXPECT_EQ(store.Get(0, "/a"), (tv::CLastSync{150, 151}));
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
    EXPECT_EQ(Run(task), RunEnd::Normal);

    fs::rename(Path("t0-away"), Path("t0"));
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

// Unchecks, as the user may in the preview, the copy of every file named "held".
class CUncheckingPreview : public tv::IPreviewHandler {
  public:
    bool ShowPreview(tv::CElement&, tv::CTreeF& merged, const tv::CPlanBytes&,
                     const tv::CPreviewRequest&) override {
        for (tv::CFileDoInfo& record : merged.files) {
            record.selected = record.selected && record.name != "held";
        }
        return true;
    }
};

// A file the user kept from the other side is missing there because of that choice, not
// because it was deleted: the run that left it out is no synchronization of it.
TEST_F(CRunTest, AFileUncheckedInThePreviewIsNotDeletedByTheNextTwoWayRun) {
    tv::CElement task = MakeTask(tv::opt1::kPreview);
    task.m_dwOptions3 |= kDeleteNew;
    Put(Path("src/a"), "a", NowSeconds() - 3600);
    EXPECT_EQ(Run(task), RunEnd::Normal);
    ASSERT_TRUE(fs::exists(Path("t0/a")));

    Put(Path("src/held"), "not for the target yet", NowSeconds() - 3600);
    Put(Path("src/b"), "b", NowSeconds() - 3600);
    CUncheckingPreview unchecking;
    EXPECT_EQ(Run(task, tv::RunCommand::Sync, kContinuePrefs, &unchecking), RunEnd::Normal);
    ASSERT_TRUE(fs::exists(Path("t0/b")));
    ASSERT_FALSE(fs::exists(Path("t0/held")));

    fs::remove(Path("t0/a"));  // the deletion after the first run still follows
    EXPECT_EQ(Run(task), RunEnd::Normal);
    EXPECT_EQ(ReadFile(Path("t0/held")), "not for the target yet");
    EXPECT_TRUE(fs::exists(Path("src/held")));
    EXPECT_FALSE(fs::exists(Path("src/a")));
}

INSTANTIATE_TEST_SUITE_P(Runs, EmptySide, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? "TwoWay" : "Backup"; });

}  // namespace
