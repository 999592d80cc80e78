#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/FileSystem.h"
#include "scan/TreeF.h"
#include "support/FaultFileSystem.h"
#include "support/InforLines.h"
#include "support/TestEnv.h"
#include "sync/FileOperations.h"
#include "task/Element.h"

namespace fs = std::filesystem;
using Op = tvtest::CFaultFileSystem::Op;
using List = tv::CTaskInfor::List;

namespace {

mode_t Mode(const fs::path& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

tv::CFileDoInfo Record(const fs::path& path, tv::Side side) {
    struct stat st {};
    stat(path.c_str(), &st);
    return tv::CFileDoInfo(path.filename().string(), static_cast<uint64_t>(st.st_size), side,
                           tv::TruncateToSecond(tv::FileTimeFromUnix(
                               st.st_mtim.tv_sec, static_cast<uint32_t>(st.st_mtim.tv_nsec))),
                           0, 0, true, false, tv::ACTION_DELETE);
}

// What a scan of `folder` on one side records: every file and folder, a link to a folder as a
// folder of its own (the scan follows it; the delete must not).
tv::CTreeF Scanned(const fs::path& folder, tv::Side side) {
    tv::CTreeF node;
    node.name = folder.filename().string();
    (side == tv::Side::Source ? node.sourceOnly : node.targetOnly) = true;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_directory() && entry.is_symlink()) {
            node.subfolders.push_back(std::make_unique<tv::CTreeF>());
            node.subfolders.back()->name = entry.path().filename().string();
        } else if (entry.is_directory()) {
            node.subfolders.push_back(std::make_unique<tv::CTreeF>(Scanned(entry.path(), side)));
        } else {
            node.files.push_back(Record(entry.path(), side));
        }
    }
    return node;
}

class FileDelete : public ::testing::Test {
  protected:
    void SetUp() override {
        tvtest::BeginRun(m_task.m_Run, tv::RunKind::Synchronize,
                         static_cast<uint32_t>(tv::ErrorPolicy::Continue));
    }

    std::string P(const std::string& name) const { return (m_dir / name).string(); }

    tvtest::CTempDir m_dir;
    tv::CElement m_task;
    tvtest::CFaultFileSystem m_faults{tv::LocalFileSystem()};
    tv::CFileOperations m_ops{m_task, m_faults};
};

}  // namespace

TEST_F(FileDelete, ReadOnlyFileIsDeleted) {
    tvtest::WriteFile(P("ro"), "x");
    chmod(P("ro").c_str(), 0444);
    EXPECT_TRUE(m_ops.DeleteFile(P("ro")).Ok());
    EXPECT_FALSE(fs::exists(P("ro")));
}

// As a share that maps the read-only attribute to the mode refuses the first delete.
TEST_F(FileDelete, RefusedReadOnlyFileGetsWriteBitForSecondTryAndKeepsModeWhenThatFails) {
    tvtest::WriteFile(P("ro"), "x");
    chmod(P("ro").c_str(), 0444);
    m_faults.Fail(Op::Unlink, EACCES, 1, 1);
    EXPECT_TRUE(m_ops.DeleteFile(P("ro")).Ok());
    EXPECT_FALSE(fs::exists(P("ro")));

    tvtest::WriteFile(P("ro2"), "x");
    chmod(P("ro2").c_str(), 0444);
    m_faults.Fail(Op::Unlink, EPERM, 1, -1, "ro2");
    EXPECT_EQ(m_ops.DeleteFile(P("ro2")).m_error, EPERM);
    EXPECT_EQ(Mode(P("ro2")), 0444u);
    EXPECT_EQ(m_faults.Calls(Op::SetMode), 3);
}

TEST_F(FileDelete, FileChangedSinceTheScanIsKept) {
    tvtest::WriteFile(P("f"), "scanned");
    const tv::CFileDoInfo rec = Record(P("f"), tv::Side::Target);
    tvtest::WriteFile(P("f"), "edited during the run");
    const auto status = m_ops.DeleteFile(P("f"), tv::CScannedFile::File(rec.size, rec.lastWrite));
    EXPECT_EQ(status.m_result, tv::OpResult::Changed);
    EXPECT_TRUE(fs::exists(P("f")));
}

