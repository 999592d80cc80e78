#include "platform/CurlSftpDriver.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/RemoteTestSupport.h"
#include "platform/SshServer.h"
#include "support/SilentListener.h"
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
    CRemoteSite Site() const { return m_server.Site(); }
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
    EXPECT_NE(driver.MakeFolder(Remote("a")), 0) << "it is there";
    EXPECT_TRUE(driver.IsConnected());
    driver.Disconnect();
    // One login for everything, however many calls there are and however many of them the
    // server refuses.
    EXPECT_EQ(Count(m_server.Log(), "Accepted publickey"), 1u) << m_server.Log();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_root / "a"), {}), 20);
}

// Many reads are in flight at once: the bytes must still arrive in order, from any offset. A
// destination that fails ends the download with its error and keeps the session; a cancel ends it.
TEST_F(CurlSftpDriver, DownloadsArriveInOrderAndAFailingDestinationKeepsTheSession) {
    TrustServer();
    std::string bytes((5 << 20) + 777, '\0');
    uint32_t state = 99;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    WriteFile(m_root / "big.bin", bytes);
    CCurlSftpDriver driver(Site());
    EXPECT_TRUE(DownloadText(driver, Remote("big.bin")) == bytes) << "the bytes differ";
    EXPECT_TRUE(DownloadText(driver, Remote("big.bin"), 70'001) == bytes.substr(70'001));
    EXPECT_EQ(DownloadText(driver, Remote("big.bin"), bytes.size() + 9), "");
    size_t taken = 0;
    const auto fullDisk = [&](const void*, size_t size) {
        taken += size;
        return taken > (1u << 20) ? ENOSPC : 0;
    };
    EXPECT_EQ(driver.Download(Remote("big.bin"), 0, fullDisk), ENOSPC);
    EXPECT_TRUE(DownloadText(driver, Remote("big.bin")) == bytes) << "the session is out of step";
    EXPECT_EQ(Count(m_server.Log(), "Accepted publickey"), 1u);
    const auto cancel = [&](const void*, size_t) {
        driver.Cancel();
        return 0;
    };
    EXPECT_EQ(driver.Download(Remote("big.bin"), 0, cancel), ECANCELED);
}

// A new file costs the upload, one rename and its time in one request; a file already there is
// replaced whole whether the caller knew of it or guessed wrong; the times arrive exactly.
TEST_F(CurlSftpDriver, TheTimeTravelsWithTheUpload) {
    TrustServer();
    CCurlSftpDriver driver(Site());
    ASSERT_EQ(EnsureRemoteFolder(driver, Remote("d")), 0) << driver.LastError();
    const int64_t base = 1623053350;
    constexpr int kFiles = 6;
    const size_t mark = m_server.SftpLog().size();
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "d/f" + std::to_string(i);
        ASSERT_EQ(UploadText(driver, Remote(name), "new " + name,
                             {FileTimeFromUnix(base + i), UploadTarget::Absent}),
                  0)
            << driver.LastError();
    }
    const std::string requests = m_server.SftpLog().substr(mark);
    EXPECT_EQ(Count(requests, "rename old"), size_t{kFiles}) << requests;
    EXPECT_EQ(Count(requests, "remove name"), 0u) << requests;
    // open, write, the time, close and rename: each answered once.
    EXPECT_LE(Count(requests, "sent "), 5u * kFiles) << requests;

    WriteFile(m_root / "d/known", "old contents");
    WriteFile(m_root / "d/missed", "old contents");
    ASSERT_EQ(UploadText(driver, Remote("d/known"), "new d/known",
                         {FileTimeFromUnix(base + kFiles), UploadTarget::Unknown}),
              0)
        << driver.LastError();
    ASSERT_EQ(UploadText(driver, Remote("d/missed"), "new d/missed",
                         {FileTimeFromUnix(base + kFiles + 1), UploadTarget::Absent}),
              0)
        << driver.LastError();
    std::vector<std::string> names;
    for (int i = 0; i < kFiles; ++i) {
        names.push_back("d/f" + std::to_string(i));
    }
    names.insert(names.end(), {"d/known", "d/missed"});
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(ReadFile(m_root / names[i]), "new " + names[i]);
        struct stat st {};
        ASSERT_EQ(stat((m_root / names[i]).c_str(), &st), 0);
        EXPECT_EQ(st.st_mtime, base + static_cast<int64_t>(i)) << names[i];
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_root / "d"), {}),
              static_cast<std::ptrdiff_t>(names.size()));
}

