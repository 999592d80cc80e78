// The pass on real folders: two-way edges, options, re-checks, cancellation and progress.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

#include "PassTestSupport.h"
#include "base/StringTable.h"
#include "platform/LocaleDate.h"
#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;
using tv::CTaskInfor;

constexpr int64_t kNow = 1'700'000'000;

void Write(const fs::path& path, const std::string& content, int64_t when = kNow) {
    fs::create_directories(path.parent_path());
    tvtest::WriteFile(path, content);
    const timespec times[2] = {{when, 0}, {when, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

class Pass : public ::testing::Test {
  protected:
    tvtest::CTempDir m_dir;
    fs::path m_src = m_dir / "src";
    fs::path m_dst = m_dir / "dst";
    void SetUp() override {
        fs::create_directories(m_src);
        fs::create_directories(m_dst);
    }
};

TEST_F(Pass, TwoWayTakesTheTargetFileThreeSecondsNewerButNotTwo) {
    Write(m_src / "three", "source");
    Write(m_dst / "three", "target", kNow + 3);
    Write(m_src / "two", "source");
    Write(m_dst / "two", "target", kNow + 2);
    tvtest::CSyncRun run(m_src, m_dst, tv::RunKind::Synchronize);
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(tvtest::ReadFile(m_src / "three"), "target");
    EXPECT_EQ(tvtest::ReadFile(m_src / "two"), "source");
    EXPECT_EQ(tvtest::ReadFile(m_dst / "two"), "target");
    EXPECT_EQ(run.counts.m_nCopiedFromTarget, 1u);
    EXPECT_EQ(run.Lines(CTaskInfor::CopiedFromTarget).size(), 1u);
}

// In the zone's local time, summer time included, with the date in the locale's order.
TEST_F(Pass, CopyLinesShowBothLocalTimes) {
    struct CZone {
        CZone() {
            setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
            tzset();
        }
        ~CZone() {
            unsetenv("TZ");
            tzset();
        }
    } zone;
    Write(m_src / "winter", "s");
    Write(m_dst / "winter", "target", kNow + 3);
    Write(m_src / "summer", "new", 1'690'000'000);
    tvtest::CSyncRun run(m_src, m_dst, tv::RunKind::Synchronize);
    ASSERT_TRUE(run.Run());
    const std::string november = tv::FormatDate(tv::LocaleDateFormat(), 2023, 11, 14);
    const std::string july = tv::FormatDate(tv::LocaleDateFormat(), 2023, 7, 22);
    EXPECT_EQ(run.Lines(CTaskInfor::CopiedFromTarget),
              std::vector<std::string>{(m_dst / "winter").string() + " (" + november +
                                       " 23:13:23) ---> " + (m_src / "winter").string() + " (" +
                                       november + " 23:13:20)"});
    EXPECT_EQ(run.Lines(CTaskInfor::CopiedFromSource),
              std::vector<std::string>{(m_src / "summer").string() + " (" + july +
                                       " 06:26:40) ---> " + (m_dst / "summer").string() + " ()"});
}

TEST_F(Pass, TwoWayDeleteNewRemovesWhatTheOtherSideDeletedSinceTheLastSync) {
    // Creation times are the real ones, so the last synchronization lies in the future.
    const tv::FileTime future = tv::FileTimeFromUnix(kNow + 1'000'000'000);
    const tv::CLastSync lastSync{future, future};
    for (const bool option : {false, true}) {
        const fs::path src = m_dir / (option ? "on/src" : "off/src");
        const fs::path dst = m_dir / (option ? "on/dst" : "off/dst");
        Write(src / "kept-on-source", "s", kNow - 100);
        Write(dst / "gone/old", "t", kNow - 100);
        tvtest::CSyncRun run(src, dst, tv::RunKind::Synchronize);
        run.task.m_dwOptions3 = option ? tv::opt3::kDeleteNewBeforeLastSync : 0;
        ASSERT_TRUE(run.Run(lastSync));
        EXPECT_EQ(fs::exists(dst / "kept-on-source"), !option);
        EXPECT_EQ(fs::exists(src / "kept-on-source"), !option);
        EXPECT_EQ(fs::exists(src / "gone/old"), !option);
        EXPECT_EQ(fs::exists(dst / "gone"), !option);
    }
}

// Only files the target now holds go: a file the options kept from the target stays.
TEST_F(Pass, DeleteSourceAfterRunKeepsFilesTheTargetLacks) {
    Write(m_src / "lone", "only here");
    Write(m_src / "copied", "new", kNow + 60);
    Write(m_src / "equal", "same");
    Write(m_src / "newer-than-target", "newest", kNow + 60);
    Write(m_dst / "copied", "old");
    Write(m_dst / "equal", "same");
    Write(m_dst / "newer-than-target", "older");
    tvtest::CSyncRun run(m_src, m_dst, tv::RunKind::UpdateTarget);
    run.task.m_dwOptions |= tv::opt1::kOnlyIfOnTarget;
    run.task.m_bDeleteSourceAfterRun = 1;
    run.prompter.m_answers = {};
    ASSERT_TRUE(run.Plan());
    for (tv::CFileDoInfo& record : run.sourceTree.files) {
        if (record.name == "newer-than-target") {
            record.selected = false;  // unchecked in the preview
        }
    }
    ASSERT_TRUE(run.Pass());
    EXPECT_TRUE(fs::exists(m_src / "lone"));
    EXPECT_TRUE(fs::exists(m_src / "newer-than-target"));
    EXPECT_FALSE(fs::exists(m_src / "copied"));
    EXPECT_FALSE(fs::exists(m_src / "equal"));
    EXPECT_EQ(tvtest::ReadFile(m_dst / "copied"), "new");
}

TEST_F(Pass, AFileChangedAfterTheScanIsLeftAlone) {
    Write(m_src / "f", "source", kNow + 60);
    Write(m_dst / "f", "target");
    Write(m_dst / "extra", "target only");
    tvtest::CSyncRun run(m_src, m_dst, tv::RunKind::Replace);
    ASSERT_TRUE(run.Plan());
    Write(m_dst / "f", "edited during the run");
    Write(m_dst / "extra", "edited too");
    ASSERT_TRUE(run.Pass());
    EXPECT_EQ(tvtest::ReadFile(m_dst / "f"), "edited during the run");
    EXPECT_EQ(tvtest::ReadFile(m_dst / "extra"), "edited too");
    EXPECT_EQ(run.Lines(CTaskInfor::Errors).size(), 2u);
    EXPECT_EQ(run.counts.m_nCopiedFromSource + run.counts.m_nDeleted, 0u);
}

TEST_F(Pass, CancellationStopsBeforeTheNextFileAndFolder) {
    for (const char* name : {"a", "b", "c", "d/e"}) {
        Write(m_src / name, name);
    }
    tvtest::CSyncRun run(m_src, m_dst, tv::RunKind::UpdateTarget);
    run.observer.m_cancelAfter = 1;
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.counts.m_nCopiedFromSource, 1u);
    EXPECT_FALSE(fs::exists(m_dst / "d"));
}

TEST_F(Pass, ReportsCopyingAndAProgressThatReachesTheEnd) {
    for (int i = 0; i < 20; ++i) {
        Write(m_src / ("f" + std::to_string(i)), std::string(1000, 'x'));
    }
    tvtest::CSyncRun run(m_src, m_dst, tv::RunKind::UpdateTarget);
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.observer.m_status, std::vector<int>{tv::IDS_COPYING_FILES});
    ASSERT_FALSE(run.observer.m_percents.empty());
    EXPECT_TRUE(std::is_sorted(run.observer.m_percents.begin(), run.observer.m_percents.end()));
    EXPECT_LE(run.observer.m_percents.back(), 100);
    EXPECT_EQ(run.run.m_total, 20'000u);
    EXPECT_EQ(run.run.m_done, run.run.m_total);
}

TEST_F(Pass, NoEmptyFoldersSkipsSubtreesWithoutFiles) {
    fs::create_directories(m_src / "empty/inner");
    Write(m_src / "full/inner/f", "f");
    tvtest::CSyncRun run(m_src, m_dst, tv::RunKind::UpdateTarget);
    run.task.m_dwOptions |= tv::opt1::kNoEmptyFolders;
    ASSERT_TRUE(run.Run());
    EXPECT_FALSE(fs::exists(m_dst / "empty"));
    EXPECT_TRUE(fs::exists(m_dst / "full/inner/f"));
}

TEST_F(Pass, ThirdPlaceReceivesTheCopiesAndTheTargetStays) {
    Write(m_src / "a/b/f", "new", kNow + 60);
    Write(m_dst / "a/b/f", "old");
    tvtest::CSyncRun run(m_src, m_dst, tv::RunKind::UpdateTarget);
    run.task.m_dwOptions3 |= tv::opt3::kAltCopy;
    run.task.m_strAltCopyDir = (m_dir / "third/place").string();
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(tvtest::ReadFile(m_dir / "third/place/a/b/f"), "new");
    EXPECT_EQ(tvtest::ReadFile(m_dst / "a/b/f"), "old");
}

TEST_F(Pass, MissingRootFailsTheRunAndTheOptionCreatesTheTarget) {
    tvtest::CSyncRun run(m_src, m_dst, tv::RunKind::UpdateTarget);
    tv::CPassRequest request =
        tv::CPassRequest::Local(run.task, run.Source(), (m_dir / "new/target").string(), true);
    EXPECT_FALSE(tv::CSyncPass(run.task, request, run.run, *run.files).Run(run.sourceTree));
    EXPECT_EQ(run.Lines(CTaskInfor::Errors).back(), "Can't open " + request.m_strTarget);
    run.task.m_dwOptions3 |= tv::opt3::kCreateTarget;
    EXPECT_TRUE(tv::CSyncPass(run.task, request, run.run, *run.files).Run(run.sourceTree));
    EXPECT_TRUE(fs::is_directory(request.m_strTarget));
    EXPECT_EQ(run.Lines(CTaskInfor::FoldersCreatedInTarget).size(), 2u);
}

}  // namespace

// Big folders take the merge's shortcuts (room kept for the target's records, a side without
// records taking the other's list whole); every name must still meet its pair.
TEST_F(Pass, BigFoldersPairEveryNameOnBothSides) {
    constexpr int kFiles = 4100;
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "f" + std::to_string(i);
        Write(m_src / name, "source " + name);
        if (i % 10 == 0) {
            Write(m_dst / name, "older", kNow - 3600);
        } else if (i % 10 != 1) {
            Write(m_dst / name, "source " + name);
        }
    }
    for (int i = 0; i < 50; ++i) {
        Write(m_dst / ("t" + std::to_string(i)), "target only");
        Write(m_dst / "tsub" / ("x" + std::to_string(i)), "target only");
    }
    fs::create_directories(m_src / "tsub");
    tvtest::CSyncRun run(m_src, m_dst, tv::RunKind::Synchronize);
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.Lines(CTaskInfor::CopiedFromSource).size(), size_t(kFiles / 10 * 2));
    EXPECT_EQ(run.Lines(CTaskInfor::CopiedFromTarget).size(), 100u);
    for (int i = 0; i < kFiles; i += 7) {
        const std::string name = "f" + std::to_string(i);
        EXPECT_EQ(tvtest::ReadFile(m_dst / name), "source " + name);
    }
    EXPECT_EQ(tvtest::ReadFile(m_src / "tsub" / "x49"), "target only");
    EXPECT_EQ(tvtest::ReadFile(m_src / "t0"), "target only");
}
