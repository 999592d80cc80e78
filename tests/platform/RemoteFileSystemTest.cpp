// A remote site behind the file-system interface, against a real FTP server whose root is a
// local folder, so every check looks at what really arrived on the server.
#include "platform/RemoteFileSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/FtpServer.h"
#include "support/TestEnv.h"

namespace tv {
namespace {

using namespace std::chrono_literals;
using tvtest::CFtpQuirks;
using tvtest::CFtpServer;
using tvtest::CTempDir;
using tvtest::FtpTls;
using tvtest::ReadFile;
using tvtest::WriteFile;

constexpr FileTime kWhen = FileTimeFromUnix(1'500'000'000);

size_t EntriesIn(const std::filesystem::path& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

// Bytes whose every 4 KiB block carries its number, so that a piece sent twice, lost or out of
// order shows.
std::string Stamped(size_t size) {
    std::string bytes(size, '.');
    for (size_t block = 0; block * 4096 < size; ++block) {
        const std::string stamp = std::to_string(block) + "|";
        std::memcpy(bytes.data() + block * 4096, stamp.data(),
                    std::min(stamp.size(), size - block * 4096));
    }
    return bytes;
}

// `bytes` from `from` to `to` in the copy's pieces; the first failure's errno value.
int WritePieces(IFileSystem& fs, int file, const std::string& bytes, size_t from, size_t to) {
    constexpr size_t kPiece = 2'048'000;
    for (size_t at = from; at < to; at += kPiece) {
        size_t written = 0;
        if (int error = fs.Write(file, at, bytes.data() + at, std::min(kPiece, to - at), written)) {
            return error;
        }
    }
    return 0;
}

bool Eventually(const std::function<bool()>& condition) {
    for (int wait = 0; wait < 200; ++wait) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

uint64_t SizeOr0(const std::filesystem::path& path) {
    std::error_code error;
    const uint64_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

class RemoteFileSystem : public testing::Test {
  protected:
    RemoteFileSystem() { m_fs = MakeFs(); }
    std::unique_ptr<CRemoteFileSystem> MakeFs() {
        CRemoteSite site;
        site.m_host = "127.0.0.1";
        site.m_port = m_server->Port();
        site.m_user = "tv";
        site.m_password = "s3cret-pw";
        site.m_connectTimeoutMs = 3000;
        return std::make_unique<CRemoteFileSystem>(MakeRemoteDriver(site), LocalFileSystem(),
                                                   m_spool.Path().string());
    }
    // Writes `text` under a temporary name with a time, closed but not yet in place.
    std::string PendingUpload(const std::string& folder, const std::string& name,
                              const std::string& text) {
        std::string temp;
        int file = -1;
        EXPECT_EQ(m_fs->CreateTemp(folder, name, 0644, temp, file), 0);
        size_t half = text.size() / 2;
        size_t written = 0;
        EXPECT_EQ(m_fs->Write(file, half, text.data() + half, text.size() - half, written), 0);
        EXPECT_EQ(m_fs->Write(file, 0, text.data(), half, written), 0);
        EXPECT_EQ(m_fs->SetOpenTimes(file, kKeepTime, kWhen), 0);
        EXPECT_EQ(m_fs->Close(file), 0);
        return temp;
    }

    // A new server for the test: throttled to `bytesPerSecond`, on `port` (0: any free one).
    void Restart(int bytesPerSecond, int port) {
        m_server.reset();
        m_server =
            std::make_unique<CFtpServer>(m_root.Path().string(), (m_logs / "server.log").string(),
                                         "", FtpTls::None, "", CFtpQuirks{port, bytesPerSecond});
    }

    CTempDir m_root;
    CTempDir m_logs;
    CTempDir m_spool;
    std::unique_ptr<CFtpServer> m_server =
        std::make_unique<CFtpServer>(m_root.Path().string(), (m_logs / "server.log").string());
    std::unique_ptr<CRemoteFileSystem> m_fs;
};

// Nothing reaches the server before the rename; then the whole file with its time, which the
// listing, a read back and the program's own atomic writer agree on.
TEST_F(RemoteFileSystem, UploadsAppearWholeWithTheirTimesOnlyWhenRenamed) {
    ASSERT_NE(m_server->Port(), 0);
    WriteFile(m_root / "doc.txt", "old");
    std::string text(300'000, 'q');
    text[1234] = 'X';
    std::string temp = PendingUpload("/", "doc.txt", text);
    std::string dropped = PendingUpload("/", "other.txt", "never sent");
    EXPECT_EQ(ReadFile(m_root / "doc.txt"), "old");
    EXPECT_EQ(EntriesIn(m_root.Path()), 1u);

    ASSERT_EQ(m_fs->Rename(temp, "/doc.txt"), 0);
    ASSERT_EQ(m_fs->Unlink(dropped), 0);
    EXPECT_EQ(ReadFile(m_root / "doc.txt"), text);
    EXPECT_EQ(EntriesIn(m_root.Path()), 1u);
    EXPECT_EQ(m_fs->Rename(temp, "/again.txt"), ENOSYS) << "a sent upload is gone";

    ASSERT_EQ(m_fs->MakeFolder("/sub"), 0);
    EXPECT_EQ(m_fs->MakeFolder("/sub"), EEXIST);
    CAtomicFileWriter writer(*m_fs, "/sub/note.txt");
    ASSERT_TRUE(writer.Write("written atomically")) << writer.Error();
    ASSERT_TRUE(writer.Commit()) << writer.Error();
    EXPECT_EQ(ReadFile(m_root / "sub/note.txt"), "written atomically");

    CFileInfo folder;
    std::vector<CFolderItem> items;
    ASSERT_EQ(ListFolder(*m_fs, "/", folder, items), 0);
    ASSERT_EQ(items.size(), 2u);
    for (const CFolderItem& item : items) {
        if (item.m_name == "doc.txt") {
            EXPECT_EQ(item.m_info.m_type, EntryType::File);
            EXPECT_EQ(item.m_info.m_size, text.size());
            EXPECT_EQ(item.m_info.m_lastWrite, kWhen);
        } else {
            EXPECT_EQ(item.m_name, "sub");
            EXPECT_EQ(item.m_info.m_type, EntryType::Folder);
        }
    }
    EXPECT_NE(m_fs->Capabilities("/") & fscap::kExactTimes, 0u);
    EXPECT_EQ(ReadWholeFile(*m_fs, "/doc.txt").value_or("<unreadable>"), text);
    CFileInfo info;
    ASSERT_EQ(m_fs->Stat("/sub/note.txt", info, LinkMode::Follow), 0);
    EXPECT_EQ(info.m_size, 18u);
}

// What fails says so with the interface's errors, and leaves the server as it was.
TEST_F(RemoteFileSystem, FailuresLeaveTheServerAsItWas) {
    ASSERT_NE(m_server->Port(), 0);
    std::filesystem::create_directories(m_root / "full");
    WriteFile(m_root / "full/keep", "kept");
    WriteFile(m_root / "a\\b", "a name that would be a path on another system");
    int file = -1;
    CFileInfo info;
    EXPECT_EQ(m_fs->OpenRead("/missing", file), ENOENT);
    EXPECT_EQ(m_fs->Stat("/full/missing", info, LinkMode::Follow), ENOENT);
    EXPECT_NE(m_fs->RemoveFolder("/full"), 0);
    EXPECT_EQ(m_fs->Rename("/full/keep", "/moved"), ENOSYS);
    size_t copied = 1;
    EXPECT_EQ(m_fs->CopyRange(0, 0, 0, 10, copied), ENOSYS);

    std::vector<std::string> names;
    ASSERT_EQ(m_fs->ListNames("/", names), 0);
    EXPECT_EQ(names, std::vector<std::string>{"full"});
    EXPECT_EQ(m_fs->TakeRefusedNames(), std::vector<std::string>{"/a\\b"});
    EXPECT_TRUE(m_fs->TakeRefusedNames().empty());

    // The server goes away between the writes and the rename: the old file stays whole.
    std::string temp = PendingUpload("/full", "keep", "new contents");
    m_server.reset();
    EXPECT_NE(m_fs->Rename(temp, "/full/keep"), 0);
    EXPECT_EQ(m_fs->Unlink(temp), 0);
    EXPECT_EQ(ReadFile(m_root / "full/keep"), "kept");
    EXPECT_EQ(EntriesIn(m_root / "full"), 1u);
}

// A big upload leaves while it is written, over a connection of its own: its temporary name
// grows on the server while the target is still the old file and the same site serves a read;
// the rename puts every byte in place, with the time, and leaves no other name behind.
TEST_F(RemoteFileSystem, BigUploadsStreamBeforeTheRenameAndArriveExactly) {
    ASSERT_NE(m_server->Port(), 0);
    WriteFile(m_root / "big.bin", "old");
    WriteFile(m_root / "other.txt", "read while the upload runs");
    const std::string bytes = Stamped(64u << 20);
    std::string temp;
    int file = -1;
    ASSERT_EQ(m_fs->CreateTemp("/", "big.bin", 0644, temp, file), 0);
    ASSERT_EQ(WritePieces(*m_fs, file, bytes, 0, bytes.size() / 2), 0);
    const auto serverTemp = m_root / RemoteTempName("big.bin");
    EXPECT_TRUE(Eventually([&] { return SizeOr0(serverTemp) >= (8u << 20); }))
        << "the first half is on its way before the rest is written";
    EXPECT_EQ(ReadWholeFile(*m_fs, "/other.txt").value_or("<unreadable>"),
              "read while the upload runs");
    ASSERT_EQ(WritePieces(*m_fs, file, bytes, bytes.size() / 2, bytes.size()), 0);
    ASSERT_EQ(m_fs->SetOpenTimes(file, kKeepTime, kWhen), 0);
    ASSERT_EQ(m_fs->Close(file), 0);
    CFileInfo info;
    ASSERT_EQ(m_fs->Stat("/big.bin", info, LinkMode::Follow), 0);
    EXPECT_EQ(info.m_size, 3u) << "the target is the old file until the rename";

    ASSERT_EQ(m_fs->Rename(temp, "/big.bin"), 0);
    EXPECT_TRUE(ReadFile(m_root / "big.bin") == bytes);
    EXPECT_EQ(EntriesIn(m_root.Path()), 2u);
    ASSERT_EQ(m_fs->Stat("/big.bin", info, LinkMode::Follow), 0);
    EXPECT_EQ(info.m_size, bytes.size());
    EXPECT_EQ(info.m_lastWrite, kWhen);
    auto fresh = MakeFs();
    ASSERT_EQ(fresh->Stat("/big.bin", info, LinkMode::Follow), 0);
    EXPECT_EQ(info.m_lastWrite, kWhen) << "the server has the time, not only the cache";
}

// A streaming upload that a cancel stops while it waits for a slow server, or whose server dies
// halfway, leaves the old file whole: the cancel ends the wait within a second and removes the
// temporary name; after the outage the next upload of the name goes through.
TEST_F(RemoteFileSystem, AStreamCancelledOrCutOffLeavesTheOldFileWhole) {
    Restart(2 << 20, 0);
    const int port = m_server->Port();
    ASSERT_NE(port, 0);
    m_fs = MakeFs();
    std::atomic<bool> cancel{false};
    m_fs->SetReconnectRule({3, 300ms, [&cancel] { return cancel.load(); }});
    WriteFile(m_root / "keep", "the old file");
    const std::string bytes = Stamped(48u << 20);

    std::string temp;
    int file = -1;
    ASSERT_EQ(m_fs->CreateTemp("/", "keep", 0644, temp, file), 0);
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(1500ms);
        cancel = true;
    });
    EXPECT_EQ(WritePieces(*m_fs, file, bytes, 0, bytes.size()), ECANCELED);
    const auto stopped = std::chrono::steady_clock::now();
    canceller.join();
    cancel = false;
    EXPECT_EQ(m_fs->Close(file), 0);
    EXPECT_EQ(m_fs->Unlink(temp), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 3s);
    EXPECT_EQ(ReadFile(m_root / "keep"), "the old file");
    EXPECT_EQ(EntriesIn(m_root.Path()), 1u) << "the temporary name is gone";

    ASSERT_EQ(m_fs->CreateTemp("/", "keep", 0644, temp, file), 0);
    ASSERT_EQ(WritePieces(*m_fs, file, bytes, 0, 6u << 20), 0);
    ASSERT_TRUE(Eventually([&] { return SizeOr0(m_root / RemoteTempName("keep")) > 0; }));
    m_server->Stop(SIGKILL);
    EXPECT_NE(WritePieces(*m_fs, file, bytes, 6u << 20, bytes.size()), 0);
    EXPECT_EQ(m_fs->Close(file), 0);
    EXPECT_EQ(m_fs->Unlink(temp), 0);
    EXPECT_EQ(ReadFile(m_root / "keep"), "the old file");

    Restart(0, port);
    ASSERT_EQ(m_server->Port(), port);
    ASSERT_EQ(m_fs->CreateTemp("/", "keep", 0644, temp, file), 0);
    ASSERT_EQ(WritePieces(*m_fs, file, bytes, 0, bytes.size()), 0);
    ASSERT_EQ(m_fs->Close(file), 0);
    ASSERT_EQ(m_fs->Rename(temp, "/keep"), 0);
    EXPECT_TRUE(ReadFile(m_root / "keep") == bytes);
    EXPECT_EQ(EntriesIn(m_root.Path()), 1u) << "the cut-off temporary was replaced";
}

std::vector<uint64_t> LoggedRetrBytes(const std::string& text) {
    std::vector<uint64_t> sent;
    for (size_t pos = text.find("RETR "); pos != std::string::npos;
         pos = text.find("RETR ", pos + 1)) {
        const size_t bytes = text.find("bytes=", pos);
        if (bytes != std::string::npos && bytes < text.find('\n', pos)) {
            sent.push_back(std::stoull(text.substr(bytes + 6)));
        }
    }
    return sent;
}

// The bytes the server sent for RETR, per transfer, as its log tells once `transfers` are in
// it: the server writes the line a moment after the client has the last byte.
std::vector<uint64_t> SentBytes(const std::filesystem::path& log, size_t transfers) {
    std::vector<uint64_t> sent;
    for (int wait = 0; wait < 100 && sent.size() < transfers; ++wait) {
        if (wait > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        sent = LoggedRetrBytes(ReadFile(log));
    }
    return sent;
}

// A read fetches the file from where it starts reading: the tail of a big file costs the tail,
// a read before it fetches again from there, and every byte is the server's.
TEST_F(RemoteFileSystem, ReadsFetchFromTheFirstOffsetAsked) {
    ASSERT_NE(m_server->Port(), 0);
    std::string text(1'000'000, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char>('a' + (i * 7919) % 26);
    }
    WriteFile(m_root / "big.bin", text);
    int file = -1;
    ASSERT_EQ(m_fs->OpenRead("/big.bin", file), 0);
    std::string piece(4096, '\0');
    size_t got = 0;
    ASSERT_EQ(m_fs->Read(file, 990'000, piece.data(), piece.size(), got), 0);
    EXPECT_EQ(piece.substr(0, got), text.substr(990'000, got));
    ASSERT_EQ(m_fs->Read(file, 995'904, piece.data(), piece.size(), got), 0);
    EXPECT_EQ(piece.substr(0, got), text.substr(995'904));
    CFileInfo info;
    ASSERT_EQ(m_fs->StatOpen(file, info), 0);
    EXPECT_EQ(info.m_size, text.size());
    ASSERT_EQ(m_fs->Read(file, info.m_size, piece.data(), piece.size(), got), 0);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(SentBytes(m_logs / "server.log", 1), std::vector<uint64_t>{10'000});

    ASSERT_EQ(m_fs->Read(file, 500'000, piece.data(), piece.size(), got), 0);
    EXPECT_EQ(piece.substr(0, got), text.substr(500'000, got));
    EXPECT_EQ(m_fs->Close(file), 0);
    EXPECT_EQ(ReadWholeFile(*m_fs, "/big.bin").value_or("<unreadable>"), text);
    EXPECT_EQ(SentBytes(m_logs / "server.log", 3),
              (std::vector<uint64_t>{10'000, 500'000, 1'000'000}));
}

// Scan threads and the worker share one connection: their calls take turns, none is lost.
TEST_F(RemoteFileSystem, ThreadsShareTheConnection) {
    ASSERT_NE(m_server->Port(), 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < 5; ++i) {
                std::string path = "/t" + std::to_string(t) + "-" + std::to_string(i);
                CAtomicFileWriter writer(*m_fs, path);
                EXPECT_TRUE(writer.Write(path) && writer.Commit()) << writer.Error();
                EXPECT_EQ(ReadWholeFile(*m_fs, path).value_or("<unreadable>"), path);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(EntriesIn(m_root.Path()), 20u);
}

}  // namespace
}  // namespace tv
