#include <gtest/gtest.h>

#include <filesystem>

#include "LogTestSupport.h"
#include "platform/FileSystem.h"
#include "report/TaskLog.h"
#include "support/TestEnv.h"

namespace fs = std::filesystem;
using tv::LogEncoding;

namespace {

// An old head ends with the "<body>" line; the "<p>" after it belongs to the old body.
const std::string kOldHead = "<html>\r\n<head>\r\n<title>Docs</title>\r\n</head>\r\n<body>\r\n";
const std::string kHead = kOldHead + "<p>\r\n";
const std::string kStars = "<br>" + std::string(48, '*') + "\r\n";

std::string Utf16Le(const std::string& ascii) {
    std::string bytes;
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

tv::CRunTexts Numbered(int run) {
    return {"Task started: run " + std::to_string(run), "Task ended: run " + std::to_string(run)};
}

class TaskLogWrite : public testing::Test {
  protected:
    void SetUp() override {
        tvtest::PrepareTask(m_task, 7, "/src");
        tvtest::AddTargets(m_task, {"/dst"});
    }

    void SetOptions(bool append, LogEncoding encoding) {
        m_task.m_dwOptions = append ? 0x40 : 0;
        m_task.m_dwOptions3 = encoding == LogEncoding::Utf8 ? tv::opt3::kAsciiLog : 0;
    }

    void UseHtml(const fs::path& path) {
        m_task.m_dwOptions3 |= tv::opt3::kHtmlLog;
        m_task.m_strHtmlLogFile = path;
    }

    std::string Run(const tv::CRunTexts& texts = tvtest::kTexts) {
        tv::CTaskLog log(tv::LocalFileSystem());
        EXPECT_TRUE(log.Open(m_task)) << log.Error();
        EXPECT_TRUE(log.WriteOut(m_task, texts)) << log.Error();
        return tvtest::ReadFile(log.Path());
    }

    tvtest::CIsolatedHome m_home;
    tv::CElement m_task;
};

TEST_F(TaskLogWrite, ReplaceModeHoldsTheLastReportOnlyInEveryForm) {
    const std::string expected =
        "Task started: Monday, May 06, 2024, 10:00\r\n"
        "Source      /src\r\n"
        "Target      /dst\r\n"
        "Task ended: Monday, May 06, 2024, 10:05\r\n\r\n\r\n";
    SetOptions(false, LogEncoding::Utf8);
    Run();
    EXPECT_EQ(Run(), expected);
    SetOptions(false, LogEncoding::Utf16);
    EXPECT_EQ(Run(), Utf16Le(expected));

    tvtest::CTempDir dir;
    SetOptions(false, LogEncoding::Utf8);
    UseHtml(dir / "log.html");
    const std::string page = Run();
    EXPECT_EQ(page.rfind(kHead + "<p>\r\nTask started:", 0), 0u);
    EXPECT_NE(page.find("\r\n\r\n\r\n" + kStars + "</p>\r\n</body>\r\n</html>\r\n"),
              std::string::npos);
}

TEST_F(TaskLogWrite, AppendModeStacksNewestFirstAndStopsAtTheLimit) {
    SetOptions(true, LogEncoding::Utf8);
    m_task.m_nLogLimitKb = 1;
    const std::string first = Run(Numbered(1));
    EXPECT_EQ(Run(Numbered(2)).substr(first.size()), first);
    std::string log;
    for (int run = 3; run <= 20; ++run) {
        log = Run(Numbered(run));
    }
    EXPECT_EQ(log.size(), 1024u);
    EXPECT_EQ(log.rfind("Task started: run 20\r\n", 0), 0u);
    m_task.m_nLogLimitKb = 0;  // below the settings page's range: kept at 1 KB
    EXPECT_EQ(Run(Numbered(21)).size(), 1024u);
}

TEST_F(TaskLogWrite, HtmlAppendKeepsOneHeadAndPutsTheNewReportFirst) {
    tvtest::CTempDir dir;
    for (LogEncoding encoding : {LogEncoding::Utf8, LogEncoding::Utf16}) {
        SetOptions(true, encoding);
        UseHtml(dir / (encoding == LogEncoding::Utf8 ? "log8.html" : "log16.html"));
        const auto enc = [&](const std::string& text) { return tv::EncodeLogText(text, encoding); };
        const std::string first = Run(Numbered(1));
        ASSERT_EQ(first.rfind(enc(kHead + "<p>\r\nTask started: run 1\r\n"), 0), 0u);
        ASSERT_EQ(first.substr(first.size() - enc(kStars).size()), enc(kStars));

        const std::string second = Run(Numbered(2));
        const std::string oldBody = first.substr(enc(kOldHead).size());
        const std::string newReport = second.substr(0, second.size() - oldBody.size());
        EXPECT_EQ(second.substr(newReport.size()), oldBody);
        EXPECT_EQ(newReport.rfind(enc(kOldHead + "<p>\r\nTask started: run 2\r\n"), 0), 0u);
        EXPECT_EQ(newReport.find(enc("<html>"), 1), std::string::npos);
    }
}

TEST_F(TaskLogWrite, AppendLeavesAnOldLogItCannotReadAlone) {
    SetOptions(true, LogEncoding::Utf8);
    tv::CTaskLog log(tv::LocalFileSystem());
    ASSERT_TRUE(log.Open(m_task));
    fs::create_directory(log.Path());
    fs::create_directory(fs::path(log.Path()) / "kept");
    EXPECT_FALSE(log.WriteOut(m_task, tvtest::kTexts));
    EXPECT_FALSE(log.Error().empty());
    EXPECT_TRUE(fs::is_directory(fs::path(log.Path()) / "kept"));
}

TEST_F(TaskLogWrite, PreviousRunIsTheOldLogsLastWriteTime) {
    tv::CTaskLog log(tv::LocalFileSystem());
    ASSERT_TRUE(log.Open(m_task));
    EXPECT_EQ(log.PreviousRunTime(), 0u);
    ASSERT_TRUE(log.WriteOut(m_task, tvtest::kTexts));
    ASSERT_EQ(tv::LocalFileSystem().SetTimes(log.Path(), tv::kKeepTime,
                                             tv::FileTimeFromUnix(1700000000, 250000000)),
              0);

    tv::CTaskLog next(tv::LocalFileSystem());
    ASSERT_TRUE(next.Open(m_task));
    EXPECT_EQ(next.PreviousRunTime(), tv::FileTimeFromUnix(1700000000));
}

// The cut of an appended log never splits a character, whatever the encoding.
struct CCutCase {
    LogEncoding m_encoding;
    std::string m_report;
    size_t m_limit;
    size_t m_kept;
};

TEST(TaskLogCut, EndsOnACharacterBoundary) {
    const std::string euro = "ab\xE2\x82\xAC";       // a 3-byte sequence at 2
    const std::string stray = "ab\x80\x80\x80\x80";  // continuation bytes of no character
    const std::string pair = tv::EncodeLogText(
        "a\xF0\x9F\x98\x80"
        "b",
        LogEncoding::Utf16);
    const CCutCase cases[] = {
        {LogEncoding::Utf8, euro, 3, 2},  {LogEncoding::Utf8, euro, 4, 2},
        {LogEncoding::Utf8, euro, 5, 5},  {LogEncoding::Utf8, stray, 3, 3},
        {LogEncoding::Utf16, pair, 3, 2}, {LogEncoding::Utf16, pair, 4, 2},
        {LogEncoding::Utf16, pair, 5, 2}, {LogEncoding::Utf16, pair, 6, 6},
        {LogEncoding::Utf16, pair, 7, 6},
    };
    for (const CCutCase& c : cases) {
        tv::CLogFormat format;
        format.m_encoding = c.m_encoding;
        format.m_mode = tv::LogMode::Append;
        format.m_nLimitBytes = c.m_limit;
        // The old log carries the report here, so it is cut exactly as an old log is.
        std::string out;
        const auto write = [&](std::string_view bytes) {
            out.append(bytes);
            return true;
        };
        EXPECT_TRUE(tv::ComposeLog(
            format, [](tv::ILogSink&) {}, c.m_report, write));
        EXPECT_EQ(out, c.m_report.substr(0, c.m_kept)) << "limit " << c.m_limit;
    }
}

}  // namespace
