#include "base/FileTime.h"

#include <chrono>

namespace tv {

namespace {

int64_t DaysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

CCalendarTime CivilFromUnix(int64_t seconds) {
    int64_t days = seconds / 86400;
    int64_t rem = seconds % 86400;
    if (rem < 0) {
        rem += 86400;
        --days;
    }
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    CCalendarTime c;
    c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    c.year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (c.month <= 2));
    c.hour = static_cast<int>(rem / 3600);
    c.minute = static_cast<int>(rem / 60 % 60);
    c.second = static_cast<int>(rem % 60);
    return c;
}

int64_t UnixFromCivil(const CCalendarTime& c) {
    return DaysFromCivil(c.year, static_cast<unsigned>(c.month), static_cast<unsigned>(c.day)) *
               86400 +
           c.hour * 3600 + c.minute * 60 + c.second;
}

}  // namespace

CCalendarTime CalendarFromFileTime(FileTime ft) {
    const int64_t ticks = static_cast<int64_t>(ft) - static_cast<int64_t>(kUnixEpochTicks);
    int64_t seconds = ticks / static_cast<int64_t>(kTicksPerSecond);
    if (ticks < 0 && ticks % static_cast<int64_t>(kTicksPerSecond) != 0) {
        --seconds;
    }
    return CivilFromUnix(seconds);
}

FileTime FileTimeFromCalendar(const CCalendarTime& c) {
    return FileTimeFromUnix(UnixFromCivil(c));
}

CCalendarTime LocalCalendarFromUnix(int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    struct tm tm {};
    if (!localtime_r(&t, &tm)) {
        return CivilFromUnix(seconds);
    }
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

int64_t UnixFromLocalCalendar(const CCalendarTime& c) {
    struct tm tm {};
    tm.tm_year = c.year - 1900;
    tm.tm_mon = c.month - 1;
    tm.tm_mday = c.day;
    tm.tm_hour = c.hour;
    tm.tm_min = c.minute;
    tm.tm_sec = c.second;
    tm.tm_isdst = -1;
    const time_t t = mktime(&tm);
    return t == static_cast<time_t>(-1) ? UnixFromCivil(c) : static_cast<int64_t>(t);
}

TaskTime CurrentTaskTime() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace tv
