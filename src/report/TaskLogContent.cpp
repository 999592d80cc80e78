#include "report/TaskLogContent.h"

#include <algorithm>
#include <cstdint>

#include "task/Element.h"

namespace tv {

namespace {

constexpr const char* kHtmlTail = "</p>\r\n</body>\r\n</html>\r\n";

std::string HtmlHead(const std::string& title) {
    return "<html>\r\n<head>\r\n<title>" + EscapeHtml(title) +
           "</title>\r\n</head>\r\n<body>\r\n<p>\r\n";
}

// The report as one text, with the asterisk line that separates reports in the HTML form.
std::string ReportText(const CLogFormat& format, const std::vector<std::string>& summary) {
    std::string text;
    for (const std::string& line : summary) {
        text += line;
    }
    if (format.m_form == LogForm::Html) {
        text += "<br>" + std::string(48, '*') + "\r\n";
    }
    return text;
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
std::string ComposeHtmlOverOld(const CLogFormat& format, const std::string& report,
                               std::string_view old) {
    const LogEncoding encoding = format.m_encoding;
    const std::vector<std::string_view> lines = SplitLogLines(old, encoding);
    const size_t headLines = HeadLineCount(lines, encoding);
    const std::string lineEnd = EncodeLogText("\r\n", encoding);
    std::string out = headLines == 0 ? EncodeLogText(HtmlHead(format.m_strTitle), encoding) : "";
    for (size_t i = 0; i < headLines; ++i) {
        out.append(lines[i]).append(lineEnd);
    }
    out += EncodeLogText(report, encoding);
    for (size_t i = headLines; i < lines.size(); ++i) {
        out.append(lines[i]).append(lineEnd);
    }
    return out;
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

std::string ComposeLog(const CLogFormat& format, const std::vector<std::string>& summary,
                       std::string_view old) {
    const bool html = format.m_form == LogForm::Html;
    const std::string report = ReportText(format, summary);
    if (format.m_mode == LogMode::Replace) {
        return EncodeLogText(html ? HtmlHead(format.m_strTitle) + report + kHtmlTail : report,
                             format.m_encoding);
    }
    std::string out = html ? ComposeHtmlOverOld(format, report, old)
                           : EncodeLogText(report, format.m_encoding).append(old);
    out.resize(LogCharBoundary(out, format.m_nLimitBytes, format.m_encoding));
    return out;
}

}  // namespace tv
