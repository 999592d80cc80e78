// The first line of a web file: what is taken of it, and that an untrusted server gets nothing.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/FtpServer.h"
#include "platform/WebFile.h"
#include "platform/WebServer.h"
#include "support/TestEnv.h"

namespace tvtest {
namespace {

namespace fs = std::filesystem;

class WebFileTest : public ::testing::Test {
  protected:
    WebFileTest() { fs::create_directories(m_site); }
    std::optional<std::string> Fetch(const std::string& url) {
        tv::CWebFetch fetch;
        fetch.m_strAgent = "test";
        fetch.m_timeout = std::chrono::seconds(5);
        return tv::FetchFirstLine(url, fetch);
    }

    CTempDir m_dir;
    const fs::path m_site = m_dir / "site";
    const std::string m_log = (m_dir / "requests").string();
};

TEST_F(WebFileTest, OnlyTheFirstLineUpToTheLimitIsTaken) {
    WriteFile(m_site / "long.txt", std::string(1000, 'x'));
    WriteFile(m_site / "lines.txt", "first\r\nsecond\n");
    WriteFile(m_site / "bare.txt", "no line end");
    WriteFile(m_site / "empty.txt", "");
    CWebServer server(m_site.string(), m_log);
    EXPECT_EQ(Fetch(server.Url("long.txt")), std::string(256, 'x'));
    EXPECT_EQ(Fetch(server.Url("lines.txt")), "first");
    EXPECT_EQ(Fetch(server.Url("bare.txt")), "no line end");
    EXPECT_EQ(Fetch(server.Url("empty.txt")), "");
    EXPECT_EQ(Fetch(server.Url("missing.txt")), std::nullopt) << "an error page is not the file";
}

TEST_F(WebFileTest, AServerWithACertificateNobodyVouchesForGetsNoRequest) {
    WriteFile(m_site / "build.txt", "9.9.9\n");
    ASSERT_TRUE(MakeTestCertificate(m_dir / "cert.pem", m_dir / "both.pem"));
    CWebServer server(m_site.string(), m_log, (m_dir / "both.pem").string());
    ASSERT_EQ(server.Url("build.txt").rfind("https://", 0), 0u);
    EXPECT_EQ(Fetch(server.Url("build.txt")), std::nullopt);
    EXPECT_FALSE(fs::exists(m_log)) << "the request went out over an unverified connection";
}

}  // namespace
}  // namespace tvtest
