#pragma once

#include <cstdint>
#include <ctime>

namespace tv {

// File times are FILETIME values: 100 ns ticks since 1601-01-01 UTC.
using FileTime = uint64_t;
// Task-level times: seconds since 1970-01-01 UTC.
using TaskTime = int64_t;

inline constexpr uint64_t kTicksPerSecond = 10'000'000;
inline constexpr uint64_t kUnixEpochTicks = 116'444'736'000'000'000;

constexpr FileTime FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds = 0) {
    return static_cast<FileTime>(static_cast<int64_t>(kUnixEpochTicks) +
                                 seconds * static_cast<int64_t>(kTicksPerSecond)) +
           nanoseconds / 100;
}

constexpr int64_t UnixFromFileTime(FileTime ft) {
    return (static_cast<int64_t>(ft) - static_cast<int64_t>(kUnixEpochTicks)) /
           static_cast<int64_t>(kTicksPerSecond);
}

// Whole seconds only: the sub-second part (milliseconds and below) is cut to 0.
constexpr FileTime TruncateToSecond(FileTime ft) {
    return ft - ft % kTicksPerSecond;
}

struct CCalendarTime {
    int year = 1601, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

CCalendarTime CalendarFromFileTime(FileTime ft);
FileTime FileTimeFromCalendar(const CCalendarTime& c);

// Local-time calendar conversions through the system time zone.
CCalendarTime LocalCalendarFromUnix(int64_t seconds);
int64_t UnixFromLocalCalendar(const CCalendarTime& c);

TaskTime CurrentTaskTime();

}  // namespace tv
