// A run record keeps only counts in memory: its lines go to files that have no name, come back
// in order, and survive a disk that fills up.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "support/FileSizeLimit.h"
#include "support/InforLines.h"
#include "support/TestEnv.h"
#include "task/TaskInfor.h"

namespace fs = std::filesystem;
using tv::CTaskInfor;

namespace {

std::string Line(int thread, int i) {
    return "thread " + std::to_string(thread) + " line " + std::to_string(i) +
           " /some/longer/path/to/a/file\nwith a line feed";
}

// The files this process has open in `folder`: a nameless one still shows its folder there.
int OpenFilesIn(const fs::path& folder) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const std::string target = fs::read_symlink(entry.path(), ec).string();
        count += !ec && target.rfind(folder.string() + "/", 0) == 0;
    }
    return count;
}

// Whether each thread's lines came back complete and in the order that thread added them.
void ExpectEveryThreadInOrder(const std::vector<std::string>& lines, int threads, int each) {
    ASSERT_EQ(lines.size(), static_cast<size_t>(threads * each));
    std::map<int, int> next;
    for (const std::string& line : lines) {
        const int thread = std::stoi(line.substr(7));
        ASSERT_EQ(line, Line(thread, next[thread]++));
    }
    for (int thread = 0; thread < threads; ++thread) {
        EXPECT_EQ(next[thread], each);
    }
}

TEST(TaskInfor, LinesFromManyThreadsComeBackInOrderFromFilesWithoutNames) {
    tvtest::CTempDir dir;
    const fs::path spool = dir / "Temp";
    CTaskInfor infor(tv::LocalFileSystem(), spool.string());
    constexpr int kThreads = 4;
    constexpr int kEach = 5000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&infor, t] {
            for (int i = 0; i < kEach; ++i) {
                infor.Add(CTaskInfor::CopiedFromSource, Line(t, i));
                if (i % 5 == 0) {
                    infor.AddError(Line(t, i / 5));
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_TRUE(fs::is_empty(spool));
    EXPECT_EQ(OpenFilesIn(spool), 2);
    EXPECT_EQ(infor.Count(CTaskInfor::CopiedFromSource), size_t{kThreads * kEach});
    ExpectEveryThreadInOrder(tvtest::LinesOf(infor, CTaskInfor::CopiedFromSource), kThreads, kEach);
    ExpectEveryThreadInOrder(tvtest::LinesOf(infor, CTaskInfor::Errors), kThreads, kEach / 5);
    EXPECT_EQ(infor.Count(CTaskInfor::DeletedInTarget), 0u);
    EXPECT_TRUE(tvtest::LinesOf(infor, CTaskInfor::DeletedInTarget).empty());
}

// A disk that fills after the first write, and a folder that cannot be made at all: either way
// one error line says so, and every line is still there, in order.
TEST(TaskInfor, AFailingSpoolKeepsTheRestInMemoryAndSaysSoOnce) {
    tvtest::CTempDir dir;
    tvtest::WriteFile(dir / "file", "");
    const struct {
        fs::path m_folder;
        int m_error;
    } cases[] = {{dir / "Temp", EFBIG}, {dir / "file" / "Temp", ENOTDIR}};
    for (const auto& c : cases) {
        CTaskInfor infor(tv::LocalFileSystem(), c.m_folder.string());
        {
            tvtest::CFileSizeLimit limit(100000);
            for (int i = 0; i < 4000; ++i) {
                infor.Add(CTaskInfor::CopiedFromSource, Line(0, i));
                infor.Add(CTaskInfor::DeletedInTarget, Line(1, i));
            }
        }
        ExpectEveryThreadInOrder(tvtest::LinesOf(infor, CTaskInfor::CopiedFromSource), 1, 4000);
        const std::vector<std::string> deleted =
            tvtest::LinesOf(infor, CTaskInfor::DeletedInTarget);
        ASSERT_EQ(deleted.size(), 4000u);
        EXPECT_EQ(deleted.back(), Line(1, 3999));
        const std::string said =
            tv::FormatText(tv::LoadString(tv::IDS_RECORD_IN_MEMORY).c_str(), c.m_folder.c_str(),
                           tv::SystemErrorText(c.m_error).c_str());
        EXPECT_EQ(tvtest::LinesOf(infor, CTaskInfor::Errors), std::vector<std::string>{said});
    }
}

}  // namespace
