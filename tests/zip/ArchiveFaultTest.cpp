// Backups into and restores from zip archives through the launcher, with faults injected into
// the file system: whatever fails or is canceled, the archive that was there and the files a
// restore would replace stay as they were.
#include <cerrno>
#include <deque>

#include "run/RunTestSupport.h"
#include "support/FaultFileSystem.h"
#include "zip/ZipReader.h"

namespace {

using namespace tvtest;
using Op = CFaultFileSystem::Op;
using tv::RunCommand;
using tv::RunEnd;

constexpr uint32_t kPolicyStop = static_cast<uint32_t>(tv::ErrorPolicy::Stop);

class ArchiveFaultTest : public CRunTest {
  protected:
    tv::CElement ArchiveTask() {
        tv::CElement task = MakeTask(0x1 | (1u << tv::opt1::kKindShift));
        task.m_dwOptions3 |= tv::opt3::kArchiveTarget;
        task.m_Targets[0].m_strPath = Archive();
        for (const char* name : {"a.txt", "b.txt", "sub/c.txt"}) {
            Put(Path(std::string("src/") + name), std::string(200000, name[0]));
        }
        return task;
    }
    std::string Archive() const { return Path("t0/b.zip"); }

    // A first backup that succeeds; its bytes are what later failures must keep.
    std::string FirstBackup(tv::CElement& task) {
        EXPECT_EQ(Run(task), RunEnd::Normal);
        return ReadFile(Archive());
    }

    // The runs from now on work through a new fault-injecting file system.
    CFaultFileSystem& Faults() {
        m_pFs = &m_faults.emplace_back(tv::LocalFileSystem());
        return m_faults.back();
    }

    std::vector<std::string> Entries() {
        tv::CZipReader reader(tv::LocalFileSystem());
        std::vector<std::string> names;
        if (reader.Open(Archive()) == 0) {
            for (size_t i = 0; i < reader.EntryCount(); ++i) {
                names.push_back(reader.EntryName(i));
            }
        }
        return names;
    }

    bool OnlyTheArchiveIsThere() const {
        return std::distance(fs::directory_iterator(Path("t0")), fs::directory_iterator()) == 1;
    }

    std::deque<CFaultFileSystem> m_faults;
};

TEST_F(ArchiveFaultTest, AFailedStoppedOrCanceledBackupLeavesThePreviousArchive) {
    tv::CElement task = ArchiveTask();
    const std::string previous = FirstBackup(task);
    Put(Path("src/new.txt"), "new");

    // A file that cannot be read under "Stop without asking".
    Faults().Fail(Op::Read, EIO, 1, -1, "b.txt");
    EXPECT_EQ(Run(task, RunCommand::Sync, kPolicyStop), RunEnd::Error);
    EXPECT_EQ(ReadFile(Archive()), previous);
    EXPECT_TRUE(OnlyTheArchiveIsThere());
    EXPECT_NE(Log(task).find("Can't copy file: " + Path("src/b.txt")), std::string::npos);

    // The archive cannot be written to its end (a full disk).
    Faults().Fail(Op::Write, ENOSPC, 2, -1, "b.zip");
    EXPECT_EQ(Run(task, RunCommand::Sync, kPolicyStop), RunEnd::Error);
    EXPECT_EQ(ReadFile(Archive()), previous);
    EXPECT_TRUE(OnlyTheArchiveIsThere());
    EXPECT_NE(Log(task).find("Can't write the archive " + Archive()), std::string::npos);

    // Canceled in the middle of the files.
    Faults().OnCall([&](Op op, const std::string& path) {
        if (op == Op::OpenRead && path.find("c.txt") != std::string::npos) {
            task.m_Run.RequestCancel();
        }
    });
    EXPECT_EQ(Run(task), RunEnd::Canceled);
    EXPECT_EQ(ReadFile(Archive()), previous);
    EXPECT_TRUE(OnlyTheArchiveIsThere());
}

// Under "Continue without asking" a file that cannot be read is given up, and logged; the
// archive holds everything else and replaces the previous one.
TEST_F(ArchiveFaultTest, AFileGivenUpLeavesTheOthersInTheNewArchive) {
    tv::CElement task = ArchiveTask();
    FirstBackup(task);
    Faults().Fail(Op::Read, EIO, 1, -1, "a.txt");
    EXPECT_EQ(Run(task), RunEnd::Normal);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"b.txt", "sub/c.txt"}));
    EXPECT_NE(Log(task).find("Can't copy file: " + Path("src/a.txt")), std::string::npos);
    EXPECT_TRUE(OnlyTheArchiveIsThere());
}

// An entry that cannot be written (a full disk halfway) leaves the file it would replace.
TEST_F(ArchiveFaultTest, ARestoreThatCannotWriteAnEntryKeepsTheOldFile) {
    tv::CElement task = ArchiveTask();
    FirstBackup(task);
    Put(Path("src/b.txt"), "mine");
    fs::remove(Path("src/a.txt"));
    Faults().Fail(Op::Write, ENOSPC, 1, -1, "b.txt");
    EXPECT_EQ(Run(task, RunCommand::Restore), RunEnd::Normal);
    EXPECT_EQ(ReadFile(Path("src/b.txt")), "mine");
    EXPECT_EQ(ReadFile(Path("src/a.txt")), std::string(200000, 'a'));
    EXPECT_EQ(std::distance(fs::directory_iterator(Path("src")), fs::directory_iterator()), 3);
    EXPECT_NE(Log(task).find("Can't copy file: " + Path("src/b.txt")), std::string::npos);
}

}  // namespace
