#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileOps.h"
#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;

std::map<std::string, tv::CFolderItem> ByName(const std::vector<tv::CFolderItem>& items) {
    std::map<std::string, tv::CFolderItem> byName;
    for (const auto& item : items) {
        byName[item.m_name] = item;
    }
    return byName;
}

// Everything but the folder read itself, so that the default ReadFolder is used.
class CPlainFileSystem : public tv::IFileSystem {
  public:
    int ListFolder(const std::string& path, std::vector<tv::CDirEntry>& entries) override {
        return tv::LocalFileSystem().ListFolder(path, entries);
    }
    int GetInfo(const std::string& path, tv::CFileInfo& info) override {
        return tv::LocalFileSystem().GetInfo(path, info);
    }
    int OpenRead(const std::string& path, std::unique_ptr<tv::IReadFile>& file) override {
        return tv::LocalFileSystem().OpenRead(path, file);
    }
};

class LocalFileSystem : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(m_dir / "sub");
        tvtest::WriteFile(m_dir / "data", "12345");
        chmod((m_dir / "data").c_str(), 0640);
        tvtest::WriteFile(m_dir / ".hidden", "");
        chmod((m_dir / ".hidden").c_str(), 0444);
        mkfifo((m_dir / "fifo").c_str(), 0600);
        fs::create_symlink("data", m_dir / "link");
        fs::create_directory_symlink("sub", m_dir / "sublink");
        fs::create_symlink("missing", m_dir / "dangling");
    }
    tvtest::CTempDir m_dir;
};

TEST_F(LocalFileSystem, ReadFolderGivesFilesAndFoldersWithTheirDetails) {
    tv::CFileInfo folder;
    std::vector<tv::CFolderItem> items;
    ASSERT_EQ(tv::LocalFileSystem().ReadFolder(m_dir.Path().string(), folder, items), 0);
    struct stat st {};
    stat(m_dir.Path().c_str(), &st);
    EXPECT_EQ(folder.m_inode, st.st_ino);
    EXPECT_EQ(folder.m_device, st.st_dev);

    auto byName = ByName(items);
    EXPECT_EQ(items.size(), 5u);  // no FIFO, no dangling link
    const tv::CFileInfo& data = byName["data"].m_info;
    EXPECT_EQ(data.m_size, 5u);
    EXPECT_EQ(data.m_attributes, tv::attr::kArchive | (0640u << 16));
    EXPECT_NE(data.m_creation, 0u);
    EXPECT_EQ(byName[".hidden"].m_info.m_attributes,
              tv::attr::kArchive | tv::attr::kHidden | tv::attr::kReadOnly | (0444u << 16));
    EXPECT_EQ(byName["sub"].m_info.m_type, tv::EntryType::Folder);
    EXPECT_EQ(byName["link"].m_info.m_size, 5u);
    EXPECT_TRUE(byName["sublink"].m_bSymlink);
    EXPECT_TRUE(byName["sublink"].m_info.m_attributes & tv::attr::kReparsePoint);
    EXPECT_EQ(byName["sublink"].m_info.m_inode, byName["sub"].m_info.m_inode);

    // A fake that leaves ReadFolder to the interface's default sees the same.
    CPlainFileSystem plain;
    std::vector<tv::CFolderItem> composed;
    ASSERT_EQ(plain.ReadFolder(m_dir.Path().string(), folder, composed), 0);
    auto composedByName = ByName(composed);
    ASSERT_EQ(composedByName.size(), byName.size());
    for (const auto& [name, item] : byName) {
        EXPECT_EQ(composedByName[name].m_bSymlink, item.m_bSymlink) << name;
        EXPECT_EQ(composedByName[name].m_info.m_attributes, item.m_info.m_attributes) << name;
        EXPECT_EQ(composedByName[name].m_info.m_lastWrite, item.m_info.m_lastWrite) << name;
    }
}

// A killed run leaves its temporary files behind; a run still copying holds its own, even
// after it closed one to rename it.
TEST_F(LocalFileSystem, ReadFolderLeavesOutTemporaryFilesAndRemovesOnlyStaleOnes) {
    tv::IFileOps& ops = tv::LocalFileOps();
    const std::string folder = m_dir.Path().string();
    std::string live;
    std::string closed;
    int liveFd = -1;
    int closedFd = -1;
    ASSERT_EQ(ops.CreateTemp(folder, "data", live, liveFd), 0);
    ASSERT_EQ(ops.CreateTemp(folder, "data", closed, closedFd), 0);
    ASSERT_EQ(ops.Close(closedFd), 0);
    tvtest::WriteFile(m_dir / ".~tv-data-Ab12Cd", "left by a killed run");
    fs::create_symlink("data", m_dir / ".~tv-link-Zz9999");
    tvtest::WriteFile(m_dir / ".~tv-notes.txt", "the user's own");

    tv::CFileInfo info;
    std::vector<tv::CFolderItem> items;
    ASSERT_EQ(tv::LocalFileSystem().ReadFolder(folder, info, items), 0);
    auto byName = ByName(items);
    EXPECT_EQ(items.size(), 6u);
    EXPECT_TRUE(byName.count(".~tv-notes.txt"));
    EXPECT_FALSE(fs::exists(m_dir / ".~tv-data-Ab12Cd"));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::is_symlink(m_dir / ".~tv-link-Zz9999"));
    CPlainFileSystem plain;
    ASSERT_EQ(plain.ReadFolder(folder, info, items), 0);
    EXPECT_EQ(items.size(), 6u);

    ASSERT_EQ(ops.Rename(closed, folder + "/data"), 0);
    EXPECT_EQ(ops.Close(liveFd), 0);
    EXPECT_EQ(ops.Unlink(live), 0);
}

TEST_F(LocalFileSystem, OtherCallsAndTheirErrors) {
    std::vector<tv::CDirEntry> entries;
    ASSERT_EQ(tv::LocalFileSystem().ListFolder(m_dir.Path().string(), entries), 0);
    EXPECT_EQ(entries.size(), 7u);
    EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                            [](const auto& e) { return e.m_type == tv::EntryType::Other; }),
              2);  // the FIFO and the dangling link
    tv::CFileInfo info;
    std::vector<tv::CFolderItem> items(3);
    EXPECT_EQ(tv::LocalFileSystem().ReadFolder((m_dir / "nope").string(), info, items), ENOENT);
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(tv::LocalFileSystem().ReadFolder((m_dir / "data").string(), info, items), ENOTDIR);
    EXPECT_EQ(tv::LocalFileSystem().GetInfo((m_dir / "dangling").string(), info), ENOENT);
    ASSERT_EQ(tv::LocalFileSystem().GetInfo((m_dir / "link").string(), info), 0);
    EXPECT_TRUE(info.m_attributes & tv::attr::kReparsePoint);
    EXPECT_EQ(tv::SystemErrorText(ENOENT), "No such file or directory");

    std::unique_ptr<tv::IReadFile> file;
    ASSERT_EQ(tv::LocalFileSystem().OpenRead((m_dir / "link").string(), file), 0);
    char buffer[16];
    EXPECT_EQ(file->Read(buffer, sizeof buffer), 5);
    EXPECT_EQ(file->Read(buffer, sizeof buffer), 0);
    EXPECT_EQ(tv::LocalFileSystem().OpenRead((m_dir / "nope").string(), file), ENOENT);
}

}  // namespace
