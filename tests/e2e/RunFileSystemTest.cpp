// Whole runs of the program inside the test process, over a file system the test hands it: the
// in-memory one, to prove that every file the program keeps goes through it and nothing reaches
// the disk, and the real one under the fault-injecting layer, for a disk that fills, a log and a
// task list that cannot be written.
#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

#include "app/CliMain.h"
#include "app/CliOptions.h"
#include "e2e/RunTestSupport.h"
#include "platform/FileSystem.h"
#include "support/FaultFileSystem.h"
#include "support/MemoryFileSystem.h"

namespace runtest {

namespace {

using tvtest::CFaultFileSystem;
using tvtest::CMemoryFileSystem;
using Op = CFaultFileSystem::Op;
using namespace std::chrono_literals;

constexpr size_t kMiB = 1u << 20;

class RunFileSystemTest : public RunTest {
  protected:
    CRun InProcess(tv::IFileSystem& fs, const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        CRun run;
        run.m_exit = tv::RunMirrant(fs, args, "test", out, err);
        run.m_err = err.str();
        return run;
    }
    // The list made with --make-list inside `fs`, from JSON put there as well.
    std::string MakeListIn(CMemoryFileSystem& fs, const std::vector<Json>& tasks) {
        const std::string json = m_home.Root().string() + "/list.json";
        const std::string list = m_home.Root().string() + "/list.tsl";
        fs.PutFile(json, Json{{"version", "590"}, {"tasks", tasks}}.dump());
        const CRun made = InProcess(fs, {"--make-list", json, list});
        EXPECT_EQ(made.m_exit, 0) << made.m_err;
        return list;
    }
    std::string LogPath(int id) const {
        return (m_home.DataHome() / "Twinvale" / "logs" / (std::to_string(id) + ".txt")).string();
    }
    // Every entry below the real home, folders included.
    std::vector<std::string> OnDisk() const {
        std::vector<std::string> entries;
        for (const auto& entry : fs::recursive_directory_iterator(m_home.Root())) {
            entries.push_back(fs::relative(entry.path(), m_home.Root()).string());
        }
        std::sort(entries.begin(), entries.end());
        return entries;
    }
    static bool HasTempName(const fs::path& root) {
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (entry.path().filename().string().starts_with(".~tv-")) {
                return true;
            }
        }
        return false;
    }
};

// The home's folders exist on disk (the test made them), yet the list, the profile, the task
// counter, the log, the last synchronization and the snapshot all land in memory, as do the
// copies, and a second run reads them back from there.
TEST_F(RunFileSystemTest, ARunInMemoryKeepsEveryFileThereAndLeavesTheDiskAlone) {
    const std::vector<std::string> before = OnDisk();
    CMemoryFileSystem memory;
    memory.SetPieceSize(2);
    memory.PutFile("/vol/src/a.txt", "alpha", 1'600'000'000);
    memory.PutFile("/vol/src/sub/b.txt", "beta", 1'600'000'000);
    memory.PutFile("/vol/src/sub/deeper/c.txt", "gamma", 1'600'000'000);
    memory.PutFolder("/vol/dst");
    Json task = Task(5, "/vol/src", {"/vol/dst"});
    task["m_bUseSnapshot"] = 1;
    const std::string list = MakeListIn(memory, {task});

    const CRun first = InProcess(memory, {"/F:" + list, "5", "/S"});
    EXPECT_EQ(first.m_exit, 0) << first.m_err;
    const std::map<std::string, std::string> copied = {
        {"a.txt", "alpha"}, {"sub/b.txt", "beta"}, {"sub/deeper/c.txt", "gamma"}};
    EXPECT_EQ(memory.Files("/vol/dst"), copied);
    const auto log = memory.Content(LogPath(5));
    ASSERT_TRUE(log);
    EXPECT_NE(log->find("Files copied"), std::string::npos) << *log;
    const std::string data = (m_home.DataHome() / "Twinvale").string();
    EXPECT_TRUE(memory.Content(data + "/SnapShots/ss5"));
    EXPECT_TRUE(memory.Content((m_home.ConfigHome() / "Orbelin" / "Mirrant.conf").string()));
    EXPECT_TRUE(memory.Content((m_home.StateHome() / "Twinvale" / "ELNum").string()));
    EXPECT_EQ(OnDisk(), before);

    // The snapshot stands for the target now: a file added there behind the program's back
    // stays unseen, and an unchanged source copies nothing.
    memory.PutFile("/vol/dst/added.txt", "not listed");
    const CRun second = InProcess(memory, {"/F:" + list, "5", "/S"});
    EXPECT_EQ(second.m_exit, 0) << second.m_err;
    EXPECT_NE(second.m_err.find("Files copied  (from src/from target): 0 / 0"), std::string::npos)
        << second.m_err;
    EXPECT_EQ(memory.Content("/vol/dst/added.txt"), "not listed");
    EXPECT_EQ(OnDisk(), before);
}

// The run-level form of the full-disk run (RunDiskFullTest mounts a small tmpfs where it may):
// the big copy runs out of space halfway, the old file stays whole, the small one is copied, no
// temporary name is left, and the log names the cause.
TEST_F(RunFileSystemTest, ACopyThatRunsOutOfSpaceKeepsTheOldFileAndEndsWithAnError) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    const std::string oldBig(kMiB, 'o');
    tvtest::WriteFile(target / "big.bin", oldBig);
    tvtest::WriteFile(target / "small.txt", "old small");
    for (const char* name : {"big.bin", "small.txt"}) {
        fs::last_write_time(target / name, fs::file_time_type::clock::now() - 24h);
    }
    tvtest::WriteFile(source / "big.bin", std::string(3 * kMiB + kMiB / 2, 'n'));
    tvtest::WriteFile(source / "small.txt", "new small");
    Json task = Task(41, source, {target});
    task["m_dwOptions2"] = 0x200;  // continue after errors
    const std::string list = MakeList({task});
    CFaultFileSystem full(tv::LocalFileSystem());
    full.DisableKernelCopy();
    full.Fail(Op::Write, ENOSPC, 2, -1, (target / ".~tv-big.bin").string());

    const CRun run = InProcess(full, {"/F:" + list, "41", "/S"});
    EXPECT_EQ(run.m_exit, 1) << run.m_err;
    EXPECT_EQ(tvtest::ReadFile(target / "big.bin"), oldBig);
    EXPECT_EQ(tvtest::ReadFile(target / "small.txt"), "new small");
    EXPECT_FALSE(HasTempName(target));
    EXPECT_NE(Log(41).find("There is not enough space on the disk"), std::string::npos) << Log(41);
}

// The log is written out at the end of the run; when that fails halfway, the copies are done,
// the previous log stays as it was, and the run says why it has no new log: on the terminal, in
// its summary and in its exit code.
TEST_F(RunFileSystemTest, ALogThatCannotBeWrittenKeepsTheOldOneAndTheRunSaysSo) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    // Names long enough for a log that takes more than one write.
    const auto name = [](int i) { return std::string(150, 'n') + std::to_string(i) + ".txt"; };
    for (int i = 0; i < 300; ++i) {
        tvtest::WriteFile(source / name(i), "x");
    }
    const std::string list = MakeList({Task(7, source, {target})});
    ASSERT_EQ(InProcess(tv::LocalFileSystem(), {"/F:" + list, "7", "/S"}).m_exit, 0);
    const std::string oldLog = Log(7);
    for (int i = 0; i < 300; ++i) {
        tvtest::WriteFile(source / name(i), "changed");
        fs::last_write_time(source / name(i), fs::file_time_type::clock::now() + 1h);
    }
    CFaultFileSystem faults(tv::LocalFileSystem());
    faults.Fail(Op::Write, ENOSPC, 2, -1, "/logs/.~tv-7.txt");

    const CRun run = InProcess(faults, {"/F:" + list, "7", "/S"});
    EXPECT_EQ(run.m_exit, 1) << run.m_err;
    EXPECT_EQ(tvtest::ReadFile(target / name(299)), "changed");
    EXPECT_TRUE(Log(7) == oldLog) << Log(7).substr(0, 500);
    EXPECT_FALSE(HasTempName(m_home.DataHome()));
    EXPECT_NE(run.m_err.find("Can't close log file: " + LogPath(7)), std::string::npos)
        << run.m_err;
    EXPECT_NE(run.m_err.find("No space left on device"), std::string::npos) << run.m_err;
    EXPECT_NE(run.m_err.find("Errors: 1"), std::string::npos) << run.m_err;
}

// A list saved over an old one on a full disk: the old list stays whole and loads as before.
TEST_F(RunFileSystemTest, ATaskListSaveOnAFullDiskKeepsTheOldList) {
    const std::string list = MakeList({Task(3, Dir("src"), {Dir("dst")})});
    const std::string oldBytes = tvtest::ReadFile(list);
    const fs::path json = m_home.Root() / "new.json";
    tvtest::WriteFile(json, Json{{"version", "590"},
                                 {"tasks", {Task(4, Dir("a"), {Dir("b")}), Task(5, "/c", {"/d"})}}}
                                .dump());
    for (const Op op : {Op::CreateTemp, Op::Write, Op::Flush, Op::Rename}) {
        CFaultFileSystem full(tv::LocalFileSystem());
        full.Fail(op, ENOSPC, 1, -1, "list.tsl");
        const CRun run = InProcess(full, {"--make-list", json.string(), list});
        EXPECT_EQ(run.m_exit, tv::kExitCannotWrite) << static_cast<int>(op);
        EXPECT_NE(run.m_err.find("No space left on device"), std::string::npos) << run.m_err;
        EXPECT_EQ(tvtest::ReadFile(list), oldBytes) << static_cast<int>(op);
        EXPECT_FALSE(HasTempName(m_home.Root()));
    }
    std::ostringstream dumped;
    std::ostringstream err;
    ASSERT_EQ(tv::RunMirrant(tv::LocalFileSystem(), {"--dump-list", list}, "test", dumped, err), 0);
    EXPECT_EQ(Json::parse(dumped.str())["tasks"].size(), 1u);
}

}  // namespace

}  // namespace runtest
