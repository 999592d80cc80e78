#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

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

// Hands the whole new content of the log file, in its encoding, to `write` piece by piece: the
// report that `report` puts line by line, with the HTML head and tail where the form has them.
// When appending, `old` (the file's bytes so far, empty for a new file) follows the new report,
// and the content is cut on a character boundary to the size limit, so that the oldest text
// goes first. False when `write` failed. Blocks as `report` and `write` do.
bool ComposeLog(const CLogFormat& format, const std::function<void(ILogSink&)>& report,
                std::string_view old, const std::function<bool(std::string_view)>& write);

}  // namespace tv
