#include "platform/CurlFtpDriver.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "platform/FtpServer.h"
#include "platform/RemoteTestSupport.h"
#include "support/TestEnv.h"

namespace tv {
namespace {

using tvtest::CFtpQuirks;
using tvtest::CFtpServer;
using tvtest::Count;
using tvtest::CTempDir;
using tvtest::DownloadText;
using tvtest::FtpTls;
using tvtest::MakeTestCertificate;
using tvtest::ReadFile;
using tvtest::UploadText;
using tvtest::WriteFile;

CRemoteSite Site(int port, RemoteProtocol protocol = RemoteProtocol::Ftp) {
    CRemoteSite site;
    site.m_host = "FTP://127.0.0.1";
    site.m_port = port;
    site.m_user = "tv";
    site.m_password = "s3cret-pw";
    site.m_protocol = protocol;
    site.m_connectTimeoutMs = 5000;
    return site;
}

class CurlFtpDriver : public testing::Test {
  protected:
    CTempDir m_root;
    CTempDir m_logs;
    CFtpServer m_server{m_root.Path().string(), (m_logs / "server.log").string()};
};

// Upload, list, download and remove through one login, with the bytes and times as sent.
TEST_F(CurlFtpDriver, RoundTripOverOneConnection) {
    ASSERT_NE(m_server.Port(), 0);
    CCurlFtpDriver driver(Site(m_server.Port()));
    ASSERT_EQ(driver.Connect(), 0) << driver.LastError();
    ASSERT_EQ(EnsureRemoteFolder(driver, "\\a\\b c"), 0) << driver.LastError();
    std::string big(3 << 20, 'x');
    for (size_t i = 0; i < big.size(); i += 4093) {
        big[i] = static_cast<char>(i);
    }
    ASSERT_EQ(UploadText(driver, "/a/b c/big.bin", big), 0) << driver.LastError();
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(UploadText(driver, "/a/f" + std::to_string(i), "n" + std::to_string(i)), 0);
    }
    EXPECT_EQ(ReadFile(m_root / "a/b c/big.bin"), big);
    FileTime when = FileTimeFromCalendar({2021, 6, 7, 8, 9, 10});
    ASSERT_EQ(driver.SetTime("/a/f3", when), 0) << driver.LastError();

    CRemoteListing listing;
    ASSERT_EQ(driver.List("/a", listing), 0) << driver.LastError();
    EXPECT_EQ(listing.m_entries.size(), 21u);
    for (const CRemoteEntry& entry : listing.m_entries) {
        if (entry.m_name == "f3") {
            EXPECT_EQ(entry.m_lastWrite, when);
            EXPECT_EQ(entry.m_timeKind, RemoteTimeKind::Utc);
        }
    }
    EXPECT_EQ(DownloadText(driver, "/a/b c/big.bin"), big);
    EXPECT_EQ(DownloadText(driver, "/a/b c/big.bin", big.size() - 5), big.substr(big.size() - 5));
    EXPECT_EQ(DownloadText(driver, "/a/missing"), "error " + std::to_string(ENOENT));

