// The keeper under failures: a file is kept or stays, never lost, and the old file of a replace
// moves away only once the new content is complete.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>

#include "support/FaultFileSystem.h"
#include "support/TestEnv.h"
#include "sync/FileKeeper.h"
#include "sync/FileOperations.h"
#include "task/Element.h"

namespace fs = std::filesystem;
using Op = tvtest::CFaultFileSystem::Op;

namespace {

constexpr char kRun[] = "2026-01-02_03-04-05";

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class FileKeeper : public ::testing::Test {
  protected:
    void SetUp() override {
        m_root = m_dir / "root";
        fs::create_directories(m_root / "sub");
        tvtest::WriteFile(m_dir / "new", "new content");
        tvtest::WriteFile(m_root / "sub" / "file", "old content");
        m_keeper.AddRoot(m_root.string(), tv::SideReach::Local);
        m_ops.KeepThrough(&m_keeper);
    }

    tv::COpStatus Replace() {
        const auto size = static_cast<uint64_t>(fs::file_size(m_root / "sub" / "file"));
        const auto time = fs::last_write_time(m_root / "sub" / "file");
        const auto unix = std::chrono::duration_cast<std::chrono::seconds>(
                              std::chrono::file_clock::to_sys(time).time_since_epoch())
                              .count();
        tv::CCopyRequest request{(m_dir / "new").string(), (m_root / "sub" / "file").string(), 11,
                                 tv::CScannedFile::File(size, tv::FileTimeFromUnix(unix, 0))};
        return m_ops.CopyFile(request, m_bytes);
    }
    fs::path Kept() const { return m_root / ".twinvale-versions" / kRun / "sub" / "file"; }

    tvtest::CTempDir m_dir;
    fs::path m_root;
    tv::CElement m_task;
    tvtest::CFaultFileSystem m_faults{tv::LocalFileSystem()};
    tv::CFileKeeper m_keeper{m_faults, tv::KeepMode::Versions, kRun};
    tv::CFileOperations m_ops{m_task, m_faults};
    tv::CRunBytes m_bytes;
};

}  // namespace

TEST_F(FileKeeper, ReplaceKeepsTheOldFileAndAFailedCopyTouchesNothing) {
    m_faults.Fail(Op::Write, ENOSPC, 1, 1);
    m_faults.DisableKernelCopy();
    EXPECT_EQ(Replace().m_error, ENOSPC);
    EXPECT_EQ(tvtest::ReadFile(m_root / "sub" / "file"), "old content");
    EXPECT_FALSE(fs::exists(m_root / ".twinvale-versions"));
    EXPECT_EQ(Names(m_root / "sub"), std::set<std::string>{"file"});

    ASSERT_TRUE(Replace().Ok());
    EXPECT_EQ(tvtest::ReadFile(m_root / "sub" / "file"), "new content");
    EXPECT_EQ(tvtest::ReadFile(Kept()), "old content");
    EXPECT_EQ(m_keeper.Places(),
              std::vector<std::string>{(m_root / ".twinvale-versions" / kRun).string()});
}

TEST_F(FileKeeper, AVersionsFolderThatCannotBeMadeLeavesTheFileWhereItWas) {
    m_faults.Fail(Op::MakeFolder, EACCES, 1, -1, ".twinvale-versions");
    EXPECT_EQ(Replace().m_error, EACCES);
    EXPECT_EQ(tvtest::ReadFile(m_root / "sub" / "file"), "old content");
    EXPECT_EQ(Names(m_root / "sub"), std::set<std::string>{"file"});

    EXPECT_EQ(m_ops.DeleteFile((m_root / "sub" / "file").string()).m_error, EACCES);
    EXPECT_EQ(tvtest::ReadFile(m_root / "sub" / "file"), "old content");
    EXPECT_TRUE(m_keeper.Places().empty());
}

TEST_F(FileKeeper, AFileKeptTwiceInOneRunKeepsBothVersions) {
    ASSERT_TRUE(Replace().Ok());
    tvtest::WriteFile(m_dir / "new", "newest content");
    ASSERT_TRUE(Replace().Ok());
    ASSERT_TRUE(m_ops.DeleteFile((m_root / "sub" / "file").string()).Ok());
    EXPECT_FALSE(fs::exists(m_root / "sub" / "file"));
    EXPECT_EQ(tvtest::ReadFile(Kept()), "old content");
    EXPECT_EQ(tvtest::ReadFile(Kept().string() + "~2"), "new content");
    EXPECT_EQ(tvtest::ReadFile(Kept().string() + "~3"), "newest content");
}

TEST_F(FileKeeper, APathOutsideEveryRootIsDeletedAsBefore) {
    tvtest::WriteFile(m_dir / "elsewhere", "x");
    EXPECT_FALSE(m_keeper.Keeps((m_dir / "elsewhere").string()));
    EXPECT_FALSE(m_keeper.Keeps((m_dir / "root-sibling" / "x").string()));
    ASSERT_TRUE(m_ops.DeleteFile((m_dir / "elsewhere").string()).Ok());
    EXPECT_FALSE(fs::exists(m_dir / "elsewhere"));
}
