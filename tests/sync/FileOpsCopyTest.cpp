#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <ostream>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>

#include "support/FaultFileSystem.h"
#include "support/TestEnv.h"
#include "sync/FileOperations.h"
#include "task/Element.h"

namespace fs = std::filesystem;
using Op = tvtest::CFaultFileSystem::Op;

namespace {

constexpr uint64_t kLarge = 60'000'000;

class CProgressCount : public tv::ITaskObserver {
  public:
    void CopyProgress(int percent) override {
        ++m_calls;
        m_last = percent;
    }
    int m_calls = 0;
    int m_last = -1;
};

// Every byte differs from its neighbours within a chunk, so a chunk written at a wrong offset
// shows.
std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 4096) & 0xff);
    }
    return bytes;
}

void SetTimes(const fs::path& path, int64_t seconds, long nanoseconds) {
    const timespec times[2] = {{seconds - 100, 0}, {seconds, nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

timespec LastWrite(const fs::path& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mtim;
}

mode_t Mode(const fs::path& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

tv::CScannedFile ScannedNow(const fs::path& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return tv::CScannedFile::File(
        static_cast<uint64_t>(st.st_size),
        tv::FileTimeFromUnix(st.st_mtim.tv_sec, static_cast<uint32_t>(st.st_mtim.tv_nsec)));
}

class FileCopy : public ::testing::Test {
  protected:
    void SetUp() override {
        m_task.m_Run.Attach(&m_progress, nullptr);
        m_src = (m_dir / "src").string();
        m_dest = (m_dir / "dest").string();
    }

    void Silent() { m_task.m_dwOptions2 |= tv::opt2::kSilent; }

    tv::COpStatus Copy(uint64_t size, std::optional<tv::CScannedFile> scanned = std::nullopt) {
        tv::CFileOperations ops(m_task, m_faults);
        return ops.CopyFile({m_src, m_dest, size, scanned}, m_bytes);
    }

    tvtest::CTempDir m_dir;
    tv::CElement m_task;
    CProgressCount m_progress;
    tvtest::CFaultFileSystem m_faults{tv::LocalFileSystem()};
    tv::CRunBytes m_bytes;
    std::string m_src;
    std::string m_dest;
};

}  // namespace

TEST(FileCopyMethod, LargeFileThreshold) {
    EXPECT_TRUE(tv::UseChunkedCopy(60'000'000, 100'000'000, true));
    EXPECT_FALSE(tv::UseChunkedCopy(60'000'000, 100'000'000, false));
    EXPECT_FALSE(tv::UseChunkedCopy(60'000'000, 200'000'000, true));
    EXPECT_FALSE(tv::UseChunkedCopy(49'999'999, 60'000'000, true));
    EXPECT_TRUE(tv::UseChunkedCopy(50'000'000, 150'000'000, true));
    EXPECT_FALSE(tv::UseChunkedCopy(50'000'000, 150'000'001, true));
    EXPECT_TRUE(tv::UseChunkedCopy(uint64_t{5} << 32, uint64_t{15} << 32, true));
}

TEST_F(FileCopy, KeepsContentExactTimesAndMode) {
    tvtest::WriteFile(m_src, std::string("one\0two", 7));
    chmod(m_src.c_str(), 0640);
    SetTimes(m_src, 1'600'000'000, 123'456'789);
    m_bytes.m_total = 7;

    ASSERT_TRUE(Copy(7).Ok());
    EXPECT_EQ(tvtest::ReadFile(m_dest), std::string("one\0two", 7));
    EXPECT_EQ(Mode(m_dest), 0640u);
    EXPECT_EQ(LastWrite(m_dest).tv_sec, 1'600'000'000);
    EXPECT_EQ(LastWrite(m_dest).tv_nsec, 123'456'700);  // to the 100 ns of a file time
    EXPECT_EQ(m_bytes.m_done, 7u);
    EXPECT_EQ(Names(m_dir.Path()), (std::set<std::string>{"src", "dest"}));
}

TEST_F(FileCopy, ReadOnlyDestinationIsReplacedAndTakesTheSourceMode) {
    tvtest::WriteFile(m_src, "new content");
    tvtest::WriteFile(m_dest, "old");
    chmod(m_dest.c_str(), 0444);

    ASSERT_TRUE(Copy(11, ScannedNow(m_dest)).Ok());
    EXPECT_EQ(tvtest::ReadFile(m_dest), "new content");
    EXPECT_EQ(Mode(m_dest), Mode(m_src));
}

TEST_F(FileCopy, LargeFileGoesThroughChunksWithProgressUnlessSilent) {
    const std::string content = Pattern(kLarge);
    tvtest::WriteFile(m_src, content);
    m_bytes.m_total = 100'000'000;
    m_faults.DisableKernelCopy();

    ASSERT_TRUE(Copy(kLarge).Ok());
    EXPECT_EQ(tvtest::ReadFile(m_dest), content);
    EXPECT_EQ(m_faults.Calls(Op::Write), 30);  // 2 048 000-byte chunks
    EXPECT_GT(m_progress.m_calls, 10);
    EXPECT_EQ(m_progress.m_last, 60);

    Silent();
    m_progress.m_calls = 0;
    m_bytes.m_done = 0;
    ASSERT_TRUE(Copy(kLarge).Ok());
    EXPECT_EQ(m_progress.m_calls, 0);
    EXPECT_EQ(m_bytes.m_done, kLarge);
}

TEST_F(FileCopy, ChunkedCopyReopensAnUnreadableSourceAtItsOffset) {
    const std::string content = Pattern(kLarge);
    tvtest::WriteFile(m_src, content);
    m_bytes.m_total = kLarge;
    m_faults.Fail(Op::Read, EIO, 3, 3, "src");

    ASSERT_TRUE(Copy(kLarge).Ok());
    EXPECT_EQ(tvtest::ReadFile(m_dest), content);
    EXPECT_EQ(m_faults.Calls(Op::OpenRead), 3);
}

TEST_F(FileCopy, ChunkedReadFailureTriesThreeTimesPerBufferSize) {
    tvtest::WriteFile(m_src, Pattern(kLarge));
    m_bytes.m_total = kLarge;
    m_faults.DisableKernelCopy();
    m_faults.Fail(Op::Read, EIO, 2, -1, "src");

    EXPECT_EQ(Copy(kLarge).m_error, EIO);
    EXPECT_EQ(m_faults.Calls(Op::Read), 1 + 3 + 3);
}

// Whatever stops a copy, the old destination stays whole and no temporary file is left.
struct CInterruption {
    const char* m_name;
    bool m_bLarge;
    void (*m_arrange)(tvtest::CFaultFileSystem&, tv::CElement&);
    tv::OpResult m_result;
    int m_error;
};

void PrintTo(const CInterruption& c, std::ostream* out) {
    *out << c.m_name;
}

class FileCopyInterrupted : public FileCopy, public ::testing::WithParamInterface<CInterruption> {};

TEST_P(FileCopyInterrupted, LeavesOldDestinationAndNoTemporaryFile) {
    const CInterruption& c = GetParam();
    const uint64_t size = c.m_bLarge ? kLarge : 5000;
    tvtest::WriteFile(m_src, Pattern(size));
    tvtest::WriteFile(m_dest, "old content");
    m_bytes.m_total = size;
    c.m_arrange(m_faults, m_task);

    const tv::COpStatus status = Copy(size, ScannedNow(m_dest));
    EXPECT_EQ(status.m_result, c.m_result);
    EXPECT_EQ(status.m_error, c.m_error);
    EXPECT_EQ(tvtest::ReadFile(m_dest), "old content");
    EXPECT_EQ(Names(m_dir.Path()), (std::set<std::string>{"src", "dest"}));
    EXPECT_EQ(m_bytes.m_done, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FileCopyInterrupted,
    ::testing::Values(CInterruption{"CancelAfterFirstChunk", true,
                                    [](tvtest::CFaultFileSystem& f, tv::CElement& task) {
                                        f.OnCall([&task](Op op, const std::string&) {
                                            if (op == Op::Write) {
                                                task.m_Run.RequestCancel();
                                            }
                                        });
                                    },
                                    tv::OpResult::Canceled, 0},
                      CInterruption{"UnreadableSource", false,
                                    [](tvtest::CFaultFileSystem& f, tv::CElement&) {
                                        f.DisableKernelCopy();
                                        f.Fail(Op::Read, EIO, 1, -1, "src");
                                    },
                                    tv::OpResult::Failed, EIO},
                      CInterruption{"DiskFullInKernelCopy", false,
                                    [](tvtest::CFaultFileSystem& f, tv::CElement&) {
                                        f.Fail(Op::Write, ENOSPC, 1, -1, ".~tv-");
                                    },
                                    tv::OpResult::Failed, ENOSPC},
                      CInterruption{"DiskFullInSecondChunk", true,
                                    [](tvtest::CFaultFileSystem& f, tv::CElement&) {
                                        f.DisableKernelCopy();
                                        f.Fail(Op::Write, ENOSPC, 2, -1, ".~tv-");
                                    },
                                    tv::OpResult::Failed, ENOSPC},
                      CInterruption{"SettingTimesFails", false,
                                    [](tvtest::CFaultFileSystem& f, tv::CElement&) {
                                        f.Fail(Op::SetOpenTimes, EIO);
                                    },
                                    tv::OpResult::Failed, EIO},
                      CInterruption{"RenameFails", false,
                                    [](tvtest::CFaultFileSystem& f, tv::CElement&) {
                                        f.Fail(Op::Rename, EIO);
                                    },
                                    tv::OpResult::Failed, EIO}),
    [](const auto& p) { return std::string(p.param.m_name); });

TEST_F(FileCopy, DestinationChangedSinceTheScanIsLeftAlone) {
    tvtest::WriteFile(m_src, "source");
    tvtest::WriteFile(m_dest, "edited");
    SetTimes(m_dest, 1'700'000'000, 0);
    const tv::CScannedFile before = tv::CScannedFile::File(6, tv::FileTimeFromUnix(1'699'999'990));
    EXPECT_EQ(Copy(6, before).m_result, tv::OpResult::Changed);
    EXPECT_EQ(Copy(6, tv::CScannedFile::Absent()).m_result, tv::OpResult::Changed);
    EXPECT_EQ(tvtest::ReadFile(m_dest), "edited");
    EXPECT_EQ(Names(m_dir.Path()), (std::set<std::string>{"src", "dest"}));

    // Milliseconds are not a change: the records keep whole seconds.
    SetTimes(m_dest, 1'700'000'000, 999'000'000);
    EXPECT_TRUE(Copy(6, tv::CScannedFile::File(6, tv::FileTimeFromUnix(1'700'000'000))).Ok());
    EXPECT_EQ(tvtest::ReadFile(m_dest), "source");
}

// Copying megabytes only to throw them away would be a waste: the change is seen first.
TEST_F(FileCopy, BigFileWhoseDestinationChangedIsNotEvenRead) {
    tvtest::WriteFile(m_src, std::string(2 << 20, 's'));
    tvtest::WriteFile(m_dest, "edited");
    EXPECT_EQ(Copy(2 << 20, tv::CScannedFile::Absent()).m_result, tv::OpResult::Changed);
    EXPECT_EQ(m_faults.Calls(Op::OpenRead), 0);
    EXPECT_EQ(tvtest::ReadFile(m_dest), "edited");
}

TEST_F(FileCopy, EditDuringTheCopyWins) {
    tvtest::WriteFile(m_src, "source");
    tvtest::WriteFile(m_dest, "old");
    const tv::CScannedFile scanned = ScannedNow(m_dest);
    m_faults.OnCall([this](Op op, const std::string&) {
        if (op == Op::SetOpenTimes) {
            tvtest::WriteFile(m_dest, "user's edit");
        }
    });
    EXPECT_EQ(Copy(6, scanned).m_result, tv::OpResult::Changed);
    EXPECT_EQ(tvtest::ReadFile(m_dest), "user's edit");
    EXPECT_EQ(Names(m_dir.Path()), (std::set<std::string>{"src", "dest"}));
}
