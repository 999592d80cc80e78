// Whole runs on real folders, judged by diff and rsync: after a Replace run, and after a
// one-way run with "Del files from target if not in source", the target equals the source.
#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>

#include "PassTestSupport.h"
#include "scan/ScanTestSupport.h"
#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;
using tv::CTaskInfor;

void Write(const fs::path& path, const std::string& content, int64_t age = 0, int mode = 0644) {
    fs::create_directories(path.parent_path());
    tvtest::WriteFile(path, content);
    const timespec times[2] = {{1'700'000'000 - age, 0}, {1'700'000'000 - age, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
    chmod(path.c_str(), mode);
}

// Output and exit status of a shell command.
std::string Shell(const std::string& command, int& status) {
    std::string out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    std::array<char, 4096> buffer;
    for (size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) {
        out.append(buffer.data(), n);
    }
    status = pclose(pipe);
    return out;
}

void ExpectSameTrees(const fs::path& src, const fs::path& dst) {
    int status = 0;
    EXPECT_EQ(Shell("diff -r '" + src.string() + "' '" + dst.string() + "'", status), "");
    EXPECT_EQ(status, 0);
    // Itemized, checksummed, with permissions: prints a line for every difference.
    EXPECT_EQ(
        Shell("rsync -rcnip --delete '" + src.string() + "/' '" + dst.string() + "/'", status), "");
    EXPECT_EQ(status, 0);
}

class TargetEqualsSource : public ::testing::TestWithParam<tv::RunKind> {
  protected:
    void SetUp() override {
        Write(m_src / "a/b/c/deep.txt", "deep");
        Write(m_src / "a/one.txt", "new one");
        fs::create_directories(m_src / "empty1");
        fs::create_directories(m_src / "empty2/inner");
        Write(m_src / "ro.txt", "read only, new", 0, 0444);
        Write(m_src / "case", "lower");
        Write(m_src / "CASE", "upper");
        Write(m_src / "bad\xff\xfe.txt", "invalid name");
        Write(m_src / "same.txt", "same", 3600);

        Write(m_dst / "a/one.txt", "old one", 3600);
        Write(m_dst / "a/stale.txt", "stale");
        Write(m_dst / "gone/x/y.txt", "target only, nested");
        fs::create_directories(m_dst / "gone/empty");
        Write(m_dst / "ro.txt", "read only, old", 3600, 0444);
        Write(m_dst / "Case", "a third spelling");
        Write(m_dst / "extra-ro.txt", "read-only extra", 0, 0444);
        Write(m_dst / "same.txt", "same", 3600);
    }
    void Configure(tvtest::CSyncRun& run) {
        if (GetParam() == tv::RunKind::UpdateTarget) {
            run.task.m_dwOptions |= tv::opt1::kDeleteFromTarget;
        }
    }

    tvtest::CTempDir m_dir;
    fs::path m_src = m_dir / "src";
    fs::path m_dst = m_dir / "dst";
};

TEST_P(TargetEqualsSource, AfterOneRunAndNothingMovesOnTheNext) {
    tvtest::CSyncRun run(m_src, m_dst, GetParam());
    Configure(run);
    ASSERT_TRUE(run.Run());
    ExpectSameTrees(m_src, m_dst);
    EXPECT_TRUE(run.Lines(CTaskInfor::Errors).empty());
    EXPECT_EQ(run.counts.m_nCopiedFromSource, 6u);
    EXPECT_EQ(run.Lines(CTaskInfor::CopiedFromSource).size(), 6u);
    EXPECT_EQ(run.counts.m_nDeleted, 3u);  // a/stale.txt, Case, extra-ro.txt
    const auto& removed = run.Lines(CTaskInfor::FoldersDeletedInTarget);
    EXPECT_NE(std::find(removed.begin(), removed.end(), (m_dst / "gone").string() + " deleted"),
              removed.end());
    const auto& created = run.Lines(CTaskInfor::FoldersCreatedInTarget);
    EXPECT_NE(std::find(created.begin(), created.end(), (m_dst / "empty2").string() + " created"),
              created.end());
    EXPECT_EQ(run.run.m_done, run.run.m_total);

    tvtest::CSyncRun again(m_src, m_dst, GetParam());
    Configure(again);
    ASSERT_TRUE(again.Run());
    EXPECT_EQ(again.counts.m_nCopiedFromSource + again.counts.m_nDeleted, 0u);
    EXPECT_EQ(again.run.m_total, 0u);
}

// src/sub cannot be listed and the policy goes on: nothing below it is deleted. With "Del files
// from target if not in source" the investigation fails instead and nothing changes at all.
TEST_P(TargetEqualsSource, UnlistableSourceFolderProtectsItsTargetTwin) {
    Write(m_src / "sub/kept.txt", "source");
    Write(m_dst / "sub/kept.txt", "target");
    Write(m_dst / "sub/deeper/y.txt", "target only");
    tvtest::CFaultyFileSystem faults;
    faults.FailNext((m_src / "sub").string(), {EACCES});
    tvtest::CSyncRun run(m_src, m_dst, GetParam());
    Configure(run);
    const bool replace = GetParam() == tv::RunKind::Replace;
    EXPECT_EQ(run.Run({}, &faults), replace);
    EXPECT_EQ(tvtest::ReadFile(m_dst / "sub/kept.txt"), "target");
    EXPECT_TRUE(fs::exists(m_dst / "sub/deeper/y.txt"));
    EXPECT_EQ(fs::exists(m_dst / "a/stale.txt"), !replace);
}

INSTANTIATE_TEST_SUITE_P(ReplaceAndDeleteFromTarget, TargetEqualsSource,
                         ::testing::Values(tv::RunKind::Replace, tv::RunKind::UpdateTarget));

}  // namespace
