// Whole runs of the two-way option that deletes what the other side lost since the last
// synchronization, of source snapshots under filters, and of roots typed with extra slashes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <thread>

#include "e2e/RunTestSupport.h"

namespace runtest {

namespace {

using namespace std::chrono_literals;
using tvtest::ReadFile;
using tvtest::WriteFile;

constexpr int kTwoWayWithSubfolders = 0x20;
constexpr int kPreview = 0x80;
constexpr int kBackupDeletingFromTarget = 0x29;
constexpr int kPlainLog = 0xC00;
constexpr int kDeleteNewBeforeLastSync = 0x4;

// A file last written an hour ago, as files are that a run finds.
void PutOld(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    WriteFile(path, content);
    fs::last_write_time(path, fs::file_time_type::clock::now() - 1h);
}

// A pseudo-terminal that the program takes for its standard input and error, so that it
// shows its preview and waits for an answer. What the program writes is collected as it comes.
class CTerminal {
  public:
    CTerminal() : m_master(posix_openpt(O_RDWR | O_NOCTTY)) {
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
            throw std::runtime_error("no pseudo-terminal");
        }
        m_strPath = ptsname(m_master);
        // Held open so that the reader meets the end only when this object goes.
        m_slave = open(m_strPath.c_str(), O_RDWR | O_NOCTTY);
        m_reader = std::thread([this] { Collect(); });
    }
    ~CTerminal() {
        close(m_slave);
        m_reader.join();
        close(m_master);
    }
    CTerminal(const CTerminal&) = delete;
    CTerminal& operator=(const CTerminal&) = delete;

