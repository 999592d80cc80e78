// A big run keeps what it did on disk instead of in memory; the log still names every file,
// nothing of the run's scratch files stays behind, and a disk that fills up loses no line.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "e2e/RunTestSupport.h"
#include "support/FileSizeLimit.h"

namespace runtest {

namespace {

using tvtest::WriteFile;

constexpr int kFiles = 1000;

class RunRecordTest : public RunTest {
  protected:
    // Names long enough that every list of the record takes many scratch-file writes.
    std::set<std::string> MakeSource(const fs::path& source) {
        std::set<std::string> paths;
        for (int i = 0; i < kFiles; ++i) {
            const fs::path folder = source / ("folder \xC3\xA4 " + std::to_string(i % 30));
            fs::create_directories(folder);
            const fs::path file =
                folder / ("a file with a long name & more " + std::to_string(i) + ".txt");
            WriteFile(file, std::to_string(i));
            paths.insert(file.string());
        }
        return paths;
    }

    // The source paths of the log's "copied" lines, one entry per line.
    static std::multiset<std::string> CopiedIn(const std::string& log, const fs::path& source) {
        std::multiset<std::string> copied;
        const std::string start = "      " + source.string() + "/";
        for (size_t at = log.find(start); at != std::string::npos; at = log.find(start, at + 1)) {
            const size_t end = log.find(" (", at);
            copied.insert(log.substr(at + 6, end - at - 6));
        }
        return copied;
    }

    fs::path SpoolFolder() const { return m_home.DataHome() / "Twinvale" / "Temp"; }
};

TEST_F(RunRecordTest, BigBackupLogsEveryFileOnceAndLeavesNoScratchFile) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    const std::set<std::string> files = MakeSource(source);
    const std::string list = MakeList({Task(21, source, {target})});
    const CRun run = Mirrant({"/F:" + list, "21", "/S"});
    ASSERT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_TRUE(Same(source, target));
    const std::string log = Log(21);
    EXPECT_NE(log.find("Files copied from source (1000 files):"), std::string::npos);
    const std::multiset<std::string> copied = CopiedIn(log, source);
    EXPECT_EQ(copied, std::multiset<std::string>(files.begin(), files.end()));
    EXPECT_TRUE(!fs::exists(SpoolFolder()) || fs::is_empty(SpoolFolder()));
}

// The record's scratch files outgrow the limit; the log, appended with a limit below it, does
// not. The run copies everything, counts everything, and says what happened to the record.
TEST_F(RunRecordTest, ARecordThatCannotGrowOnDiskLosesNothing) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    MakeSource(source);
    Json task = Task(22, source, {target});
    task["m_dwOptions"] = 0x21 | 0x40;  // append to the log
    task["m_nLogLimitKb"] = 16;
    const std::string list = MakeList({task});
    CRun run;
    {
        tvtest::CFileSizeLimit limit(96 * 1024);
        run = Mirrant({"/F:" + list, "22", "/S"});
    }
    EXPECT_EQ(run.m_exit, 1) << run.m_err;
    EXPECT_TRUE(Same(source, target));
    EXPECT_NE(run.m_err.find("Files copied  (from src/from target): 1000 / 0"), std::string::npos)
        << run.m_err;
    const std::string log = Log(22);
    EXPECT_EQ(log.size(), 16u * 1024);
    EXPECT_NE(log.find("The list of what this run did could not be kept in " +
                       SpoolFolder().string() + " (File too large)"),
              std::string::npos)
        << log.substr(0, 2000);
}

}  // namespace

}  // namespace runtest
