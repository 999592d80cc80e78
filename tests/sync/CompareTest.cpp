#include "sync/Compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/FileSystem.h"
#include "support/InforLines.h"
#include "support/MemoryFileSystem.h"
#include "support/TestEnv.h"

namespace {

using tv::CFileDoInfo;
using tv::FileTime;

constexpr FileTime kSecond = 10'000'000;
const FileTime kTen = tv::FileTimeFromUnix(1'700'000'000);

CFileDoInfo Record(FileTime lastWrite, uint64_t size = 1, uint32_t attributes = 0x20) {
    return CFileDoInfo("f", size, tv::Side::Target, lastWrite, 0, attributes, false, false,
                       tv::ACTION_NONE);
}

int Compare(tv::CElement& task, int mode, const CFileDoInfo& src, const CFileDoInfo& dst) {
    task.m_nCompareMode = mode;
    tvtest::CMemoryFileSystem nothing;
    return tv::CompareFiles(task, src, dst, "/nowhere/s", "/nowhere/d", false, false, nothing);
}

TEST(Compare, CriteriaOnRecordedTimesAndSizes) {
    const FileTime hour = 3600 * kSecond;
    const struct {
        int mode;
        FileTime srcTime, dstTime;
        uint64_t srcSize, dstSize;
        int expected;
    } cases[] = {
        {0, kTen, kTen + 2 * kSecond, 1, 1, 0}, {0, kTen, kTen + 3 * kSecond, 1, 1, -1},
        {0, kTen + 25'000'000, kTen, 1, 1, 0},  {0, kTen + 25'000'001, kTen, 1, 1, 1},
        {2, kTen, kTen + hour, 7, 7, 0},        {2, kTen, kTen, 5ull << 30, 1ull << 30, 1},
        {3, kTen, kTen + hour, 7, 7, 0},        {3, kTen, kTen, 7, 8, 0},
        {3, kTen + hour, kTen, 7, 8, 1},        {4, kTen, kTen + 2 * kSecond, 7, 8, 1},
        {4, kTen + 2 * kSecond, kTen, 7, 7, 0}, {99, kTen, kTen + hour, 7, 8, 0},
    };
    tv::CElement task;
    for (const auto& c : cases) {
        EXPECT_EQ(Compare(task, c.mode, Record(c.srcTime, c.srcSize), Record(c.dstTime, c.dstSize)),
                  c.expected)
            << "mode " << c.mode << ", " << c.srcTime << "/" << c.dstTime << ", " << c.srcSize;
    }
    // One second apart across a change of the high 32 bits is still within the band.
    const FileTime boundary = ((kTen >> 32) + 1) << 32;
    EXPECT_EQ(tv::CompareTimes(boundary + kSecond / 2, boundary - kSecond / 2), 0);
}

TEST(Compare, TimesOrAttributes) {
    tv::CElement task;
    const auto readOnly = Record(kTen, 1, 0x21);
    const auto later = Record(kTen + 9 * kSecond);
    EXPECT_EQ(Compare(task, 1, readOnly, Record(kTen + kSecond)), 2);
    EXPECT_EQ(Compare(task, 1, later, readOnly), 1);
    EXPECT_EQ(Compare(task, 1, readOnly, later), -1);
    tvtest::BeginRun(task.m_Run, tv::RunKind::UpdateTarget);
    EXPECT_EQ(Compare(task, 1, readOnly, later), 2);
    EXPECT_EQ(Compare(task, 1, Record(kTen), later), -1);
    task.m_dwOptions |= tv::opt1::kOnlyIfTargetNewer;
    EXPECT_EQ(Compare(task, 1, readOnly, later), -1);
}

class BinaryCompare : public ::testing::Test {
  protected:
    BinaryCompare() {
        m_task.m_nCompareMode = tv::COMPARE_BINARY;
        tvtest::BeginRun(m_task.m_Run);
    }
    int Compare(const std::string& srcFolder, const std::string& dstFolder, uint64_t size,
                tv::IFileSystem& fs = tv::LocalFileSystem()) {
        return tv::CompareFiles(m_task, Record(kTen, size), Record(kTen, size), srcFolder,
                                dstFolder, false, false, fs);
    }
    std::vector<std::string> Errors() const {
        return tvtest::LinesOf(m_task.m_Run, tv::CTaskInfor::Errors);
    }

    tv::CElement m_task;
};

// Those below "/s" come a few bytes per read, the others at once.
TEST_F(BinaryCompare, ShortReadsAreNotDifferences) {
    tvtest::CMemoryFileSystem fs;
    fs.LimitReads("/s", 4093);
    const std::string content(700'000, 'x');
    fs.PutFile("/s/f", content);
    fs.PutFile("/d/f", content);
    EXPECT_EQ(Compare("/s", "/d/", content.size(), fs), 0);
    fs.PutFile("/d/f", content.substr(0, content.size() - 1) + "y");
    EXPECT_EQ(Compare("/s", "/d/", content.size(), fs), 1);
}

TEST_F(BinaryCompare, RealFiles) {
    tvtest::CTempDir src;
    tvtest::CTempDir dst;
    const auto write = [&](const std::string& a, const std::string& b) {
        tvtest::WriteFile(src / "f", a);
        tvtest::WriteFile(dst / "f", b);
        return Compare(src.Path().string(), dst.Path().string(), a.size());
    };
    EXPECT_EQ(write("", ""), 0);
    const std::string content(600'000, 'x');
    EXPECT_EQ(write(content, content), 0);
    // Equal up to the last byte, then a target that grew after the scan.
    EXPECT_EQ(write(content, content.substr(0, content.size() - 1) + "!"), 1);
    EXPECT_EQ(write(content, content + "tail"), 1);
    // Sizes that differ on record need no reading at all.
    EXPECT_EQ(tv::CompareFiles(m_task, Record(kTen, 5), Record(kTen, 6), "/no", "/no", false, false,
                               tv::LocalFileSystem()),
              1);
    EXPECT_TRUE(Errors().empty());

    // A file that cannot be opened leaves the pair equal, but the run's errors say so.
    std::filesystem::remove(dst / "f");
    EXPECT_EQ(Compare(src.Path().string(), dst.Path().string(), content.size()), 0);
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0], "Can't compare " + (dst / "f").string() + ": " + std::strerror(ENOENT));
}

}  // namespace