TEST_F(FileDelete, RecursiveDeleteLogsEveryItemAndNeverFollowsLinks) {
    fs::create_directories(P("a/b"));
    fs::create_directories(P("outside"));
    tvtest::WriteFile(P("a/f1"), "1");
    tvtest::WriteFile(P("a/b/f2"), "2");
    tvtest::WriteFile(P("outside/keep"), "k");
    fs::create_directory_symlink(P("outside"), P("a/link"));
    chmod(P("a/b").c_str(), 0555);

    bool removed = false;
    EXPECT_TRUE(m_ops.DeleteRecursively(P("a"), tv::Side::Target, Scanned(P("a"), tv::Side::Target),
                                        &removed));
    EXPECT_TRUE(removed);
    EXPECT_FALSE(fs::exists(P("a")));
    EXPECT_TRUE(fs::exists(P("outside/keep")));
    const auto files = tvtest::LinesOf(m_task.m_Run, List::DeletedInTarget);
    EXPECT_EQ(files.size(), 3u);
    EXPECT_NE(std::find(files.begin(), files.end(), P("a/b/f2") + " deleted"), files.end());
    EXPECT_EQ(tvtest::LinesOf(m_task.m_Run, List::FoldersDeletedInTarget),
              (std::vector<std::string>{P("a/b") + " deleted", P("a") + " deleted"}));
    EXPECT_TRUE(tvtest::LinesOf(m_task.m_Run, List::Errors).empty());
}

TEST_F(FileDelete, RecursiveDeleteKeepsChangedAndFailedFilesWithTheirFolders) {
    fs::create_directories(P("a/b"));
    tvtest::WriteFile(P("a/changed"), "scanned");
    tvtest::WriteFile(P("a/b/stuck"), "s");
    tvtest::WriteFile(P("a/b/gone"), "g");
    tv::CTreeF node = Scanned(P("a"), tv::Side::Source);
    for (tv::CFileDoInfo& record : node.files) {
        record.lastWrite -= 10 * tv::kTicksPerSecond;
    }
    m_faults.Fail(Op::Unlink, EIO, 1, -1, "stuck");

    bool removed = true;
    EXPECT_TRUE(m_ops.DeleteRecursively(P("a"), tv::Side::Source, node, &removed));
    EXPECT_FALSE(removed);
    EXPECT_TRUE(fs::exists(P("a/changed")));
    EXPECT_TRUE(fs::exists(P("a/b/stuck")));
    EXPECT_FALSE(fs::exists(P("a/b/gone")));
    EXPECT_EQ(tvtest::LinesOf(m_task.m_Run, List::DeletedInSource),
              std::vector<std::string>{P("a/b/gone") + " deleted"});
    EXPECT_EQ(tvtest::LinesOf(m_task.m_Run, List::Errors).size(), 2u);
    EXPECT_EQ(m_faults.Calls(Op::RemoveFolder), 0);
}