    EXPECT_EQ(driver.DeleteFile("/a/b c/big.bin"), 0);
    EXPECT_EQ(driver.RemoveFolder("/a/b c"), 0);
    bool exists = true;
    EXPECT_EQ(driver.FolderExists("/a/b c", exists), 0);
    EXPECT_FALSE(exists);
    EXPECT_TRUE(driver.IsConnected());
    driver.Disconnect();
    EXPECT_EQ(Count(ReadFile(m_logs / "server.log"), "logged in"), 1u);
}

// The time given with an upload arrives exactly, for a new file and a replaced one alike.
TEST(CurlFtpUpload, TheTimeTravelsWithTheUpload) {
    CTempDir root;
    CTempDir logs;
    CFtpQuirks quirks;
    quirks.m_bLogCommands = true;
    const std::string log = (logs / "server.log").string();
    CFtpServer server(root.Path().string(), log, {}, FtpTls::None, {}, quirks);
    ASSERT_NE(server.Port(), 0);
    CCurlFtpDriver driver(Site(server.Port()));
    ASSERT_EQ(EnsureRemoteFolder(driver, "/d"), 0) << driver.LastError();
    const int64_t base = 1623053350;
    ASSERT_EQ(UploadText(driver, "/d/first", "1", {FileTimeFromUnix(base), UploadTarget::Absent}),
              0)
        << driver.LastError();
    WriteFile(root / "d/f2", "old contents");

    constexpr int kFiles = 6;
    const size_t mark = ReadFile(log).size();
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "/d/f" + std::to_string(i);
        const UploadTarget target = i == 2 ? UploadTarget::Unknown : UploadTarget::Absent;
        ASSERT_EQ(UploadText(driver, name, "new " + name, {FileTimeFromUnix(base + i), target}), 0)
            << driver.LastError();
    }
    const std::string commands = ReadFile(log).substr(mark);
    // Each file's time comes with its upload: no listing or time query follows it.
    EXPECT_EQ(Count(commands, "<- MDTM"), 0u) << commands;
    EXPECT_EQ(Count(commands, "<- MFMT"), size_t{kFiles}) << commands;
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "d/f" + std::to_string(i);
        EXPECT_EQ(ReadFile(root / name), "new /" + name);
        struct stat st {};
        ASSERT_EQ(stat((root / name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mtime, base + i) << name;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root / "d"), {}), kFiles + 1);
}

