#include <gtest/gtest.h>

#include <chrono>
#include <regex>

#include "report/MailMessage.h"
#include "report/ScriptedSmtpServer.h"
#include "report/Smtp.h"

namespace {

using namespace std::chrono_literals;

tv::CMailMessage Message(const std::string& to, const std::string& body) {
    tv::CMailMessage message;
    message.m_strFrom = "runner@example.org";
    message.m_strSubject = "Backup (Task 7) Full report";
    message.m_strBody = body;
    message.AddRecipients(to);
    return message;
}

// Everything the client sent must be in CRLF lines: a lone CR or LF could end a command or a
// header where the server sees something else.
bool OnlyCrLf(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            return false;
        }
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) {
            return false;
        }
    }
    return true;
}

TEST(SmtpClient, SendsTheWholeMessageAsServersExpectIt) {
    CScriptedSmtpServer server;
    server.Start();
    tv::CSMTP smtp(server.Address(), 25);
    ASSERT_TRUE(smtp.Connect()) << smtp.GetLastError();
    // A lone dot line, a line that starts with a dot, a bare LF and no final line break.
    auto message = Message(" Ann <A1> ; ;B2 ;", "first\r\n.\r\n.hidden\nlast");
    ASSERT_TRUE(smtp.SendMessage(message)) << smtp.GetLastError();
    smtp.Disconnect();
    server.WaitForClose();

    const std::string sent = server.Transcript();
    EXPECT_TRUE(OnlyCrLf(sent));
    EXPECT_NE(sent.find("HELO "), std::string::npos);
    EXPECT_NE(sent.find("MAIL FROM:<runner@example.org>\r\n"), std::string::npos);
    EXPECT_NE(sent.find("RCPT TO:<A1>\r\nRCPT TO:<B2>\r\nDATA\r\n"), std::string::npos);
    EXPECT_NE(sent.find("\r\nTo: Ann <A1>,<B2>\r\n"), std::string::npos);
    EXPECT_NE(sent.find("\r\nX-Mailer: <DO Ziva>\r\n"), std::string::npos);
    EXPECT_TRUE(std::regex_search(
        sent, std::regex("\r\nDate: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), [0-9]{2} "
                         "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4} "
                         "[0-9]{2}:[0-9]{2}:[0-9]{2} [+-][0-9]{4}\r\n")));
    EXPECT_NE(sent.find("\r\nMessage-ID: <"), std::string::npos);
    EXPECT_NE(sent.find("\r\n\r\nfirst\r\n..\r\n..hidden\r\nlast\r\n.\r\nQUIT\r\n"),
              std::string::npos);
}

TEST(SmtpClient, ReportsEachRefusalWithItsText) {
    {
        CScriptedSmtpServer server;
        server.m_greeting = "554 no service here\r\n";
        server.Start();
        tv::CSMTP smtp(server.Address(), 25);
        EXPECT_FALSE(smtp.Connect());
        EXPECT_EQ(smtp.GetLastError(), "Server didn't respond.");
    }
    {
        CScriptedSmtpServer server;
        server.m_replies["MAIL"] = "550 sender rejected\r\n";
        server.Start();
        tv::CSMTP smtp(server.Address(), 25);
        ASSERT_TRUE(smtp.Connect());
        auto message = Message("a@example.org", "body");
        EXPECT_FALSE(smtp.SendMessage(message));
        EXPECT_EQ(smtp.GetLastError(), "550:SMTP server error");
    }
    {
        // One refused recipient: the others still get the mail, and the refusal is told.
        CScriptedSmtpServer server;
        server.m_replies["RCPT TO:<gone@example.org>"] = "550 no such user\r\n";
        server.Start();
        tv::CSMTP smtp(server.Address(), 25);
        ASSERT_TRUE(smtp.Connect());
        auto message = Message("gone@example.org;here@example.org", "body");
        EXPECT_TRUE(smtp.SendMessage(message));
        ASSERT_EQ(smtp.RecipientWarnings().size(), 1u);
        EXPECT_NE(smtp.RecipientWarnings()[0].find("gone@example.org: 550 no such user"),
                  std::string::npos);
    }
    {
        tv::CSMTP smtp("127.0.0.1:1", 25);
        auto message = Message("a@example.org", "body");
        EXPECT_FALSE(smtp.SendMessage(message));
        EXPECT_EQ(smtp.GetLastError(), "Must be connected");
        EXPECT_FALSE(smtp.Connect());
        EXPECT_EQ(smtp.GetLastError(), "Unable to connect to server");
    }
}

TEST(SmtpClient, AServerThatStopsAnsweringCostsTheTimeOutOnly) {
    for (const char* silentFrom : {"HELO", "MAIL", "DATA", "."}) {
        CScriptedSmtpServer server;
        server.m_silentFrom = silentFrom;
        server.Start();
        tv::CSMTP smtp(server.Address(), 25);
        smtp.SetTimeouts(2s, 300ms);
        const auto start = std::chrono::steady_clock::now();
        auto message = Message("a@example.org", "body");
        const bool sent = smtp.Connect() && smtp.SendMessage(message);
        EXPECT_FALSE(sent) << silentFrom;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s) << silentFrom;
        EXPECT_FALSE(smtp.GetLastError().empty()) << silentFrom;
    }
}

TEST(SmtpClient, LineBreaksInUserTextNeverAddAHeaderOrARecipient) {
    CScriptedSmtpServer server;
    server.Start();
    tv::CSMTP smtp(server.Address(), 25);
    ASSERT_TRUE(smtp.Connect());
    tv::CMailMessage forged = Message("a@example.org", "body");
    forged.m_strFrom = "me@example.org>\r\nRCPT TO:<evil@example.org";
    EXPECT_FALSE(smtp.SendMessage(forged));
    EXPECT_EQ(server.Transcript().find("MAIL"), std::string::npos);

    tv::CMailMessage message;
    message.m_strFrom = "runner@example.org";
    message.m_strSubject = "Backup\r\nBcc: evil@example.org (Task 1) Error report";
    message.m_strBody = "body";
    message.AddRecipients(
        "Ann\r\nBcc: x <a@example.org>;b@example.org\r\nRCPT TO:<evil@example.org>;"
        "Ann\nCc: y@example.org <ok@example.org>;good@example.org");
    ASSERT_TRUE(smtp.SendMessage(message)) << smtp.GetLastError();
    smtp.Disconnect();
    server.WaitForClose();
    const std::string sent = server.Transcript();
    EXPECT_EQ(sent.find("\r\nBcc:"), std::string::npos);
    EXPECT_EQ(sent.find("\r\nCc:"), std::string::npos);
    EXPECT_EQ(sent.find("evil@example.org>\r\n"), std::string::npos);
    EXPECT_EQ(sent.find("RCPT TO:<a@example.org>"), std::string::npos);
    EXPECT_NE(sent.find("RCPT TO:<good@example.org>\r\nDATA"), std::string::npos);
    EXPECT_NE(sent.find("\r\nSubject: Backup  Bcc: evil@example.org (Task 1) Error report\r\n"),
              std::string::npos);
    EXPECT_EQ(smtp.RecipientWarnings().size(), 3u);
}

}  // namespace
