#include "platform/CurlSftpDriver.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/RemoteTestSupport.h"
#include "platform/SshServer.h"
#include "support/TestEnv.h"

namespace tv {
namespace {

using tvtest::CIsolatedHome;
using tvtest::Count;
using tvtest::CSshServer;
using tvtest::CTempDir;
using tvtest::DownloadText;
using tvtest::ReadFile;
using tvtest::UploadText;
using tvtest::WriteFile;

class CurlSftpDriver : public testing::Test {
  protected:
    CRemoteSite Site() const {
        CRemoteSite site;
        site.m_host = "127.0.0.1";
        site.m_port = m_server.Port();
        site.m_user = m_server.User();
        site.m_protocol = RemoteProtocol::Sftp;
        site.m_keyFile = m_server.ClientKey();
        site.m_connectTimeoutMs = 5000;
        return site;
    }
    std::filesystem::path KnownHosts() const { return m_home.Root() / ".ssh/known_hosts"; }
    std::string HostEntry() const { return "[127.0.0.1]:" + std::to_string(m_server.Port()); }
    void TrustServer() const {
        std::filesystem::create_directories(KnownHosts().parent_path());
        WriteFile(KnownHosts(), HostEntry() + " " + m_server.HostKeyLine() + "\n");
    }
    std::string Remote(const std::string& name) const { return (m_root / name).string(); }

    CIsolatedHome m_home;
    CTempDir m_keys;
    CTempDir m_root;
    CSshServer m_server{m_keys.Path()};
};

// Upload, replace, list, download and remove through one login, with the bytes and times as sent.
TEST_F(CurlSftpDriver, RoundTripOverOneLogin) {
    ASSERT_NE(m_server.Port(), 0);
    TrustServer();
    CCurlSftpDriver driver(Site());
    ASSERT_EQ(driver.Connect(), 0) << driver.LastError();
    ASSERT_EQ(EnsureRemoteFolder(driver, Remote("a/b \"c\"")), 0) << driver.LastError();
    std::string big(3 << 20, 'x');
    for (size_t i = 0; i < big.size(); i += 4093) {
        big[i] = static_cast<char>(i);
    }
    ASSERT_EQ(UploadText(driver, Remote("a/b \"c\"/big.bin"), big), 0) << driver.LastError();
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(UploadText(driver, Remote("a/f" + std::to_string(i)), "n" + std::to_string(i)),
                  0);
    }
    ASSERT_EQ(UploadText(driver, Remote("a/f3"), "replaced"), 0) << driver.LastError();
    EXPECT_EQ(ReadFile(m_root / "a/b \"c\"/big.bin"), big);
    EXPECT_EQ(ReadFile(m_root / "a/f3"), "replaced");
    FileTime when = FileTimeFromCalendar({2021, 6, 7, 8, 9, 10});
    ASSERT_EQ(driver.SetTime(Remote("a/f3"), when), 0) << driver.LastError();

    CRemoteListing listing;
    ASSERT_EQ(driver.List(Remote("a"), listing), 0) << driver.LastError();
    EXPECT_EQ(listing.m_entries.size(), 21u);
    for (const CRemoteEntry& entry : listing.m_entries) {
        EXPECT_EQ(entry.m_timeKind, RemoteTimeKind::Utc) << entry.m_name;
        if (entry.m_name == "f3") {
            EXPECT_EQ(entry.m_lastWrite, when);
            EXPECT_EQ(entry.m_size, 8u);
        }
    }
    std::string bigPath = Remote("a/b \"c\"/big.bin");
    EXPECT_EQ(DownloadText(driver, bigPath), big);
    EXPECT_EQ(DownloadText(driver, bigPath, big.size() - 5), big.substr(big.size() - 5));
    EXPECT_EQ(DownloadText(driver, Remote("a/missing")), "error " + std::to_string(ENOENT));

    EXPECT_EQ(driver.DeleteFile(bigPath), 0);
    EXPECT_EQ(driver.RemoveFolder(Remote("a/b \"c\"")), 0);
    bool exists = true;
    EXPECT_EQ(driver.FolderExists(Remote("a/b \"c\""), exists), 0);
    EXPECT_FALSE(exists);
    EXPECT_EQ(driver.FolderExists(Remote("a"), exists), 0);
    EXPECT_TRUE(exists);
    EXPECT_TRUE(driver.IsConnected());
    driver.Disconnect();
    EXPECT_EQ(Count(m_server.Log(), "Accepted publickey"), 1u) << m_server.Log();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_root / "a"), {}), 20);
}

