#include "report/TaskLogContent.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "report/LogOutput.h"
#include "task/Element.h"

namespace tv {

namespace {

constexpr const char* kHtmlTail = "</p>\r\n</body>\r\n</html>\r\n";

std::string HtmlHead(const std::string& title) {
    return "<html>\r\n<head>\r\n<title>" + EscapeHtml(title) +
           "</title>\r\n</head>\r\n<body>\r\n<p>\r\n";
}

// The report, with the asterisk line that separates reports in the HTML form.
void PutReport(const CLogFormat& format, const std::function<void(ILogSink&)>& report,
               CLogOutput& out) {
    report(out);
    if (format.m_form == LogForm::Html) {
        out.Put("<br>" + std::string(48, '*') + "\r\n");
    }
}

// The number of lines of the old head: up to and including the first line holding "<body>",
// 0 when no line does (the whole old file is then body, under a fresh head).
size_t HeadLineCount(const std::vector<std::string_view>& lines, LogEncoding encoding) {
    const auto body = std::find_if(lines.begin(), lines.end(), [&](std::string_view line) {
        return LogLineContains(line, "<body>", encoding);
    });
    return body == lines.end() ? 0 : static_cast<size_t>(body - lines.begin()) + 1;
}

// An HTML log grows at the top of its body: the old head stays, the new report comes next, and
// the old body follows line by line.
void PutHtmlOverOld(const CLogFormat& format, const std::function<void(ILogSink&)>& report,
                    std::string_view old, CLogOutput& out) {
    const LogEncoding encoding = format.m_encoding;
    const std::vector<std::string_view> lines = SplitLogLines(old, encoding);
    const size_t headLines = HeadLineCount(lines, encoding);
    const std::string lineEnd = EncodeLogText("\r\n", encoding);
    const auto putLine = [&](std::string_view line) {
        out.PutEncoded(line);
        out.PutEncoded(lineEnd);
    };
    if (headLines == 0) {
        out.Put(HtmlHead(format.m_strTitle));
    }
    std::for_each(lines.begin(), lines.begin() + static_cast<ptrdiff_t>(headLines), putLine);
    PutReport(format, report, out);
    std::for_each(lines.begin() + static_cast<ptrdiff_t>(headLines), lines.end(), putLine);
}

}  // namespace

CLogFormat LogFormatOf(const CElement& task) {
    CLogFormat format;
    format.m_form = task.Has3(opt3::kHtmlLog) ? LogForm::Html : LogForm::Text;
    format.m_encoding = task.Has3(opt3::kAsciiLog) ? LogEncoding::Utf8 : LogEncoding::Utf16;
    format.m_mode = task.Has1(opt1::kAppendLog) ? LogMode::Append : LogMode::Replace;
    // The settings page allows 1 KB at least; a smaller value from an edited list would
    // otherwise cut every report away.
    format.m_nLimitBytes = static_cast<size_t>(std::max<int64_t>(task.m_nLogLimitKb, 1) * 1024);
    format.m_strTitle = task.m_strName;
    return format;
}

bool ComposeLog(const CLogFormat& format, const std::function<void(ILogSink&)>& report,
                std::string_view old, const std::function<bool(std::string_view)>& write) {
    const bool html = format.m_form == LogForm::Html;
    if (format.m_mode == LogMode::Replace) {
        CLogOutput out(format.m_encoding, CLogOutput::kNoLimit, write);
        if (html) {
            out.Put(HtmlHead(format.m_strTitle));
        }
        PutReport(format, report, out);
        if (html) {
            out.Put(kHtmlTail);
        }
        return out.Finish();
    }
    CLogOutput out(format.m_encoding, format.m_nLimitBytes, write);
    if (html) {
        PutHtmlOverOld(format, report, old, out);
    } else {
        PutReport(format, report, out);
        out.PutEncoded(old);
    }
    return out.Finish();
}

}  // namespace tv
