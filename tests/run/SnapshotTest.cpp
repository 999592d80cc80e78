// Snapshots stand for the target of a one-way update.
#include <chrono>
#include <future>
#include <thread>

#include "RunTestSupport.h"
#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "run/Snapshot.h"
#include "scan/TreeF.h"
#include "support/FaultFileSystem.h"

namespace {

using namespace tvtest;
using tv::RunEnd;
using Op = CFaultFileSystem::Op;

// Pauses its task when the run reaches the phase `statusId`, as a click on Pause would.
class CPausingAtStatus : public tv::ITaskObserver {
  public:
    CPausingAtStatus(tv::CElement& task, int statusId) : m_task(task), m_nStatusId(statusId) {}
    void Status(int stringId) override {
        if (stringId == m_nStatusId) {
            m_task.m_Run.SetPaused(true);
        }
    }

  private:
    tv::CElement& m_task;
    const int m_nStatusId;
};

class Snapshots : public CRunTest {
  protected:
    // A backup that deletes from the target what the source lacks: a file the target holds
    // is gone after the run exactly when the target was listed.
    tv::CElement MakeBackup(size_t targets = 1) {
        tv::CElement task = MakeTask(1 | tv::opt1::kDeleteFromTarget, targets);
        task.m_bUseSnapshot = 1;
        return task;
    }
    std::string SnapshotFile(int index = 0) { return tv::SnapshotPath(7, index); }
};

TEST_F(Snapshots, ASnapshotStandsForTheTargetFromTheSecondRunOn) {
    tv::CElement task = MakeBackup();
    Put(Path("src/a"), "a");
    Put(Path("src/d/b"), "b");
    Put(Path("t0/old"), "x");
    EXPECT_EQ(Run(task), RunEnd::Normal);
    EXPECT_EQ(SnapshotFile(), tv::ProgramDataFolder() + "/SnapShots/ss7");
    EXPECT_TRUE(fs::exists(SnapshotFile()));
    EXPECT_FALSE(fs::exists(Path("t0/old")));  // no snapshot yet: the target was listed
    EXPECT_NE(std::count(m_observer.m_status.begin(), m_observer.m_status.end(), 492), 0);

    tv::CTreeF stored;
    ASSERT_TRUE(tv::ReadSnapshot(tv::LocalFileSystem(), task, 0, stored));
    EXPECT_EQ(stored.files.at(0).name, "a");
    EXPECT_EQ(stored.subfolders.at(0)->files.at(0).name, "b");  // in a folder the pass made

    Put(Path("t0/by-hand"), "x");
    Put(Path("src/c"), "c");
    EXPECT_EQ(Run(task), RunEnd::Normal);
    EXPECT_TRUE(fs::exists(Path("t0/by-hand")));  // not seen: the snapshot stood for t0
    EXPECT_TRUE(fs::exists(Path("t0/c")));
}

TEST_F(Snapshots, ADamagedOrMissingSnapshotMeansListingTheTarget) {
    tv::CElement task = MakeBackup();
    Put(Path("src/a"), "a");
    EXPECT_EQ(Run(task), RunEnd::Normal);

    WriteFile(SnapshotFile(), "damaged");
    Put(Path("t0/by-hand"), "x");
    EXPECT_EQ(Run(task), RunEnd::Normal);
    EXPECT_FALSE(fs::exists(Path("t0/by-hand")));
    tv::CTreeF stored;
    EXPECT_TRUE(tv::ReadSnapshot(tv::LocalFileSystem(), task, 0, stored));  // renewed

    fs::remove_all(tv::ProgramDataFolder() + "/SnapShots");
    Put(Path("t0/by-hand"), "x");
    EXPECT_EQ(Run(task), RunEnd::Normal);
    EXPECT_FALSE(fs::exists(Path("t0/by-hand")));
    EXPECT_TRUE(fs::exists(SnapshotFile()));
}

// Targets taking turns must each be listed for themselves: what one received says nothing of
// the other.
TEST_F(Snapshots, EachTargetHasASnapshotOfItsOwn) {
    tv::CElement task = MakeBackup(2);
    task.m_dwOptions |= 0x800;  // a backup task
    task.m_dwOptions2 = tv::opt2::kTargetsInTurn;
    Put(Path("src/a"), "a");
    EXPECT_EQ(Run(task), RunEnd::Normal);
    EXPECT_EQ(Run(task), RunEnd::Normal);
    EXPECT_TRUE(fs::exists(Path("t0/a")));
    EXPECT_TRUE(fs::exists(Path("t1/a")));
    EXPECT_TRUE(fs::exists(SnapshotFile(1)));

    task.m_Targets[0].m_strPath = Path("t1");  // a snapshot made for another path is not used
    tv::CTreeF stored;
    EXPECT_FALSE(tv::ReadSnapshot(tv::LocalFileSystem(), task, 0, stored));
}

TEST_F(Snapshots, CreatingASnapshotListsTheSourceForEveryTarget) {
    tv::CElement task = MakeBackup(2);
    Put(Path("src/a"), "a");
    EXPECT_EQ(tv::CreateSnapshot(tv::LocalFileSystem(), task), 0);
    for (int index : {0, 1}) {
        tv::CTreeF stored;
        ASSERT_TRUE(tv::ReadSnapshot(tv::LocalFileSystem(), task, index, stored));
        EXPECT_EQ(stored.files.at(0).name, "a");
    }
    EXPECT_EQ(Run(task), RunEnd::Normal);
    EXPECT_FALSE(fs::exists(Path("t0/a")));  // the snapshot says the target has it already

    task.m_Source.m_strPath = Path("gone");
    EXPECT_EQ(tv::CreateSnapshot(tv::LocalFileSystem(), task), -1);
}

// A snapshot that cannot be written replaces nothing: the one before stays whole and is read as
// before. A run whose snapshot cannot be renewed drops the old one instead, which no longer
// describes the target, so that the next run lists the target.
TEST_F(Snapshots, ASnapshotThatCannotBeWrittenKeepsTheOldOneUntilARunChangesTheTarget) {
    tv::CElement task = MakeBackup();
    Put(Path("src/a"), "a");
    ASSERT_EQ(tv::CreateSnapshot(tv::LocalFileSystem(), task), 0);
    const std::string old = ReadFile(SnapshotFile());
    Put(Path("src/b"), "b");
    CFaultFileSystem full(tv::LocalFileSystem());
    full.Fail(Op::Write, ENOSPC, 1, -1, "/SnapShots/");
    EXPECT_EQ(tv::CreateSnapshot(full, task), -1);
    EXPECT_EQ(ReadFile(SnapshotFile()), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(SnapshotFile()).parent_path()), {}), 1);
    tv::CTreeF stored;
    ASSERT_TRUE(tv::ReadSnapshot(tv::LocalFileSystem(), task, 0, stored));
    EXPECT_EQ(stored.files.size(), 1u);

    m_pFs = &full;
    EXPECT_EQ(Run(task), RunEnd::Normal);
    EXPECT_TRUE(fs::exists(Path("t0/b")));
    EXPECT_FALSE(fs::exists(SnapshotFile()));
    m_pFs = &tv::LocalFileSystem();
    Put(Path("t0/by-hand"), "x");
    EXPECT_EQ(Run(task), RunEnd::Normal);
    EXPECT_FALSE(fs::exists(Path("t0/by-hand")));  // listed, not taken from a stale snapshot
    EXPECT_TRUE(fs::exists(SnapshotFile()));
}

