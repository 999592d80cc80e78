#include <gtest/gtest.h>

#include "base/FileTime.h"

namespace tv {
namespace {

TEST(FileTime, CalendarConversionsAgreeWithKnownDates) {
    EXPECT_EQ(FileTimeFromUnix(0), kUnixEpochTicks);
    const CCalendarTime c = CalendarFromFileTime(FileTimeFromUnix(951782400));  // 2000-02-29
    EXPECT_EQ(c.year, 2000);
    EXPECT_EQ(c.month, 2);
    EXPECT_EQ(c.day, 29);
    for (const CCalendarTime& t :
         {CCalendarTime{1601, 1, 1, 0, 0, 0}, CCalendarTime{3000, 12, 31, 23, 59, 59},
          CCalendarTime{1969, 12, 31, 23, 59, 59}}) {
        const CCalendarTime back = CalendarFromFileTime(FileTimeFromCalendar(t));
        EXPECT_EQ(back.year, t.year);
        EXPECT_EQ(back.month, t.month);
        EXPECT_EQ(back.day, t.day);
        EXPECT_EQ(back.second, t.second);
    }
}

TEST(FileTime, TruncationCutsBelowTheSecond) {
    const FileTime ft = FileTimeFromUnix(1000, 999'999'999);
    EXPECT_EQ(TruncateToSecond(ft), FileTimeFromUnix(1000));
    EXPECT_EQ(UnixFromFileTime(ft), 1000);
}

}  // namespace
}  // namespace tv
