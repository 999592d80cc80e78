#include "platform/LocaleDate.h"

#include <gtest/gtest.h>

// Whatever order a locale gives, each field lands in its own conversion, and the fields that
// a format may name without being given (weekday, day of the year) are right too.
TEST(LocaleDate, EachFieldReachesItsConversion) {
    EXPECT_EQ(tv::FormatDate("%d.%m.%Y", 2024, 3, 5), "05.03.2024");
    EXPECT_EQ(tv::FormatDate("%y/%m/%d", 1999, 12, 31), "99/12/31");
    EXPECT_EQ(tv::FormatDate("%m/%d/%y", 2000, 1, 9), "01/09/00");
    EXPECT_EQ(tv::FormatDate("%j %u", 2024, 12, 31), "366 2");
    EXPECT_EQ(tv::FormatDate("%F", 1601, 1, 1), "1601-01-01");
    EXPECT_FALSE(tv::LocaleDateFormat().empty());
}
