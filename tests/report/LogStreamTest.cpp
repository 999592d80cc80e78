// The log is written as it is made, from run records kept on disk. Its bytes must be those
// of the whole-text composition it replaces, kept here as the reference: every form and
// encoding, replacing and appending, and cuts at limits that fall inside characters.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "LogTestSupport.h"
#include "report/TaskLogContent.h"
#include "support/TestEnv.h"

using tv::CLogFormat;
using tv::CTaskInfor;
using tv::LogEncoding;
using tv::LogForm;
using tv::LogMode;

namespace {

// The composition as it was: the whole report as one text, encoded at once, the old log
// after it, and the result cut to the limit.
namespace reference {

std::string HtmlHead(const std::string& title) {
    return "<html>\r\n<head>\r\n<title>" + tv::EscapeHtml(title) +
           "</title>\r\n</head>\r\n<body>\r\n<p>\r\n";
}

std::string OverOld(const CLogFormat& format, const std::string& report, std::string_view old) {
    const LogEncoding encoding = format.m_encoding;
    const std::vector<std::string_view> lines = tv::SplitLogLines(old, encoding);
    const auto body = std::find_if(lines.begin(), lines.end(), [&](std::string_view line) {
        return tv::LogLineContains(line, "<body>", encoding);
    });
    const size_t head = body == lines.end() ? 0 : static_cast<size_t>(body - lines.begin()) + 1;
    const std::string lineEnd = tv::EncodeLogText("\r\n", encoding);
    std::string out = head == 0 ? tv::EncodeLogText(HtmlHead(format.m_strTitle), encoding) : "";
    for (size_t i = 0; i < head; ++i) {
        out.append(lines[i]).append(lineEnd);
    }
    out += tv::EncodeLogText(report, encoding);
    for (size_t i = head; i < lines.size(); ++i) {
        out.append(lines[i]).append(lineEnd);
    }
    return out;
}

std::string Compose(const CLogFormat& format, const std::string& summary, std::string_view old) {
    const bool html = format.m_form == LogForm::Html;
    const std::string report = html ? summary + "<br>" + std::string(48, '*') + "\r\n" : summary;
    if (format.m_mode == LogMode::Replace) {
        return tv::EncodeLogText(
            html ? HtmlHead(format.m_strTitle) + report + "</p>\r\n</body>\r\n</html>\r\n" : report,
            format.m_encoding);
    }
    std::string out = html ? OverOld(format, report, old)
                           : tv::EncodeLogText(report, format.m_encoding).append(old);
    out.resize(tv::LogCharBoundary(out, format.m_nLimitBytes, format.m_encoding));
    return out;
}

}  // namespace reference

// Names that take every path of the encoders: two- to four-byte characters (surrogate pairs in
// UTF-16), bytes that are not UTF-8, markup characters, line ends that the log drops.
std::string EntryName(CTaskInfor::List list, int i) {
    static const char* const kShapes[] = {
        "plain/file-%d.txt",
        "Gr\xC3\xBC\xC3\x9F"
        "e/%d \xE2\x82\xAC.doc",
        "emoji/\xF0\x9F\x98\x80%d",
        "raw/\xFF\xFE%d\x80",
        "markup/<b>&%d</b>",
        "ends/%d.log\r\n",
    };
    char text[64];
    snprintf(text, sizeof(text), kShapes[i % 6], i);
    return "/data/list" + std::to_string(list) + "/" + text;
}

class LogStream : public testing::Test {
  protected:
    // Both tasks get the same lines: `m_task` spools them to disk, `m_twin` keeps them in
    // memory, so the reference reads them without the scratch files. The first target's lists
    // take several scratch-file writes each, the second's stay in their buffers.
    void SetUp() override {
        for (tv::CElement* task : {&m_task, &m_twin}) {
            tvtest::PrepareTask(*task, 11, "/src/\xC3\xA4");
            task->m_strName = "Docs <&> \xF0\x9F\x98\x80";
        }
        const std::string spool = (m_home.Root() / "spool").string();
        const auto spooled = tvtest::AddTargets(m_task, {"/dst/one", "/dst/two"}, spool);
        const auto inMemory = tvtest::AddTargets(m_twin, {"/dst/one", "/dst/two"});
        Fill(*spooled[0], *inMemory[0], 1400);
        Fill(*spooled[1], *inMemory[1], 40);
    }