    const std::string& Path() const { return m_strPath; }
    bool WaitFor(const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline) {
            {
                std::lock_guard lock(m_mutex);
                if (m_strOutput.find(text) != std::string::npos) {
                    return true;
                }
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    void Type(const std::string& line) const {
        const std::string text = line + "\n";
        ASSERT_EQ(write(m_master, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

  private:
    // Ends when no one holds the terminal any more (the read fails).
    void Collect() {
        char buffer[4096];
        ssize_t n;
        while ((n = read(m_master, buffer, sizeof buffer)) > 0) {
            std::lock_guard lock(m_mutex);
            m_strOutput.append(buffer, static_cast<size_t>(n));
        }
    }

    int m_master;
    int m_slave = -1;
    std::string m_strPath;
    std::mutex m_mutex;
    std::string m_strOutput;
    std::thread m_reader;
};

class RunLastSyncTest : public RunTest {
  protected:
    Json TwoWay(int id, const fs::path& source, const fs::path& target, int extra = 0) {
        Json task = Task(id, source, {target});
        task["m_dwOptions"] = kTwoWayWithSubfolders | extra;
        task["m_dwOptions3"] = kPlainLog | kDeleteNewBeforeLastSync;
        return task;
    }

    // Runs task `id` with a terminal as input; once the preview waits, `meanwhile` is called
    // and the preview is accepted.
    CRun RunThroughPreview(const std::string& list, int id,
                           const std::function<void()>& meanwhile) {
        CTerminal terminal;
        return Mirrant(
            {"/F:" + list, std::to_string(id)},
            [&](int) {
                EXPECT_TRUE(terminal.WaitFor("Proceed? [y/n]"));
                meanwhile();
                terminal.Type("y");
            },
            terminal.Path());
    }
};

// The preview waits between the scan and the pass: what was saved then was never seen by the
// run, and the next run must copy it, not take it for what the other side deleted.
TEST_F(RunLastSyncTest, WhatWasSavedWhileTheRunWaitedIsCopiedByTheNextRun) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    PutOld(source / "old.txt", "old");
    const std::string list = MakeList({TwoWay(31, source, target, kPreview)});

    const CRun first = RunThroughPreview(list, 31, [&] {
        WriteFile(source / "fresh.txt", "saved while the preview waited");
        fs::create_directories(target / "made");
        WriteFile(target / "made" / "n.txt", "in a folder made meanwhile");
        std::this_thread::sleep_for(1100ms);  // the run ends in a later second
    });
    ASSERT_EQ(first.m_exit, 0);
    ASSERT_TRUE(fs::exists(target / "old.txt"));
    ASSERT_FALSE(fs::exists(target / "fresh.txt"));
    ASSERT_FALSE(fs::exists(source / "made"));

    ASSERT_EQ(RunThroughPreview(list, 31, [] {}).m_exit, 0);
    for (const fs::path& side : {source, target}) {
        EXPECT_EQ(ReadFile(side / "fresh.txt"), "saved while the preview waited");
        EXPECT_EQ(ReadFile(side / "made" / "n.txt"), "in a folder made meanwhile");
    }
}

// What the user deletes on either side after a run goes on the other side too, at once: the
// copies that run made count as synchronized, files and folders alike.
TEST_F(RunLastSyncTest, DeletionsRightAfterARunFollowOnTheOtherSide) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    PutOld(source / "a.txt", "a");
    PutOld(source / "d" / "b.txt", "b");
    PutOld(source / "kept.txt", "k");
    PutOld(target / "t.txt", "t");
    PutOld(target / "e" / "c.txt", "c");
    const std::string list = MakeList({TwoWay(32, source, target)});
    ASSERT_EQ(Mirrant({"/F:" + list, "32"}).m_exit, 0);
    ASSERT_TRUE(Same(source, target));

    fs::remove(source / "a.txt");  // its twin in the target is a copy the run made
    fs::remove_all(source / "d");
    fs::remove(target / "t.txt");  // the twin in the source is the copy here
    fs::remove_all(target / "e");
    const CRun second = Mirrant({"/F:" + list, "32"});
    ASSERT_EQ(second.m_exit, 0) << second.m_err;
    EXPECT_NE(second.m_err.find("Files copied  (from src/from target): 0 / 0"), std::string::npos)
        << second.m_err;
    for (const char* gone : {"a.txt", "d", "t.txt", "e"}) {
        EXPECT_FALSE(fs::exists(source / gone)) << gone;
        EXPECT_FALSE(fs::exists(target / gone)) << gone;
    }
    EXPECT_TRUE(fs::exists(target / "kept.txt"));
    EXPECT_TRUE(Same(source, target));
}

// A snapshot stands for the target, and the filters protect what it lists just as they
// protect what a listing finds: items excluded after it was written stay in the target.
TEST_F(RunLastSyncTest, FiltersAddedAfterASnapshotKeepTheTargetsFiles) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    for (const char* name :
         {"keep.txt", "gone.txt", "skip.tmp", "sub/x.txt", ".hidden", "deep/inner/y.txt"}) {
        PutOld(source / name, name);
    }
    Json task = Task(33, source, {target});
    task["m_dwOptions"] = kBackupDeletingFromTarget;
    task["m_bUseSnapshot"] = 1;
    ASSERT_EQ(Mirrant({"/F:" + MakeList({task}), "33"}).m_exit, 0);
    ASSERT_TRUE(Same(source, target));

    task["m_dwOptions2"] = 0x4 | 0x8;  // excluded items and exclusion masks
    task["m_strExcludeMasks"] = "*.TMP";
    task["m_ExcludedItems"] = {"/sub", "deep/inner"};
    task["m_dwOptions4"] = 0x2;  // skip hidden files
    fs::remove(source / "gone.txt");
    WriteFile(target / "stray.txt", "not in the snapshot");
    const CRun run = Mirrant({"/F:" + MakeList({task}), "33"});
    ASSERT_EQ(run.m_exit, 0) << run.m_err;
    for (const char* kept :
         {"keep.txt", "skip.tmp", "sub/x.txt", ".hidden", "deep/inner/y.txt", "stray.txt"}) {
        EXPECT_TRUE(fs::exists(target / kept)) << kept;
    }
    EXPECT_FALSE(fs::exists(target / "gone.txt"));  // the snapshot still drove the deletion
}

// "/x/src//" names the same folder as "/x/src": the exclusions below it must hold.
TEST_F(RunLastSyncTest, RootsTypedWithTrailingSlashesKeepTheirExclusions) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    PutOld(source / "keep.txt", "k");
    PutOld(source / "skip" / "f.txt", "f");
    PutOld(target / "old" / "g.txt", "g");
    Json task = Task(34, source.string() + "//", {target.string() + "///"});
    task["m_dwOptions"] = kBackupDeletingFromTarget;
    task["m_dwOptions2"] = 0x4;
    task["m_ExcludedItems"] = {"/skip", "old"};
    const CRun run = Mirrant({"/F:" + MakeList({task}), "34"});
    ASSERT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_TRUE(fs::exists(target / "keep.txt"));
    EXPECT_FALSE(fs::exists(target / "skip"));
    EXPECT_TRUE(fs::exists(target / "old" / "g.txt"));
}

}  // namespace

}  // namespace runtest