// A transfer that fails halfway leaves the old file whole and no temporary behind.
TEST_F(CurlSftpDriver, FailedOrCancelledUploadKeepsTheOldFile) {
    TrustServer();
    CCurlSftpDriver driver(Site());
    WriteFile(m_root / "keep.txt", "old contents");
    size_t calls = 0;
    // Neither a wrong guess that the target is new nor a replace that moves it aside may cost
    // the old file.
    const CUploadOptions guess{kKeepTime, UploadTarget::Absent};
    const CUploadOptions replace{FileTimeFromUnix(1623053350), UploadTarget::Unknown};
    bool timeSet = false;
    int error = driver.Upload(
        Remote("keep.txt"),
        [&](void* buffer, size_t size, size_t& got) {
            got = std::min<size_t>(size, 1000);
            std::fill_n(static_cast<char*>(buffer), got, 'y');
            return ++calls < 50 ? 0 : EIO;
        },
        guess, timeSet);
    EXPECT_EQ(error, EIO);
    int cancelled = driver.Upload(
        Remote("keep.txt"),
        [&](void* buffer, size_t size, size_t& got) {
            got = std::min<size_t>(size, 1000);
            std::fill_n(static_cast<char*>(buffer), got, 'z');
            driver.Cancel();
            return 0;
        },
        replace, timeSet);
    EXPECT_EQ(cancelled, ECANCELED);
    EXPECT_EQ(ReadFile(m_root / "keep.txt"), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_root.Path()), {}), 1);

    // A cancel from another thread amid a big upload that never has to wait for the server.
    CCurlSftpDriver streaming(Site());
    const std::string block(1 << 20, 'w');
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        streaming.Cancel();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(streaming.Upload(
                  Remote("keep.txt"),
                  [&](void* buffer, size_t size, size_t& got) {
                      got = std::min(size, block.size());
                      std::copy_n(block.data(), got, static_cast<char*>(buffer));
                      return 0;
                  },
                  replace, timeSet),
              ECANCELED);
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_EQ(ReadFile(m_root / "keep.txt"), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_root.Path()), {}), 1);
    bool exists = false;
    EXPECT_EQ(streaming.FolderExists(m_root.Path().string(), exists), ECANCELED);
}

