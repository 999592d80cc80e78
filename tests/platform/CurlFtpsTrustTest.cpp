#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "platform/CurlFtpDriver.h"
#include "platform/FileSystem.h"
#include "platform/FtpServer.h"
#include "platform/KeyFiles.h"
#include "platform/RemoteTestSupport.h"
#include "support/TestEnv.h"

namespace tv {
namespace {

using tvtest::CEnvVar;
using tvtest::CFtpServer;
using tvtest::Count;
using tvtest::CTempDir;
using tvtest::DownloadText;
using tvtest::FtpTls;
using tvtest::MakeTestCertificate;
using tvtest::ReadFile;
using tvtest::UploadText;

// What `openssl x509 -fingerprint -sha256` says, the independent oracle for the question.
std::string OpenSslFingerprint(const std::filesystem::path& cert) {
    std::string command = "openssl x509 -noout -fingerprint -sha256 -in '" + cert.string() + "'";
    std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), pclose);
    char line[256] = {};
    if (!pipe || fgets(line, sizeof line, pipe.get()) == nullptr) {
        return {};
    }
    std::string text = line;
    return text.substr(text.find('=') + 1, text.find_last_not_of("\r\n") - text.find('='));
}

class CurlFtpsTrust : public testing::Test {
  protected:
    CurlFtpsTrust() {
        EXPECT_TRUE(MakeTestCertificate(m_keys / "server.pem", m_keys / "server-and-key.pem"));
    }
    std::unique_ptr<CFtpServer> Server(const std::string& clientCa = {}) const {
        return std::make_unique<CFtpServer>(
            m_root.Path().string(), (m_logs / "server.log").string(),
            (m_keys / "server-and-key.pem").string(), FtpTls::ExplicitDataRequired, clientCa);
    }
    // Protected data connections, so that each one's handshake is checked too.
    CRemoteSite Site(int port, AskCertificateFn ask) const {
        CRemoteSite site;
        site.m_host = "127.0.0.1";
        site.m_port = port;
        site.m_user = "tv";
        site.m_password = "s3cret-pw";
        site.m_protocol = RemoteProtocol::FtpsProtected;
        site.m_connectTimeoutMs = 5000;
        site.m_askCertificate = std::move(ask);
        site.m_trustedCertsFile = (m_data / "trusted-certs").string();
        return site;
    }

    CEnvVar m_noCaFile{"SSL_CERT_FILE", std::nullopt};
    CTempDir m_root;
    CTempDir m_logs;
    CTempDir m_keys;
    CTempDir m_data;
};

