// The stored time-shift table: the golden file is written from the documented layout by hand
// (not by this code), so reading it and writing it back byte for byte pins the format.
#include "platform/FtpTimeTable.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TestEnv.h"

namespace {

const std::filesystem::path kGolden =
    std::filesystem::path(TWINVALE_SOURCE_DIR) / "tests/fixtures/ftptimes/FTPTimes-1";

TEST(FtpTimeTable, TheFirstLayoutReadsAndIsWrittenAgainByteForByte) {
    const std::string golden = tvtest::ReadFile(kGolden);
    tv::CFtpTimeTable table;
    ASSERT_TRUE(table.Load(golden));
    const std::map<std::string, int32_t> expected = {{"ftp.example.org:21", -60},
                                                     {"nas.local:2121", 330}};
    EXPECT_EQ(table.m_Shifts, expected);
    EXPECT_EQ(table.Store(), golden);
}

TEST(FtpTimeTable, ShiftsBeyondADayMarkTheFileDamaged) {
    tv::CFtpTimeTable table;
    table.m_Shifts = {{"a:21", tv::CFtpTimeTable::kMaxShiftMinutes},
                      {"b:21", -tv::CFtpTimeTable::kMaxShiftMinutes}};
    const std::map<std::string, int32_t> edges = table.m_Shifts;
    ASSERT_TRUE(table.Load(table.Store()));
    EXPECT_EQ(table.m_Shifts, edges);
    for (const int32_t wild : {tv::CFtpTimeTable::kMaxShiftMinutes + 1, INT32_MIN}) {
        table.m_Shifts = {{"a:21", 0}, {"b:21", wild}};
        EXPECT_FALSE(table.Load(table.Store())) << wild;
        EXPECT_TRUE(table.m_Shifts.empty());
    }
}

TEST(FtpTimeTable, OneServerHasOneKeyHoweverItsHostIsWritten) {
    EXPECT_EQ(tv::FtpTimeKey("FTP://NAS.Local", 21), "nas.local:21");
    EXPECT_EQ(tv::FtpTimeKey("nas.local", 21), "nas.local:21");
    EXPECT_EQ(tv::FtpTimeKey("ftp://nas.local", 2121), "nas.local:2121");
    EXPECT_EQ(tv::FtpTimeKey("sftp://[::1]", 22), "[::1]:22");
    EXPECT_EQ(tv::FtpTimeKey("ftp://Straße.DE", 21), "straße.de:21");  // only ASCII folds
}

}  // namespace
