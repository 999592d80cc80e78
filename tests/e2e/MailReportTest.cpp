#include <gtest/gtest.h>

#include <cstdlib>

#include "e2e/MailServer.h"
#include "e2e/RunTestSupport.h"
#include "platform/FtpServer.h"

namespace runtest {

namespace {

using tvtest::WriteFile;

enum When { kIfErrors = 0, kAlways = 1, kIfCopied = 2 };
enum Content { kSummaryOnly = 0, kAllLog = 1 };

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class MailReportTest : public RunTest {
  protected:
    Json MailingTask(int id, const fs::path& source, const fs::path& target,
                     const std::string& server, When when, Content content) {
        Json task = Task(id, source, {target});
        task["m_bMailReport"] = 1;
        task["m_nMailWhen"] = when;
        task["m_nMailContent"] = content;
        task["m_strSmtpServer"] = server;
        task["m_strMailFrom"] = "runner@example.org";
        task["m_strMailTo"] = "Ann <ann@example.org>; ;bob@example.org";
        return task;
    }
    fs::path Source(const std::string& name) {
        const fs::path source = Dir(name);
        WriteFile(source / "a.txt", "alpha");
        WriteFile(source / "caf\xc3\xa9.txt", "beta");
        return source;
    }
    void Run(const std::string& list, int id) {
        const CRun run = Mirrant({"/F:" + list, std::to_string(id), "/S"});
        EXPECT_NE(run.m_signal, SIGABRT) << run.m_err;
    }
};

TEST_F(MailReportTest, EachConditionSendsItsReportToARealServer) {
    CMailServer server(m_home.Root() / "inbox");
    ASSERT_GT(server.Port(), 0);
    const std::string list = MakeList({
        MailingTask(1, Source("s1"), Dir("t1"), server.Address(), kIfErrors, kAllLog),
        MailingTask(2, Source("s2"), Dir("t2"), server.Address(), kIfCopied, kSummaryOnly),
        MailingTask(3, Source("s3"), Dir("t3"), server.Address(), kAlways, kAllLog),
        MailingTask(4, m_home.Root() / "missing", Dir("t4"), server.Address(), kIfErrors,
                    kSummaryOnly),
    });
    Run(list, 1);  // no errors: nothing due
    Run(list, 2);
    Run(list, 2);  // nothing copied the second time: nothing due, errors or not
    Run(list, 3);
    Run(list, 4);  // the run ends with an error: the report still goes
    const auto mails = server.Messages();
    ASSERT_EQ(mails.size(), 3u);

    const std::string& summary = mails[0];
    EXPECT_TRUE(Has(summary,
                    "FROM runner@example.org\nRCPT ann@example.org\n"
                    "RCPT bob@example.org\n\n"))
        << summary;
    EXPECT_TRUE(Has(summary, "\r\nTo: Ann <ann@example.org>,<bob@example.org>\r\n"));
    EXPECT_TRUE(Has(summary, "\r\nSubject: task 2 (Task 2) Summary report\r\n"));
    EXPECT_TRUE(Has(summary, "Total files copied: 2\r\n"));
    EXPECT_FALSE(Has(summary, "a.txt"));  // the summary lists no files

    const std::string& full = mails[1];
    EXPECT_TRUE(Has(full, "\r\nSubject: task 3 (Task 3) Full report\r\n"));
    EXPECT_TRUE(Has(full, "Content-Transfer-Encoding: quoted-printable\r\n"));
    EXPECT_TRUE(Has(full, "a.txt")) << full;
    EXPECT_TRUE(Has(full, "caf=C3=A9.txt")) << full;

    const std::string& errors = mails[2];
    EXPECT_TRUE(Has(errors, "\r\nSubject: task 4 (Task 4) Error report\r\n")) << errors;
    EXPECT_TRUE(Has(errors, "Errors")) << errors;
}

TEST_F(MailReportTest, StartTlsWithLoginAndARefusedCertificate) {
    const fs::path cert = m_home.Root() / "mail.crt";
    const fs::path both = m_home.Root() / "mail.pem";
    ASSERT_TRUE(tvtest::MakeTestCertificate(cert, both));
    CMailServer server(m_home.Root() / "inbox", both.string(), both.string());
    ASSERT_GT(server.Port(), 0);
    fs::create_directories(m_home.ConfigHome() / "Orbelin");
    WriteFile(m_home.ConfigHome() / "Orbelin" / "Mirrant.conf",
              "[Mail]\nStartTls=1\nUser=tv\nPassword=s3cret-pw\n");
    const std::string list = MakeList(
        {MailingTask(6, Source("s6"), Dir("t6"), server.Address(), kAlways, kSummaryOnly)});

    // Without the test's CA the certificate is refused, and the log says so.
    unsetenv("SSL_CERT_FILE");
    Run(list, 6);
    EXPECT_TRUE(server.Messages().empty());
    EXPECT_TRUE(Has(Log(6), "No secure connection to the mail server")) << Log(6);

    setenv("SSL_CERT_FILE", cert.c_str(), 1);
    Run(list, 6);
    unsetenv("SSL_CERT_FILE");
    ASSERT_EQ(server.Messages().size(), 1u) << Log(6);
    EXPECT_TRUE(Has(server.Messages()[0], "Subject: task 6 (Task 6) Summary report"));

    WriteFile(m_home.ConfigHome() / "Orbelin" / "Mirrant.conf",
              "[Mail]\nStartTls=1\nUser=tv\nPassword=wrong\n");
    setenv("SSL_CERT_FILE", cert.c_str(), 1);
    Run(list, 6);
    unsetenv("SSL_CERT_FILE");
    EXPECT_EQ(server.Messages().size(), 1u);
    EXPECT_TRUE(Has(Log(6), "The mail server refused the user name or password: 535")) << Log(6);
}

TEST_F(MailReportTest, AnUnreachableServerIsAnErrorOfTheLastTarget) {
    Json task = MailingTask(8, Source("s8"), Dir("t8a"), "127.0.0.1:1", kAlways, kAllLog);
    task["m_Targets"].push_back({{"m_strPath", Dir("t8b").string()}});
    const std::string list = MakeList({task});
    Run(list, 8);
    const std::string log = Log(8);
    const size_t lastTarget = log.find("Target      " + Dir("t8b").string());
    ASSERT_NE(lastTarget, std::string::npos) << log;
    EXPECT_NE(log.find("Unable to connect to server", lastTarget), std::string::npos) << log;
}

// A task without targets still has a record of its run, so a failed mail is in its log.
TEST_F(MailReportTest, ATaskWithoutTargetsStillLogsAFailedMail) {
    Json task = MailingTask(9, Source("s9"), Dir("t9"), "127.0.0.1:1", kAlways, kAllLog);
    task["m_Targets"] = Json::array();
    Run(MakeList({task}), 9);
    EXPECT_TRUE(Has(Log(9), "Unable to connect to server")) << Log(9);
}

}  // namespace

}  // namespace runtest