// A transfer that fails halfway leaves the old file whole and no temporary behind.
TEST_F(CurlSftpDriver, FailedOrCancelledUploadKeepsTheOldFile) {
    TrustServer();
    CCurlSftpDriver driver(Site());
    WriteFile(m_root / "keep.txt", "old contents");
    size_t calls = 0;
    int error = driver.Upload(Remote("keep.txt"), [&](void* buffer, size_t size, size_t& got) {
        got = std::min<size_t>(size, 1000);
        std::fill_n(static_cast<char*>(buffer), got, 'y');
        return ++calls < 50 ? 0 : EIO;
    });
    EXPECT_EQ(error, EIO);
    int cancelled = driver.Upload(Remote("keep.txt"), [&](void* buffer, size_t size, size_t& got) {
        got = std::min<size_t>(size, 1000);
        std::fill_n(static_cast<char*>(buffer), got, 'z');
        driver.Cancel();
        return 0;
    });
    EXPECT_EQ(cancelled, ECANCELED);
    EXPECT_EQ(ReadFile(m_root / "keep.txt"), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_root.Path()), {}), 1);
}

// Unattended, an unknown key is refused before any transfer; a changed one is refused even
// when someone could be asked; a trusted one lands in known_hosts under host and port.
TEST_F(CurlSftpDriver, HostKeysAreCheckedAgainstKnownHosts) {
    CCurlSftpDriver unattended(Site());
    EXPECT_EQ(UploadText(unattended, Remote("x"), "x"), EPERM);
    EXPECT_NE(unattended.LastError().find("known_hosts"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(m_root / "x"));

    std::filesystem::create_directories(KnownHosts().parent_path());
    std::string otherKey =
        "ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIB3kz0Z8mYk2mQ0mJ7o4jC0t2sS4ZQy0bqKc8nq1h9Yh";
    WriteFile(KnownHosts(), HostEntry() + " " + otherKey + "\n");
    CRemoteSite site = Site();
    int asked = 0;
    site.m_askHostKey = [&](const CHostKeyQuestion&) { return ++asked > 0; };
    CCurlSftpDriver changed(site);
    EXPECT_EQ(UploadText(changed, Remote("x"), "x"), EPERM);
    EXPECT_NE(changed.LastError().find("differs"), std::string::npos) << changed.LastError();
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(std::filesystem::exists(m_root / "x"));

    std::filesystem::remove(KnownHosts());
    CHostKeyQuestion question;
    site.m_askHostKey = [&](const CHostKeyQuestion& q) {
        question = q;
        return true;
    };
    CCurlSftpDriver trusting(site);
    ASSERT_EQ(UploadText(trusting, Remote("x"), "x"), 0) << trusting.LastError();
    EXPECT_EQ(question.m_hostEntry, HostEntry());
    EXPECT_EQ(ReadFile(KnownHosts()), HostEntry() + " " + m_server.HostKeyLine() + "\n");
    CCurlSftpDriver later(Site());
    EXPECT_EQ(later.Connect(), 0) << later.LastError();
}

TEST_F(CurlSftpDriver, WrongPasswordIsRefusedWithoutShowingIt) {
    TrustServer();
    CRemoteSite site = Site();
    site.m_keyFile.clear();
    site.m_password = "wrong-Pa55";
    CCurlSftpDriver driver(site);
    EXPECT_EQ(driver.Connect(), EACCES) << driver.LastError();
    EXPECT_EQ(driver.LastError().find("wrong-Pa55"), std::string::npos) << driver.LastError();
    EXPECT_EQ(UploadText(driver, Remote("x"), "x"), EACCES);
    EXPECT_FALSE(std::filesystem::exists(m_root / "x"));
}

// What an interrupted replace leaves beside the file (the old contents stepped aside, the new ones
// under the upload name) is the system's own: no listing shows it, so no run copies it elsewhere
// or deletes it as an extra, and the next upload of that name still works.
TEST_F(CurlSftpDriver, LeftoversOfAnInterruptedReplaceStayOutOfListings) {
    TrustServer();
    std::string aside = RemoteTempName("f.txt") + "-old";
    WriteFile(m_root / aside, "the only old copy");
    WriteFile(m_root / RemoteTempName("f.txt"), "new, maybe partial");
    WriteFile(m_root / "g.txt", "g");
    CCurlSftpDriver driver(Site());
    CRemoteListing listing;
    ASSERT_EQ(driver.List(m_root.Path().string(), listing), 0) << driver.LastError();
    ASSERT_EQ(listing.m_entries.size(), 1u);
    EXPECT_EQ(listing.m_entries[0].m_name, "g.txt");
    EXPECT_TRUE(listing.m_refused.empty());
    EXPECT_FALSE(IsRemoteTempName("-upload-old"));
    ASSERT_EQ(UploadText(driver, Remote("f.txt"), "new"), 0) << driver.LastError();
    EXPECT_EQ(ReadFile(m_root / "f.txt"), "new");
}

}  // namespace
}  // namespace tv