    // One line is longer than a write, so that a record straddles the pieces read back.
    static void Fill(CTaskInfor& spooled, CTaskInfor& inMemory, int lines) {
        for (int list = 0; list < CTaskInfor::ListCount; ++list) {
            const auto which = static_cast<CTaskInfor::List>(list);
            for (int i = 0; i < lines; ++i) {
                std::string line = i == 700 && which == CTaskInfor::Errors ? std::string(70000, 'x')
                                                                           : EntryName(which, i);
                spooled.Add(which, line);
                inMemory.Add(which, line);
            }
        }
    }

    std::string ReferenceSummary(LogForm form) const {
        tvtest::CLineCollector lines;
        tv::BuildSummary(m_twin, tvtest::kTexts, lines, form, tv::SummaryForm::Full);
        return lines.Joined();
    }

    std::string Streamed(const CLogFormat& format, std::string_view old) const {
        std::string out;
        const auto report = [&](tv::ILogSink& sink) {
            tv::BuildSummary(m_task, tvtest::kTexts, sink, format.m_form, tv::SummaryForm::Full);
        };
        const auto write = [&](std::string_view bytes) {
            out.append(bytes);
            return true;
        };
        EXPECT_TRUE(tv::ComposeLog(format, report, old, write));
        return out;
    }

    tvtest::CIsolatedHome m_home;
    tv::CElement m_task;
    tv::CElement m_twin;
};

// Limits that cut inside the first character that is more than one byte (or unit) long after
// `from`, at each of its bytes, together with fixed ones.
std::vector<size_t> LimitsAround(const std::string& whole, size_t from, LogEncoding encoding) {
    std::vector<size_t> limits = {1024, whole.size() - 1, whole.size() + 5};
    const std::string wide = tv::EncodeLogText("\xF0\x9F\x98\x80", encoding);
    const size_t at = whole.find(wide, from);
    for (size_t i = 0; at != std::string::npos && i <= wide.size(); ++i) {
        limits.push_back(at + i);
    }
    return limits;
}

TEST_F(LogStream, MatchesTheWholeTextCompositionInEveryFormAndAtEveryCut) {
    for (LogForm form : {LogForm::Text, LogForm::Html}) {
        const std::string summary = ReferenceSummary(form);
        for (LogEncoding encoding : {LogEncoding::Utf8, LogEncoding::Utf16}) {
            CLogFormat format;
            format.m_form = form;
            format.m_encoding = encoding;
            format.m_strTitle = m_task.m_strName;
            const std::string replaced = reference::Compose(format, summary, {});
            ASSERT_EQ(Streamed(format, {}), replaced);
            ASSERT_GT(replaced.size(), 4 * 65536u);

            // An old log of one earlier report, appended to without a cut, then cut near the
            // start, at each byte of a character far past the first writes, and in the old text.
            format.m_mode = LogMode::Append;
            const std::string old = replaced.substr(0, replaced.size() / 3);
            format.m_nLimitBytes = std::numeric_limits<size_t>::max();
            const std::string whole = reference::Compose(format, summary, old);
            ASSERT_EQ(Streamed(format, old), whole);
            for (size_t limit : LimitsAround(whole, 3 * 65536 + 1, encoding)) {
                format.m_nLimitBytes = limit;
                ASSERT_EQ(Streamed(format, old), reference::Compose(format, summary, old))
                    << "html " << (form == LogForm::Html) << " utf16 "
                    << (encoding == LogEncoding::Utf16) << " limit " << limit;
            }
        }
    }
}

}  // namespace
