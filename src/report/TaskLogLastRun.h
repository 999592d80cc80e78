#pragma once

#include <string>
#include <string_view>

#include "base/FileTime.h"

namespace tv {

class IFileSystem;

// The "Last run" text of a task: the last-write time of its log at the default place
// (DefaultLogPath) in `fs`, whatever log options the task has, in the user's locale; empty
// when that file does not exist. Any thread; blocks on disk I/O.
std::string LastRunText(IFileSystem& fs, int taskId);

// `time` as local time in the user's locale (LC_ALL, LC_TIME, LANG): the date in the locale's
// order of day, month and year, then the locale's time. Any thread.
std::string FormatLastRunTime(FileTime time);

// The strftime format for a locale whose date format is `dateFormat` (as nl_langinfo D_FMT
// gives it): "%d/%m/%y %X" when the day comes first, "%y/%m/%d %X" when the year does,
// "%m/%d/%y %X" otherwise.
const char* LastRunFormat(std::string_view dateFormat);

}  // namespace tv