// A cancel while the server has made the temporary but not yet answered for it must still take
// the temporary away.
TEST(CurlSftpSlowServer, ACancelBeforeTheOpenIsAnsweredLeavesNoTemporary) {
    CIsolatedHome home;
    CTempDir keys;
    CTempDir root;
    CSshServer server(keys.Path(), tvtest::SftpAnswers::SlowHandles);
    std::filesystem::create_directories(home.Root() / ".ssh");
    WriteFile(home.Root() / ".ssh/known_hosts",
              "[127.0.0.1]:" + std::to_string(server.Port()) + " " + server.HostKeyLine() + "\n");
    CCurlSftpDriver driver(server.Site());
    ASSERT_EQ(driver.Connect(), 0) << driver.LastError();
    const std::string temp = (root / RemoteTempName("new.txt")).string();
    std::thread canceller([&] {
        while (!std::filesystem::exists(temp)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        driver.Cancel();
    });
    EXPECT_EQ(UploadText(driver, (root / "new.txt").string(), "new"), ECANCELED);
    canceller.join();
    EXPECT_FALSE(std::filesystem::exists(temp));
    EXPECT_FALSE(std::filesystem::exists(root / "new.txt"));
}

// Writes the server refuses (its disk is full), whether they went out with the time and the close
// in one go or as a long stream, never reach the real name, new or already there.
TEST_F(CurlSftpDriver, RefusedWritesNeverReachTheTarget) {
    TrustServer();
    CCurlSftpDriver driver(Site());
    WriteFile(m_root / "old.txt", "old contents");
    for (const size_t size : {size_t{10}, size_t{3} << 20}) {
        for (const char* name : {"old.txt", "new.txt"}) {
            std::filesystem::create_symlink("/dev/full", m_root / RemoteTempName(name));
            const CUploadOptions options{FileTimeFromUnix(1'600'000'000), UploadTarget::Absent};
            EXPECT_EQ(UploadText(driver, Remote(name), std::string(size, 'n'), options), EIO)
                << name << " " << size;
            std::filesystem::remove(m_root / RemoteTempName(name));
        }
        EXPECT_EQ(ReadFile(m_root / "old.txt"), "old contents");
        EXPECT_FALSE(std::filesystem::exists(m_root / "new.txt"));
    }
    ASSERT_EQ(UploadText(driver, Remote("new.txt"), "new contents"), 0) << driver.LastError();
    EXPECT_EQ(ReadFile(m_root / "new.txt"), "new contents");
    EXPECT_EQ(Count(m_server.Log(), "Accepted publickey"), 1u) << "a refusal keeps the session";
}

// Many writes are in flight at once: pieces of every size must still land in their place, with
// the time. A connection that breaks off halfway through a replace leaves the old file whole,
// and the temporary goes with the next login; the one after that takes uploads again.
TEST_F(CurlSftpDriver, BigUploadsArriveExactlyAndACutOffOneLeavesTheOldFile) {
    TrustServer();
    CCurlSftpDriver driver(Site());
    std::string bytes(40 << 20, '\0');
    uint32_t state = 4711;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    size_t at = 0;
    size_t piece = 1;
    std::function<void()> midway;
    const RemoteSourceFn source = [&](void* buffer, size_t size, size_t& got) {
        if (at >= (8u << 20) && midway) {
            std::exchange(midway, nullptr)();
        }
        piece = piece * 7919 % 200'003;
        got = std::min({size, bytes.size() - at, piece + 1});
        std::copy_n(bytes.data() + at, got, static_cast<char*>(buffer));
        at += got;
        return 0;
    };
    const int64_t when = 1'600'000'123;
    const CUploadOptions options{FileTimeFromUnix(when), UploadTarget::Unknown};
    bool timeSet = false;
    ASSERT_EQ(driver.Upload(Remote("big.bin"), source, options, timeSet), 0) << driver.LastError();
    EXPECT_TRUE(timeSet);
    EXPECT_TRUE(ReadFile(m_root / "big.bin") == bytes) << "the bytes differ";
    struct stat st {};
    ASSERT_EQ(stat((m_root / "big.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, when);

    WriteFile(m_root / "keep.bin", "old contents");
    at = 0;
    midway = [&] {
        EXPECT_EQ(ReadFile(m_root / "keep.bin"), "old contents");
        m_server.CutOff();
    };
    EXPECT_EQ(driver.Upload(Remote("keep.bin"), source, options, timeSet), ECONNRESET)
        << driver.LastError();
    EXPECT_FALSE(timeSet);
    EXPECT_EQ(ReadFile(m_root / "keep.bin"), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_root.Path()), {}), 2);
    ASSERT_EQ(UploadText(driver, Remote("keep.bin"), "new contents"), 0) << driver.LastError();
    EXPECT_EQ(ReadFile(m_root / "keep.bin"), "new contents");
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

// A folder of 2000 files comes back with every time to the second in a few dozen requests, where
// a stat per entry would need 2000.
TEST_F(CurlSftpDriver, ABigFolderIsListedWithExactTimesInBatches) {
    TrustServer();
    std::filesystem::create_directory(m_root / "many");
    constexpr int kFiles = 2000;
    constexpr int64_t kBase = 1'600'000'000;
    for (int i = 0; i < kFiles; ++i) {
        std::filesystem::path file = m_root / "many" / ("f" + std::to_string(i));
        WriteFile(file, std::string(static_cast<size_t>(i % 7), 'x'));
        timespec times[2] = {{kBase, 0}, {kBase + i * 13 + i % 59, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    }
    std::filesystem::create_directory(m_root / "many/sub");
    std::filesystem::create_symlink("f1", m_root / "many/link");
    CCurlSftpDriver driver(Site());
    ASSERT_EQ(driver.Connect(), 0) << driver.LastError();
    size_t statsBefore = Count(m_server.SftpLog(), "stat name");

    CRemoteListing listing;
    ASSERT_EQ(driver.List(Remote("many"), listing), 0) << driver.LastError();
    ASSERT_EQ(listing.m_entries.size(), kFiles + 2u);
    int files = 0;
    for (const CRemoteEntry& entry : listing.m_entries) {
        if (entry.m_name == "sub" || entry.m_name == "link") {
            EXPECT_EQ(entry.m_type, entry.m_name == "sub" ? EntryType::Folder : EntryType::Other);
            continue;
        }
        int i = std::stoi(entry.m_name.substr(1));
        EXPECT_EQ(entry.m_type, EntryType::File);
        EXPECT_EQ(entry.m_size, static_cast<uint64_t>(i % 7));
        EXPECT_EQ(entry.m_timeKind, RemoteTimeKind::Utc);
        EXPECT_EQ(entry.m_lastWrite, FileTimeFromUnix(kBase + i * 13 + i % 59)) << entry.m_name;
        ++files;
    }
    EXPECT_EQ(files, kFiles);
    std::string log = m_server.SftpLog();
    EXPECT_EQ(Count(log, "stat name"), statsBefore);
    EXPECT_GE(Count(log, ": readdir"), 2u);
    EXPECT_LE(Count(log, ": readdir"), kFiles / 20u);
}

// The listing session trusts, logs in and fails as the transfers do: unknown and changed keys
// refused, a trusted one written under host and port, a wrong password unnamed, a missing folder
// ENOENT without losing the session.
TEST_F(CurlSftpDriver, TheListingSessionTrustsAndLogsInAsTheTransfersDo) {
    CRemoteListing listing;
    CCurlSftpDriver unattended(Site());
    EXPECT_EQ(unattended.List(m_root.Path().string(), listing), EPERM);
    EXPECT_NE(unattended.LastError().find("known_hosts"), std::string::npos);

    CRemoteSite site = Site();
    int asked = 0;
    site.m_askHostKey = [&](const CHostKeyQuestion&) { return ++asked > 0; };
    std::filesystem::create_directories(KnownHosts().parent_path());
    WriteFile(KnownHosts(),
              HostEntry() + " ssh-ed25519 " +
                  "AAAAC3NzaC1lZDI1NTE5AAAAIB3kz0Z8mYk2mQ0mJ7o4jC0t2sS4ZQy0bqKc8nq1h9Yh\n");
    CCurlSftpDriver changed(site);
    EXPECT_EQ(changed.List(m_root.Path().string(), listing), EPERM);
    EXPECT_NE(changed.LastError().find("differs"), std::string::npos) << changed.LastError();
    EXPECT_EQ(asked, 0);

    std::filesystem::remove(KnownHosts());
    CCurlSftpDriver trusting(site);
    WriteFile(m_root / "a.txt", "a");
    ASSERT_EQ(trusting.List(m_root.Path().string(), listing), 0) << trusting.LastError();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ReadFile(KnownHosts()), HostEntry() + " " + m_server.HostKeyLine() + "\n");
    ASSERT_EQ(listing.m_entries.size(), 1u);
    EXPECT_EQ(trusting.List(Remote("missing"), listing), ENOENT);
    EXPECT_TRUE(listing.m_entries.empty());
    EXPECT_EQ(trusting.List(m_root.Path().string(), listing), 0) << trusting.LastError();
    EXPECT_EQ(listing.m_entries.size(), 1u);

    site = Site();
    site.m_keyFile.clear();
    site.m_password = "wrong-Pa55";
    CCurlSftpDriver wrong(site);
    EXPECT_EQ(wrong.List(m_root.Path().string(), listing), EACCES);
    EXPECT_EQ(wrong.LastError().find("wrong-Pa55"), std::string::npos) << wrong.LastError();
}

// A server that takes the connection and then says nothing: the time-out ends the wait, and a
// cancel from another thread ends it within a second.
TEST_F(CurlSftpDriver, ASilentServerTimesOutOrIsCancelledPromptly) {
    const tvtest::CSilentListener silent;
    ASSERT_NE(silent.Port(), 0);
    CRemoteSite site = Site();
    site.m_port = silent.Port();
    site.m_connectTimeoutMs = 500;
    CRemoteListing listing;
    CCurlSftpDriver timed(site);
    EXPECT_EQ(timed.List("/", listing), ETIMEDOUT);

    site.m_connectTimeoutMs = 60'000;
    CCurlSftpDriver cancelled(site);
    auto start = std::chrono::steady_clock::now();
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancelled.Cancel();
    });
    EXPECT_EQ(cancelled.List("/", listing), ECANCELED);
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1300));
    EXPECT_EQ(cancelled.List("/", listing), ECANCELED);
}

}  // namespace
}  // namespace tv