// Transfers over the one connection follow each other without pauses: a libcurl left to wait for
// its sockets made every few data connections a second late, which 100 round trips show.
TEST_F(CurlFtpDriver, TransfersFollowEachOtherWithoutPauses) {
    CCurlFtpDriver driver(Site(m_server.Port()));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i) {
        const std::string name = "/f" + std::to_string(i);
        ASSERT_EQ(UploadText(driver, name, name, {FileTimeFromUnix(1'600'000'000)}), 0)
            << driver.LastError();
        ASSERT_EQ(DownloadText(driver, name), name);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// A transfer that fails halfway leaves the old file whole and no temporary behind.
TEST_F(CurlFtpDriver, FailedOrCancelledUploadKeepsTheOldFile) {
    CCurlFtpDriver driver(Site(m_server.Port()));
    WriteFile(m_root / "keep.txt", "old contents");
    size_t calls = 0;
    // Even a wrong guess that the target is new must not cost the old file.
    const CUploadOptions guess{kKeepTime, UploadTarget::Absent};
    bool timeSet = false;
    int error = driver.Upload(
        "/keep.txt",
        [&](void* buffer, size_t size, size_t& got) {
            got = std::min<size_t>(size, 1000);
            std::fill_n(static_cast<char*>(buffer), got, 'y');
            return ++calls < 50 ? 0 : EIO;
        },
        guess, timeSet);
    EXPECT_EQ(error, EIO);
    int cancelled = driver.Upload(
        "/keep.txt",
        [&](void* buffer, size_t size, size_t& got) {
            got = std::min<size_t>(size, 1000);
            std::fill_n(static_cast<char*>(buffer), got, 'z');
            driver.Cancel();
            return 0;
        },
        guess, timeSet);
    EXPECT_EQ(cancelled, ECANCELED);
    EXPECT_EQ(ReadFile(m_root / "keep.txt"), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_root.Path()), {}), 1);
}

TEST_F(CurlFtpDriver, WrongPasswordIsRefusedWithoutShowingIt) {
    CRemoteSite site = Site(m_server.Port());
    site.m_password = "wrong-Pa55";
    CCurlFtpDriver driver(site);
    EXPECT_EQ(driver.Connect(), EACCES);
    EXPECT_EQ(driver.LastError().find("wrong-Pa55"), std::string::npos) << driver.LastError();
    EXPECT_EQ(UploadText(driver, "/x", "x"), EACCES);
    EXPECT_FALSE(std::filesystem::exists(m_root / "x"));
}

// SSL_CERT_FILE (or none) for one test.
tvtest::CEnvVar CaFile(const std::optional<std::filesystem::path>& file) {
    return {"SSL_CERT_FILE", file.has_value() ? std::optional(file->string()) : std::nullopt};
}

// Each TLS flavour against a server that speaks only it (the data-required one refuses plain
// data connections, the implicit one a plain greeting).
class CurlFtps : public testing::TestWithParam<std::tuple<FtpTls, RemoteProtocol>> {
  protected:
    CurlFtps() {
        EXPECT_TRUE(MakeTestCertificate(m_keys / "server.pem", m_keys / "server-and-key.pem"));
        m_server = std::make_unique<CFtpServer>(
            m_root.Path().string(), (m_logs / "server.log").string(),
            (m_keys / "server-and-key.pem").string(), std::get<0>(GetParam()));
    }
    CRemoteSite TlsSite() const { return Site(m_server->Port(), std::get<1>(GetParam())); }

    CTempDir m_root;
    CTempDir m_logs;
    CTempDir m_keys;
    std::unique_ptr<CFtpServer> m_server;
};

TEST_P(CurlFtps, TrustedCertificateCarriesTheRoundTrip) {
    ASSERT_NE(m_server->Port(), 0);
    tvtest::CEnvVar trust = CaFile(m_keys / "server.pem");
    CCurlFtpDriver driver(TlsSite());
    ASSERT_EQ(driver.Connect(), 0) << driver.LastError();
    ASSERT_EQ(EnsureRemoteFolder(driver, "/in/deep"), 0) << driver.LastError();
    std::string data(1 << 20, 'd');
    for (size_t i = 0; i < data.size(); i += 511) {
        data[i] = static_cast<char>(i >> 3);
    }
    ASSERT_EQ(UploadText(driver, "/in/deep/data.bin", data), 0) << driver.LastError();
    EXPECT_EQ(ReadFile(m_root / "in/deep/data.bin"), data);
    CRemoteListing listing;
    ASSERT_EQ(driver.List("/in/deep", listing), 0) << driver.LastError();
    ASSERT_EQ(listing.m_entries.size(), 1u);
    EXPECT_EQ(listing.m_entries[0].m_size, data.size());
    EXPECT_EQ(DownloadText(driver, "/in/deep/data.bin"), data);
    EXPECT_EQ(driver.DeleteFile("/in/deep/data.bin"), 0);
    EXPECT_FALSE(std::filesystem::exists(m_root / "in/deep/data.bin"));
}

// A certificate nobody vouches for stops the login, whether no CA file is named or another one.
TEST_P(CurlFtps, UntrustedCertificateIsRefusedAndNothingMoves) {
    ASSERT_NE(m_server->Port(), 0);
    ASSERT_TRUE(MakeTestCertificate(m_keys / "other.pem", m_keys / "other-and-key.pem"));
    for (bool another : {true, false}) {
        tvtest::CEnvVar trust =
            CaFile(another ? std::optional(m_keys / "other.pem") : std::nullopt);
        CCurlFtpDriver driver(TlsSite());
        EXPECT_EQ(driver.Connect(), EPERM) << another << ": " << driver.LastError();
        EXPECT_EQ(UploadText(driver, "/sent.txt", "secret data"), EPERM) << driver.LastError();
        EXPECT_EQ(driver.LastError().find("s3cret-pw"), std::string::npos);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_root.Path()), {}), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Flavours, CurlFtps,
    testing::Values(std::make_tuple(FtpTls::Explicit, RemoteProtocol::FtpsControlOnly),
                    std::make_tuple(FtpTls::ExplicitDataRequired, RemoteProtocol::FtpsProtected),
                    std::make_tuple(FtpTls::Implicit, RemoteProtocol::FtpsImplicit)));

}  // namespace
}  // namespace tv
