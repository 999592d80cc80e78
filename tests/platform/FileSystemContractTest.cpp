// The contract of tv::IFileSystem, held to the same cases by the real file system and the
// in-memory one that tests put in its place (and the fault-injecting layer over each): what the
// fake did differently would make a test over it prove nothing about the program.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <set>
#include <thread>

#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "support/FaultFileSystem.h"
#include "support/MemoryFileSystem.h"
#include "support/TestEnv.h"

namespace {

using tvtest::CFaultFileSystem;
using Op = CFaultFileSystem::Op;
using namespace std::chrono_literals;

constexpr tv::FileTime kWritten = tv::FileTimeFromUnix(1'600'000'000, 123'456'700);
constexpr tv::FileTime kAccessed = tv::FileTimeFromUnix(1'600'000'100);

// A location to test: its root, and a way to put files there behind the interface's back.
class CLocal {
  public:
    tv::IFileSystem& Fs() { return tv::LocalFileSystem(); }
    std::string Root() const { return m_dir.Path().string(); }
    void Put(const std::string& path, const std::string& content) {
        tvtest::WriteFile(path, content);
    }
    void PutLink(const std::string& path, const std::string& target) {
        std::filesystem::create_symlink(target, path);
    }

  private:
    tvtest::CTempDir m_dir;
};

class CMemory {
  public:
    CMemory() { m_fs.PutFolder(Root()); }
    tv::IFileSystem& Fs() { return m_fs; }
    static std::string Root() { return "/mem/root"; }
    void Put(const std::string& path, const std::string& content) { m_fs.PutFile(path, content); }
    void PutLink(const std::string& path, const std::string& target) { m_fs.PutLink(path, target); }

  private:
    tvtest::CMemoryFileSystem m_fs;
};

template <typename Location>
class FileSystemContract : public ::testing::Test {
  protected:
    std::string P(const std::string& name) const { return m_location.Root() + "/" + name; }
    tv::IFileSystem& Fs() { return m_location.Fs(); }
    std::set<std::string> Names() {
        std::vector<std::string> names;
        EXPECT_EQ(Fs().ListNames(m_location.Root(), names), 0);
        return {names.begin(), names.end()};
    }
    std::string Read(const std::string& path) {
        return tv::ReadWholeFile(Fs(), path).value_or("<unreadable>");
    }

    Location m_location;
};

using Locations = ::testing::Types<CLocal, CMemory>;
TYPED_TEST_SUITE(FileSystemContract, Locations);

// A file is made under a temporary name, written at offsets, given times and mode while open,
// and renamed over the old one; until then nothing but the temporary name is new.
TYPED_TEST(FileSystemContract, ATemporaryFileBecomesTheFileWithItsTimesAndMode) {
    tv::IFileSystem& fs = this->Fs();
    this->m_location.Put(this->P("data"), "old");
    std::string temp;
    int file = -1;
    ASSERT_EQ(fs.CreateTemp(this->m_location.Root(), "data", 0600, temp, file), 0);
    size_t written = 0;
    ASSERT_EQ(fs.Write(file, 5, "world", 5, written), 0);
    ASSERT_EQ(fs.Write(file, 0, "hello", 5, written), 0);
    EXPECT_EQ(written, 5u);
    ASSERT_EQ(fs.SetOpenTimes(file, kAccessed, kWritten), 0);
    ASSERT_EQ(fs.SetOpenMode(file, 0640), 0);
    tv::CFileInfo open;
    ASSERT_EQ(fs.StatOpen(file, open), 0);
    EXPECT_EQ(open.m_size, 10u);
    EXPECT_EQ(open.m_lastAccess, kAccessed);  // reads from here on may move it
    ASSERT_EQ(fs.Flush(file), 0);
    ASSERT_EQ(fs.Close(file), 0);
    EXPECT_EQ(this->Names(), (std::set<std::string>{"data", temp.substr(temp.rfind('/') + 1)}));
    EXPECT_EQ(this->Read(this->P("data")), "old");

    ASSERT_EQ(fs.Rename(temp, this->P("data")), 0);
    EXPECT_EQ(this->Names(), std::set<std::string>{"data"});
    EXPECT_EQ(this->Read(this->P("data")), "helloworld");
    tv::CFileInfo info;
    ASSERT_EQ(fs.Stat(this->P("data"), info, tv::LinkMode::Follow), 0);
    EXPECT_EQ(info.m_type, tv::EntryType::File);
    EXPECT_EQ(info.m_size, 10u);
    EXPECT_EQ(info.m_lastWrite, kWritten);
    EXPECT_EQ(info.Mode(), 0640u);
    EXPECT_EQ(info.m_attributes & 0xFFFF, tv::attr::kArchive);
    ASSERT_EQ(fs.SetTimes(this->P("data"), tv::kKeepTime, kAccessed), 0);
    ASSERT_EQ(fs.SetMode(this->P("data"), 0444), 0);
    ASSERT_EQ(fs.Stat(this->P("data"), info, tv::LinkMode::Follow), 0);
    EXPECT_EQ(info.m_lastWrite, kAccessed);
    EXPECT_TRUE(info.m_attributes & tv::attr::kReadOnly);
}

// The scan's listing: links followed and marked, dangling links and temporary files left out,
// and the temporary files nobody claims any more removed on the way.
TYPED_TEST(FileSystemContract, AListingFollowsLinksAndClearsOnlyStaleTemporaryFiles) {
    tv::IFileSystem& fs = this->Fs();
    this->m_location.Put(this->P("file"), "12345");
    ASSERT_EQ(fs.MakeFolder(this->P("sub")), 0);
    this->m_location.PutLink(this->P("link"), "file");
    this->m_location.PutLink(this->P("dangling"), "missing");
    this->m_location.Put(this->P(".~tv-file-Ab12Cd"), "left by a killed run");
    this->m_location.Put(this->P(".~tv-other-Ab12Cd"), "left by a killed run too");
    std::string live;
    int file = -1;
    ASSERT_EQ(fs.CreateTemp(this->m_location.Root(), "file", 0600, live, file), 0);
    ASSERT_EQ(fs.Close(file), 0);

    tv::CFileInfo folder;
    std::vector<tv::CFolderItem> items;
    ASSERT_EQ(tv::ListFolder(fs, this->m_location.Root(), folder, items), 0);
    EXPECT_EQ(folder.m_type, tv::EntryType::Folder);
    std::map<std::string, tv::CFileInfo> byName;
    for (const auto& item : items) {
        byName[item.m_name] = item.m_info;
    }
    ASSERT_EQ(byName.size(), 3u);
    EXPECT_EQ(byName["sub"].m_type, tv::EntryType::Folder);
    EXPECT_TRUE(byName["link"].m_bSymlink);
    EXPECT_TRUE(byName["link"].m_attributes & tv::attr::kReparsePoint);
    EXPECT_EQ(byName["link"].m_size, 5u);
    EXPECT_EQ(byName["link"].m_inode, byName["file"].m_inode);
    const std::set<std::string> left = this->Names();
    EXPECT_FALSE(left.count(".~tv-file-Ab12Cd"));
    EXPECT_FALSE(left.count(".~tv-other-Ab12Cd"));
    EXPECT_TRUE(left.count(live.substr(live.rfind('/') + 1)));
    EXPECT_TRUE(left.count("dangling"));

    this->m_location.Put(this->P(".~tv-file-Zz9999"), "stale");
    this->m_location.Put(this->P(".~tv-other-Zz9999"), "stale, of another file");
    fs.RemoveStaleTemps(this->m_location.Root(), "file");
    EXPECT_FALSE(this->Names().count(".~tv-file-Zz9999"));
    EXPECT_TRUE(this->Names().count(".~tv-other-Zz9999"));
    EXPECT_TRUE(this->Names().count(live.substr(live.rfind('/') + 1)));
    EXPECT_EQ(fs.Unlink(live), 0);
}

TYPED_TEST(FileSystemContract, FailuresSayWhatTheLocalFileSystemSays) {
    tv::IFileSystem& fs = this->Fs();
    this->m_location.Put(this->P("file"), "x");
    ASSERT_EQ(fs.MakeFolder(this->P("sub")), 0);
    this->m_location.Put(this->P("sub/inner"), "y");
    this->m_location.PutLink(this->P("sublink"), "sub");
    this->m_location.PutLink(this->P("dangling"), "missing");
    tv::CFileInfo info;
    EXPECT_EQ(fs.Stat(this->P("missing"), info, tv::LinkMode::Follow), ENOENT);
    EXPECT_EQ(fs.Stat(this->P("file/below"), info, tv::LinkMode::Follow), ENOTDIR);
    EXPECT_EQ(fs.Stat(this->P("dangling"), info, tv::LinkMode::Follow), ENOENT);
    ASSERT_EQ(fs.Stat(this->P("dangling"), info, tv::LinkMode::NoFollow), 0);
    EXPECT_TRUE(info.m_bSymlink);
    EXPECT_EQ(info.m_type, tv::EntryType::Other);
    EXPECT_EQ(fs.MakeFolder(this->P("file")), EEXIST);
    EXPECT_EQ(fs.MakeFolder(this->P("missing/sub")), ENOENT);
    EXPECT_EQ(fs.RemoveFolder(this->P("sub")), ENOTEMPTY);
    EXPECT_EQ(fs.RemoveFolder(this->P("missing")), ENOENT);
    EXPECT_EQ(fs.Unlink(this->P("sub")), EISDIR);
    EXPECT_EQ(fs.Unlink(this->P("missing")), ENOENT);
    EXPECT_EQ(fs.Rename(this->P("missing"), this->P("other")), ENOENT);
    int file = -1;
    EXPECT_EQ(fs.OpenRead(this->P("missing"), file), ENOENT);
    std::vector<std::string> names;
    EXPECT_EQ(fs.ListNames(this->P("sublink"), names), ENOTDIR);
    std::vector<tv::CFolderItem> items;
    EXPECT_EQ(tv::ListFolder(fs, this->P("file"), info, items), ENOTDIR);
    EXPECT_EQ(tv::ListFolder(fs, this->P("missing"), info, items), ENOENT);
    std::string resolved;
    ASSERT_EQ(fs.ResolvePath(this->P("sublink/inner"), resolved), 0);
    std::string real;
    ASSERT_EQ(fs.ResolvePath(this->P("sub/inner"), real), 0);
    EXPECT_EQ(resolved, real);
    EXPECT_EQ(this->Read(this->P("sublink/inner")), "y");
}

// A scratch file has no name; a second lock on one file waits for the first to go.
TYPED_TEST(FileSystemContract, ScratchFilesHaveNoNameAndLocksExcludeEachOther) {
    tv::IFileSystem& fs = this->Fs();
    int scratch = -1;
    ASSERT_EQ(fs.CreateScratch(this->m_location.Root(), scratch), 0);
    size_t done = 0;
    ASSERT_EQ(fs.Write(scratch, 0, "spooled", 7, done), 0);
    char buffer[16];
    ASSERT_EQ(fs.Read(scratch, 2, buffer, sizeof buffer, done), 0);
    EXPECT_EQ(std::string(buffer, done), "ooled");
    EXPECT_TRUE(this->Names().empty());
    EXPECT_EQ(fs.Close(scratch), 0);

    int first = -1;
    ASSERT_EQ(fs.Lock(this->P("lock"), first), 0);
    std::atomic<bool> granted{false};
    std::thread second([&] {
        int file = -1;
        if (fs.Lock(this->P("lock"), file) == 0) {
            granted = true;
            fs.Close(file);
        }
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(granted);
    EXPECT_EQ(fs.Close(first), 0);
    second.join();
    EXPECT_TRUE(granted);
    EXPECT_EQ(this->Names(), std::set<std::string>{"lock"});
}

// The atomic write is temporary file + write + flush + close + rename through the interface:
// whichever step fails, the old file stays whole and no temporary file is left.
TYPED_TEST(FileSystemContract, AnAtomicWriteLosesNothingWhicheverStepFails) {
    const std::string path = this->P("kept");
    this->m_location.Put(path, "old");
    ASSERT_EQ(this->Fs().SetMode(path, 0600), 0);
    for (const Op op : {Op::CreateTemp, Op::Write, Op::Flush, Op::Close, Op::Rename}) {
        CFaultFileSystem faults(this->Fs());
        faults.Fail(op, ENOSPC, 1, -1, "kept");
        std::string error;
        EXPECT_FALSE(tv::WriteFileAtomically(faults, path, "new", &error));
        EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
        EXPECT_EQ(this->Read(path), "old") << static_cast<int>(op);
        EXPECT_EQ(this->Names(), std::set<std::string>{"kept"}) << static_cast<int>(op);
    }
    CFaultFileSystem unflushed(this->Fs());
    unflushed.Fail(Op::FlushFolder, EIO);
    std::string error;
    EXPECT_FALSE(tv::WriteFileAtomically(unflushed, path, "newer", &error));
    EXPECT_NE(error.find("replaced, but"), std::string::npos) << error;
    EXPECT_EQ(this->Read(path), "newer");

    this->m_location.PutLink(this->P("link"), "kept");
    ASSERT_TRUE(tv::WriteFileAtomically(this->Fs(), this->P("link"), "newest"));
    tv::CFileInfo info;
    ASSERT_EQ(this->Fs().Stat(this->P("link"), info, tv::LinkMode::NoFollow), 0);
    EXPECT_TRUE(info.m_bSymlink);
    ASSERT_EQ(this->Fs().Stat(path, info, tv::LinkMode::Follow), 0);
    EXPECT_EQ(info.Mode(), 0600u);
    EXPECT_EQ(this->Read(path), "newest");

    CFaultFileSystem unreadable(this->Fs());
    unreadable.Fail(Op::Read, EIO);
    tv::CFileError readError;
    EXPECT_FALSE(tv::ReadWholeFile(unreadable, path, &readError));
    EXPECT_EQ(readError.m_nCode, EIO);
    EXPECT_FALSE(tv::ReadWholeFile(this->Fs(), path, &readError, 5));
    EXPECT_EQ(readError.m_nCode, EFBIG);
}

// The wrapper's rules: the nth call on, for so many calls, on paths that hold a part.
TEST(FaultFileSystem, RulesCountTheirOwnCallsAndMatchPathParts) {
    tvtest::CMemoryFileSystem memory;
    memory.PutFolder("/f");
    CFaultFileSystem faults(memory);
    faults.Fail(Op::MakeFolder, EIO, 2, 2, "/f/a");
    std::vector<int> results;
    for (const char* path : {"/f/a1", "/f/b1", "/f/a2", "/f/a3", "/f/a4", "/f/b2"}) {
        results.push_back(faults.MakeFolder(path));
    }
    EXPECT_EQ(results, (std::vector<int>{0, 0, EIO, EIO, 0, 0}));
    EXPECT_EQ(faults.Calls(Op::MakeFolder), 6);
    tv::CFileInfo info;
    EXPECT_EQ(memory.Stat("/f/a2", info, tv::LinkMode::Follow), ENOENT);
    EXPECT_EQ(memory.Stat("/f/a4", info, tv::LinkMode::Follow), 0);
}

// The fake's own means: a disk that fills and a listing that comes in pieces.
TEST(MemoryFileSystem, AFullDiskRefusesGrowthAndAListingComesInPieces) {
    tvtest::CMemoryFileSystem memory;
    memory.PutFile("/d/a", "12345");
    memory.SetCapacity(8);
    std::string temp;
    int file = -1;
    ASSERT_EQ(memory.CreateTemp("/d", "b", 0644, temp, file), 0);
    size_t written = 0;
    EXPECT_EQ(memory.Write(file, 0, "123", 3, written), 0);
    EXPECT_EQ(memory.Write(file, 3, "4", 1, written), ENOSPC);
    uint64_t free = 1;
    EXPECT_EQ(memory.FreeSpace("/d", free), 0);
    EXPECT_EQ(free, 0u);
    memory.Close(file);

    for (const char* name : {"c", "e", "f", "g"}) {
        memory.PutFile(std::string("/d/") + name, "");
    }
    memory.SetPieceSize(2);
    std::vector<size_t> pieces;
    tv::CFileInfo folder;
    std::vector<tv::CFolderItem> items;
    EXPECT_EQ(memory.ReadFolder("/d", folder, items,
                                [&](std::vector<tv::CFolderItem>& piece) {
                                    pieces.push_back(piece.size());
                                    return 0;
                                }),
              0);
    EXPECT_EQ(pieces, (std::vector<size_t>{2, 2, 1}));
}

}  // namespace