// A pause that comes after a run's last check (here while the run writes its snapshot)
// outlasts the run. The next run of the task, a listing for a new snapshot, must not wait for
// it: nobody is left to lift it.
TEST_F(Snapshots, APauseLeftByTheLastRunDoesNotHoldUpTheNextListing) {
    tv::CElement task = MakeBackup();
    Put(Path("src/a"), "a");
    CPausingAtStatus pauser(task, tv::IDS_WRITING_SNAPSHOT);
    task.m_Run.Attach(&pauser, nullptr);
    {
        tv::CTaskLauncher launcher(tv::LocalFileSystem(), {kContinuePrefs, nullptr, {}, nullptr});
        launcher.Launch({&task}, tv::RunCommand::Sync);
    }
    task.m_Run.Detach();
    ASSERT_EQ(task.m_Run.Ending(), RunEnd::Normal);
    ASSERT_TRUE(task.m_Run.IsPaused());

    Put(Path("src/b"), "b");
    auto listing = std::async(std::launch::async,
                              [&task] { return tv::CreateSnapshot(tv::LocalFileSystem(), task); });
    const bool done = listing.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!done) {
        task.m_Run.RequestCancel();  // lets the listing go, so that the test can end
    }
    EXPECT_TRUE(done) << "the listing waited for the last run's pause";
    EXPECT_EQ(listing.get(), 0);
    tv::CTreeF stored;
    ASSERT_TRUE(tv::ReadSnapshot(tv::LocalFileSystem(), task, 0, stored));
    EXPECT_EQ(stored.files.size(), 2u);
    EXPECT_EQ(task.m_Run.Ending(), RunEnd::Normal);
    EXPECT_FALSE(task.m_Run.IsRunning());
}

// A listing asked for while the task runs must be refused before it touches the run: had it
// taken the run over, the paused run would go on, its records would be swapped under its
// worker, and the replace would turn into a target update that writes a snapshot.
TEST_F(Snapshots, AListingAskedForWhileTheTaskRunsLeavesTheRunAlone) {
    tv::CElement task = MakeBackup();
    Put(Path("src/a"), "a");
    Put(Path("src/b"), "b");
    CPausingAtStatus pauser(task, tv::IDS_COPYING_FILES);
    task.m_Run.Attach(&pauser, nullptr);
    tv::CTaskLauncher launcher(tv::LocalFileSystem(), {kContinuePrefs, nullptr, {}, nullptr});
    ASSERT_EQ(launcher.Launch({&task}, tv::RunCommand::Replace), 1u);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!task.m_Run.IsPaused() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(task.m_Run.IsPaused()) << "the run never reached its copying";

    EXPECT_EQ(tv::CreateSnapshot(tv::LocalFileSystem(), task), -1);
    EXPECT_TRUE(task.m_Run.IsRunning());
    EXPECT_TRUE(task.m_Run.IsPaused());
    EXPECT_EQ(task.m_Run.Kind(), tv::RunKind::Replace);
    EXPECT_FALSE(fs::exists(Path("t0/a"))) << "the paused run went on";

    task.m_Run.SetPaused(false);
    launcher.WaitAll();
    task.m_Run.Detach();
    EXPECT_EQ(task.m_Run.Ending(), RunEnd::Normal);
    EXPECT_TRUE(fs::exists(Path("t0/a")));
    EXPECT_TRUE(fs::exists(Path("t0/b")));
    ASSERT_EQ(task.m_Run.Records().size(), 1u);
    EXPECT_EQ(task.m_Run.Count(tv::CTaskInfor::CopiedFromSource), 2u);
    EXPECT_FALSE(fs::exists(SnapshotFile()));
}

}  // namespace
