// Snapshots stand for the target of a one-way update.
#include "RunTestSupport.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "run/Snapshot.h"
#include "scan/TreeF.h"
#include "support/FaultFileSystem.h"

namespace {

using namespace tvtest;
using tv::RunEnd;
using Op = CFaultFileSystem::Op;

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

}  // namespace