// Unattended or declined: no login is sent and nothing moves. Accepted: the question shows the
// certificate as OpenSSL sees it, is asked once for all the connections, and is remembered for
// that host:port only.
TEST_F(CurlFtpsTrust, UntrustedCertificateIsAskedAboutOncePerHostAndPort) {
    std::unique_ptr<CFtpServer> server = Server();
    ASSERT_NE(server->Port(), 0);
    std::string hostPort = "127.0.0.1:" + std::to_string(server->Port());

    CCurlFtpDriver unattended(Site(server->Port(), {}));
    EXPECT_EQ(unattended.Connect(), EPERM);
    EXPECT_EQ(UploadText(unattended, "/sent.txt", "data"), EPERM);
    EXPECT_NE(unattended.LastError().find(hostPort), std::string::npos) << unattended.LastError();
    std::vector<CCertificateQuestion> questions;
    CCurlFtpDriver declined(Site(server->Port(), [&](const CCertificateQuestion& asked) {
        questions.push_back(asked);
        return false;
    }));
    EXPECT_EQ(declined.Connect(), EPERM);
    EXPECT_EQ(UploadText(declined, "/sent.txt", "data"), EPERM);
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_EQ(declined.LastError().find("s3cret-pw"), std::string::npos);
    EXPECT_EQ(Count(ReadFile(m_logs / "server.log"), "USER"), 0u) << "login sent";
    EXPECT_FALSE(std::filesystem::exists(m_root / "sent.txt"));
    EXPECT_FALSE(std::filesystem::exists(m_data / "trusted-certs"));

    questions.clear();
    CCurlFtpDriver accepted(Site(server->Port(), [&](const CCertificateQuestion& asked) {
        questions.push_back(asked);
        return true;
    }));
    ASSERT_EQ(UploadText(accepted, "/sent.txt", "data"), 0) << accepted.LastError();
    EXPECT_EQ(DownloadText(accepted, "/sent.txt"), "data");
    ASSERT_EQ(questions.size(), 1u);
    const CCertificateQuestion& question = questions[0];
    std::string fingerprint = OpenSslFingerprint(m_keys / "server.pem");
    EXPECT_EQ(question.m_hostPort, hostPort);
    EXPECT_EQ(question.m_fingerprint, fingerprint);
    EXPECT_EQ(question.m_subject, "CN=127.0.0.1");
    EXPECT_EQ(question.m_issuer, "CN=127.0.0.1");
    int64_t now = time(nullptr);
    EXPECT_LE(question.m_validFrom, now);
    EXPECT_NEAR(question.m_validTo - question.m_validFrom, 2 * 86400, 5);
    EXPECT_FALSE(question.m_reason.empty());
    EXPECT_EQ(ReadFile(m_data / "trusted-certs"), hostPort + " " + fingerprint + "\n");

    auto never = [](const CCertificateQuestion&) {
        ADD_FAILURE() << "asked again";
        return false;
    };
    CCurlFtpDriver remembered(Site(server->Port(), never));
    EXPECT_EQ(DownloadText(remembered, "/sent.txt"), "data") << remembered.LastError();

    // The same certificate on another port is another server as far as trust goes.
    std::unique_ptr<CFtpServer> other = Server();
    questions.clear();
    CCurlFtpDriver elsewhere(Site(other->Port(), [&](const CCertificateQuestion& asked) {
        questions.push_back(asked);
        return false;
    }));
    EXPECT_EQ(elsewhere.Connect(), EPERM);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].m_hostPort, "127.0.0.1:" + std::to_string(other->Port()));
    EXPECT_EQ(ReadFile(m_data / "trusted-certs"), hostPort + " " + fingerprint + "\n");
}

// The file the certificate creation writes is all the login needs; without it, or with an
// unreadable one, the server is not reached by the login.
TEST_F(CurlFtpsTrust, ClientCertificateFromTheCreatedFile) {
    std::string key = (m_keys / "client_key").string();
    std::string cert = (m_keys / "client.cer").string();
    CCertificateSubject subject;
    subject.m_strOwner = "tv client";
    subject.m_nValidFrom = time(nullptr) - 3600;
    subject.m_nValidTo = time(nullptr) + 86400;
    ASSERT_EQ(WriteSshKeyPair(LocalFileSystem(), key, "tv", ExistingFiles::Replace),
              KeyFileResult::Written);
    ASSERT_EQ(
        WriteSelfSignedCertificate(LocalFileSystem(), key, cert, subject, ExistingFiles::Replace),
        KeyFileResult::Written);
    std::unique_ptr<CFtpServer> server = Server(cert);
    ASSERT_NE(server->Port(), 0);
    CEnvVar trust("SSL_CERT_FILE", (m_keys / "server.pem").string());

    CRemoteSite site = Site(server->Port(), {});
    CCurlFtpDriver without(site);
    EXPECT_NE(without.Connect(), 0);
    site.m_certificateFile = (m_keys / "missing.cer").string();
    CCurlFtpDriver missing(site);
    EXPECT_EQ(missing.Connect(), EINVAL);
    EXPECT_NE(missing.LastError().find("missing.cer"), std::string::npos) << missing.LastError();
    EXPECT_EQ(Count(ReadFile(m_logs / "server.log"), "USER"), 0u);

    site.m_certificateFile = cert;
    CCurlFtpDriver with(site);
    ASSERT_EQ(UploadText(with, "/signed.txt", "by certificate"), 0) << with.LastError();
    EXPECT_EQ(DownloadText(with, "/signed.txt"), "by certificate");
}

}  // namespace
}  // namespace tv
