#pragma once

#include <string>

namespace tv {

// The date format of the user's locale for times (LC_TIME), in strftime conversions:
// "%m/%d/%y" in the C locale. Read once, on first use; any thread.
const std::string& LocaleDateFormat();

// The calendar date `year`-`month`-`day` (month 1 to 12) in `format`, with the month and day
// names of the user's locale where the format asks for them. Any thread.
std::string FormatDate(const std::string& format, int year, int month, int day);

}  // namespace tv