// Only what the scan recorded on the side being deleted goes; the rest stays with its folder.
TEST_F(FileDelete, RecursiveDeleteRemovesOnlyWhatTheScanRecordedOnItsSide) {
    fs::create_directories(P("a/seen"));
    fs::create_directories(P("a/was-folder"));
    tvtest::WriteFile(P("a/seen/s"), "s");
    tvtest::WriteFile(P("a/other-side"), "o");
    tv::CTreeF node = Scanned(P("a"), tv::Side::Target);
    node.files.front().side = tv::Side::Source;  // "other-side", seen on the source only
    tvtest::WriteFile(P("a/seen/new"), "arrived after the scan");
    fs::remove(P("a/was-folder"));
    tvtest::WriteFile(P("a/was-folder"), "a file where the scan saw a folder");

    bool removed = true;
    EXPECT_TRUE(m_ops.DeleteRecursively(P("a"), tv::Side::Target, node, &removed));
    EXPECT_FALSE(removed);
    EXPECT_TRUE(fs::exists(P("a/other-side")));
    EXPECT_TRUE(fs::exists(P("a/seen/new")));
    EXPECT_TRUE(fs::is_regular_file(P("a/was-folder")));
    EXPECT_EQ(tvtest::LinesOf(m_task.m_Run, List::DeletedInTarget),
              std::vector<std::string>{P("a/seen/s") + " deleted"});
    std::vector<std::string> errors = tvtest::LinesOf(m_task.m_Run, List::Errors);
    std::sort(errors.begin(), errors.end());
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].rfind(P("a") + " was kept: it holds other-side,", 0), 0u) << errors[0];
    EXPECT_EQ(errors[1].rfind(P("a/seen") + " was kept: it holds new,", 0), 0u) << errors[1];
    EXPECT_EQ(errors[2], P("a/was-folder") + " changed during the run and was left as it is");
}

TEST_F(FileDelete, RecursiveDeleteStopsUnderStopPolicy) {
    fs::create_directories(P("a"));
    tvtest::WriteFile(P("a/f"), "f");
    m_task.m_Run.SetPolicy(tv::ErrorPolicy::Stop);
    m_faults.Fail(Op::Unlink, EIO);
    EXPECT_FALSE(
        m_ops.DeleteRecursively(P("a"), tv::Side::Target, Scanned(P("a"), tv::Side::Target)));
    EXPECT_EQ(tvtest::LinesOf(m_task.m_Run, List::Errors),
              std::vector<std::string>{"Can't delete file: " + P("a/f")});
    EXPECT_FALSE(m_ops.DeleteRecursively("/", tv::Side::Target, tv::CTreeF()));
}

TEST_F(FileDelete, PathsLongerThanAThousandCharacters) {
    std::string path = m_dir.Path().string();
    for (int i = 0; i < 12; ++i) {
        path += "/" + std::string(100, static_cast<char>('a' + i));
        ASSERT_TRUE(m_ops.CreateFolder(path).Ok());
    }
    ASSERT_GT(path.size(), 1000u);
    EXPECT_EQ(m_ops.CreateFolder(path).m_error, EEXIST);
    tvtest::WriteFile(P("src"), "deep");
    tv::CRunBytes bytes;
    ASSERT_TRUE(m_ops.CopyFile({P("src"), path + "/file", 4, std::nullopt}, bytes).Ok());
    EXPECT_EQ(tvtest::ReadFile(path + "/file"), "deep");
    const std::string top = P(std::string(100, 'a'));
    ASSERT_TRUE(m_ops.DeleteRecursively(top, tv::Side::Target, Scanned(top, tv::Side::Target)));
    EXPECT_EQ(tvtest::LinesOf(m_task.m_Run, List::FoldersDeletedInTarget).size(), 12u);
}

TEST_F(FileDelete, AttributesAndTimestamps) {
    tvtest::WriteFile(P("f"), "x");
    ASSERT_TRUE(m_ops.CopyAttributes(P("f"), (0751u << 16) | 0x20).Ok());
    EXPECT_EQ(Mode(P("f")), 0751u);
    ASSERT_TRUE(m_ops.CopyAttributes(P("f"), tv::attr::kReadOnly).Ok());
    EXPECT_EQ(Mode(P("f")), 0551u);

    tvtest::WriteFile(P("g"), "y");
    const timespec times[2] = {{1'500'000'000, 5}, {1'600'000'000, 700}};
    utimensat(AT_FDCWD, P("f").c_str(), times, 0);
    ASSERT_TRUE(m_ops.CopyTimestamps(P("f"), P("g")).Ok());
    struct stat st {};
    stat(P("g").c_str(), &st);
    EXPECT_EQ(st.st_mtim.tv_sec, 1'600'000'000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 700);
    EXPECT_EQ(st.st_atim.tv_sec, 1'500'000'000);
}
