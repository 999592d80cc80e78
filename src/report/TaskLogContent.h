#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "report/TaskLogSummary.h"
#include "report/TaskLogText.h"

namespace tv {

class CElement;

enum class LogMode { Replace, Append };

// How a task's log file is written, from the task's log options.
struct CLogFormat {
    LogForm m_form = LogForm::Text;
    LogEncoding m_encoding = LogEncoding::Utf16;
    LogMode m_mode = LogMode::Replace;
    size_t m_nLimitBytes = 1024;  // appending only
    std::string m_strTitle;       // the task name, for the HTML head
};

CLogFormat LogFormatOf(const CElement& task);

// The whole new content of the log file in its encoding: the report made of the `summary`
// lines, with the HTML head and tail where the form has them. When appending, `old` (the
// file's bytes so far, empty for a new file) follows the new report, and the result is cut on
// a character boundary to the size limit, so that the oldest text goes first.
std::string ComposeLog(const CLogFormat& format, const std::vector<std::string>& summary,
                       std::string_view old);

}  // namespace tv
