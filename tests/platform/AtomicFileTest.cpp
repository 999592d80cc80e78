#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ChildProcesses.h"
#include "platform/FileSystem.h"
#include "platform/TempFile.h"
#include "support/FaultFileSystem.h"
#include "support/TestEnv.h"

namespace fs = std::filesystem;

namespace {

tv::IFileSystem& Local() {
    return tv::LocalFileSystem();
}

size_t EntryCount(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

mode_t ModeOf(const fs::path& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

}  // namespace

TEST(AtomicFile, ReplacesContentAndKeepsModeAndLinks) {
    tvtest::CTempDir dir;
    std::string path = dir / "data";
    ASSERT_TRUE(tv::WriteFileAtomically(Local(), path, std::string("first\0line", 10)));
    EXPECT_EQ(tvtest::ReadFile(path), std::string("first\0line", 10));

    chmod(path.c_str(), 0600);
    ASSERT_TRUE(tv::WriteFileAtomically(Local(), path, "second"));
    EXPECT_EQ(tvtest::ReadFile(path), "second");
    EXPECT_EQ(ModeOf(path), 0600u);

    fs::create_symlink("data", dir / "link");
    ASSERT_TRUE(tv::WriteFileAtomically(Local(), dir / "link", "third"));
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(tvtest::ReadFile(path), "third");
    EXPECT_EQ(EntryCount(dir.Path()), 2u);
}

TEST(AtomicFile, FailureKeepsOldContentAndLeavesNoTemporaryFile) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root ignores folder permissions";
    }
    tvtest::CTempDir dir;
    std::string path = dir / "data";
    tvtest::WriteFile(path, "old");
    chmod(dir.Path().c_str(), 0500);
    std::string error;
    EXPECT_FALSE(tv::WriteFileAtomically(Local(), path, "new", &error));
    chmod(dir.Path().c_str(), 0700);
    EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
    EXPECT_EQ(tvtest::ReadFile(path), "old");
    EXPECT_EQ(EntryCount(dir.Path()), 1u);

    EXPECT_FALSE(tv::WriteFileAtomically(Local(), dir / "missing" / "data", "new", &error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

// What killed writers of the file left beside it goes; another writer's file, live or not, and
// the leftovers of other files stay.
TEST(AtomicFile, WritingClearsStaleTemporaryFilesOfThatFileOnly) {
    tvtest::CTempDir dir;
    tvtest::WriteFile(dir / ".~tv-data-Ab12Cd", "killed writer");
    tvtest::WriteFile(dir / ".~tv-other-Ab12Cd", "killed writer of another file");
    std::string live;
    int fd = -1;
    ASSERT_EQ(tv::CreateLockedTempFile(dir.Path().string(), "data", 0600, live, fd), 0);
    EXPECT_TRUE(tv::IsTempFileName(fs::path(live).filename().string())) << live;

    ASSERT_TRUE(tv::WriteFileAtomically(Local(), dir / "data", "new"));
    EXPECT_EQ(tvtest::ReadFile(dir / "data"), "new");
    EXPECT_FALSE(fs::exists(dir / ".~tv-data-Ab12Cd"));
    EXPECT_TRUE(fs::exists(dir / ".~tv-other-Ab12Cd"));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_EQ(EntryCount(dir.Path()), 3u);
    close(fd);
}

TEST(AtomicFile, ReadReportsMissingAndOversizedFilesAndReadsUnsizedOnes) {
    tvtest::CTempDir dir;
    tv::CFileError error;
    EXPECT_FALSE(tv::ReadWholeFile(Local(), dir / "missing", &error));
    EXPECT_EQ(error.m_nCode, ENOENT);
    EXPECT_NE(error.m_strText.find("missing"), std::string::npos);

    tvtest::WriteFile(dir / "big", std::string(100, 'x'));
    EXPECT_FALSE(tv::ReadWholeFile(Local(), dir / "big", &error, 99));
    EXPECT_EQ(error.m_nCode, EFBIG);
    EXPECT_EQ(tv::ReadWholeFile(Local(), dir / "big", nullptr, 100)->size(), 100u);

    // Files of /proc report a size of 0 and must still be read to their end.
    auto status = tv::ReadWholeFile(Local(), "/proc/self/status");
    ASSERT_TRUE(status);
    EXPECT_NE(status->find("Pid:"), std::string::npos);
}

TEST(AtomicFile, LockExcludesOtherProcessesUntilReleased) {
    tvtest::CTempDir dir;
    std::string lockPath = dir / "lock";
    auto lockedElsewhere = [&] {
        return !tvtest::RunInChildren(1, [&](int) {
            int fd = open(lockPath.c_str(), O_RDWR);
            return fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
        });
    };
    {
        tv::CFileLock lock(Local(), lockPath);
        ASSERT_TRUE(lock.IsLocked()) << lock.Error();
        EXPECT_TRUE(lockedElsewhere());
    }
    EXPECT_FALSE(lockedElsewhere());

    tv::CFileLock missing(Local(), dir / "no" / "lock");
    EXPECT_FALSE(missing.IsLocked());
    EXPECT_FALSE(missing.Error().empty());
}

// Who may read a written file, for each kind of access, new or replacing a file with modes
// wider and narrower than the default; and at no step, from its creation on, is the temporary
// file readable by anyone the finished file keeps out.
TEST(AtomicFile, ModesFollowTheAccessAndTheTemporaryFileIsNeverWider) {
    const mode_t oldMask = umask(022);
    tvtest::CTempDir dir;
    tvtest::CFaultFileSystem faults(Local());
    std::vector<mode_t> seen;
    faults.OnCall([&](tvtest::CFaultFileSystem::Op op, const std::string& path) {
        if (op == tvtest::CFaultFileSystem::Op::SetOpenMode ||
            op == tvtest::CFaultFileSystem::Op::Write) {
            seen.push_back(ModeOf(path));
        }
    });
    using tv::FileAccess;
    struct {
        FileAccess access;
        mode_t old;  // 0: no file there yet
        mode_t expected;
    } const cases[] = {
        {FileAccess::Shared, 0, 0644},
        {FileAccess::Shared, 0600, 0600},
        {FileAccess::Shared, 0664, 0664},
        {FileAccess::PrivateWhenNew, 0, 0600},
        {FileAccess::PrivateWhenNew, 0640, 0640},
        {FileAccess::PrivateWhenNew, 0400, 0400},
        {FileAccess::Private, 0, 0600},
        {FileAccess::Private, 0644, 0600},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string path = dir / ("f" + std::to_string(++n));
        if (c.old != 0) {
            tvtest::WriteFile(path, "old");
            ASSERT_EQ(chmod(path.c_str(), c.old), 0);
        }
        seen.clear();
        ASSERT_TRUE(tv::WriteFileAtomically(faults, path, "new", c.access)) << n;
        EXPECT_EQ(ModeOf(path), c.expected) << n;
        ASSERT_FALSE(seen.empty()) << n;
        for (const mode_t mode : seen) {
            EXPECT_EQ(mode & ~c.expected & 077, 0u) << n << ": " << std::oct << mode;
        }
    }
    umask(oldMask);
}
