#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>

#include <sys/stat.h>
#include <unistd.h>

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

std::vector<tv::CFolderItem> ReadAll(const std::string& path, tv::CFileInfo& folder) {
    std::vector<tv::CFolderItem> items;
    EXPECT_EQ(tv::ListFolder(tv::LocalFileSystem(), path, folder, items), 0);
    return items;
}

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
    const std::vector<tv::CFolderItem> items = ReadAll(m_dir.Path().string(), folder);
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
    EXPECT_TRUE(byName["sublink"].m_info.m_bSymlink);
    EXPECT_TRUE(byName["sublink"].m_info.m_attributes & tv::attr::kReparsePoint);
    EXPECT_EQ(byName["sublink"].m_info.m_inode, byName["sub"].m_info.m_inode);

    // A single stat of an entry tells the same as the listing.
    for (const auto& [name, item] : byName) {
        tv::CFileInfo info;
        ASSERT_EQ(tv::LocalFileSystem().Stat((m_dir / name).string(), info, tv::LinkMode::Follow),
                  0);
        EXPECT_EQ(info.m_bSymlink, item.m_info.m_bSymlink) << name;
        EXPECT_EQ(info.m_attributes, item.m_info.m_attributes) << name;
        EXPECT_EQ(info.m_lastWrite, item.m_info.m_lastWrite) << name;
    }
}

// A killed run leaves its temporary files behind; a run still copying holds its own, even
// after it closed one to rename it.
TEST_F(LocalFileSystem, ReadFolderLeavesOutTemporaryFilesAndRemovesOnlyStaleOnes) {
    tv::IFileSystem& ops = tv::LocalFileSystem();
    const std::string folder = m_dir.Path().string();
    std::string live;
    std::string closed;
    int liveFd = -1;
    int closedFd = -1;
    ASSERT_EQ(ops.CreateTemp(folder, "data", 0600, live, liveFd), 0);
    ASSERT_EQ(ops.CreateTemp(folder, "data", 0600, closed, closedFd), 0);
    ASSERT_EQ(ops.Close(closedFd), 0);
    tvtest::WriteFile(m_dir / ".~tv-data-Ab12Cd", "left by a killed run");
    fs::create_symlink("data", m_dir / ".~tv-link-Zz9999");
    tvtest::WriteFile(m_dir / ".~tv-notes.txt", "the user's own");

    tv::CFileInfo info;
    const std::vector<tv::CFolderItem> items = ReadAll(folder, info);
    auto byName = ByName(items);
    EXPECT_EQ(items.size(), 6u);
    EXPECT_TRUE(byName.count(".~tv-notes.txt"));
    EXPECT_FALSE(fs::exists(m_dir / ".~tv-data-Ab12Cd"));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::is_symlink(m_dir / ".~tv-link-Zz9999"));

    ASSERT_EQ(ops.Rename(closed, folder + "/data"), 0);
    EXPECT_EQ(ops.Close(liveFd), 0);
    EXPECT_EQ(ops.Unlink(live), 0);
}

TEST_F(LocalFileSystem, OtherCallsAndTheirErrors) {
    tv::IFileSystem& local = tv::LocalFileSystem();
    std::vector<std::string> names;
    ASSERT_EQ(local.ListNames(m_dir.Path().string(), names), 0);
    EXPECT_EQ(names.size(), 7u);  // the FIFO and the dangling link too
    EXPECT_EQ(local.ListNames((m_dir / "sublink").string(), names), ENOTDIR);
    tv::CFileInfo info;
    std::vector<tv::CFolderItem> items(3);
    const auto none = [](std::vector<tv::CFolderItem>&) { return 0; };
    EXPECT_EQ(local.ReadFolder((m_dir / "nope").string(), info, items, none), ENOENT);
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(local.ReadFolder((m_dir / "data").string(), info, items, none), ENOTDIR);
    EXPECT_EQ(local.Stat((m_dir / "dangling").string(), info, tv::LinkMode::Follow), ENOENT);
    ASSERT_EQ(local.Stat((m_dir / "dangling").string(), info, tv::LinkMode::NoFollow), 0);
    EXPECT_TRUE(info.m_bSymlink);
    EXPECT_EQ(info.m_type, tv::EntryType::Other);
    ASSERT_EQ(local.Stat((m_dir / "link").string(), info, tv::LinkMode::Follow), 0);
    EXPECT_TRUE(info.m_attributes & tv::attr::kReparsePoint);
    EXPECT_EQ(info.m_size, 5u);
    EXPECT_EQ(info.Mode(), 0640u);
    EXPECT_EQ(tv::SystemErrorText(ENOENT), "No such file or directory");

    int file = -1;
    ASSERT_EQ(local.OpenRead((m_dir / "link").string(), file), 0);
    char buffer[16];
    size_t got = 0;
    EXPECT_EQ(local.Read(file, 0, buffer, sizeof buffer, got), 0);
    EXPECT_EQ(got, 5u);
    EXPECT_EQ(local.Read(file, 5, buffer, sizeof buffer, got), 0);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(local.Close(file), 0);
    EXPECT_EQ(local.OpenRead((m_dir / "nope").string(), file), ENOENT);
}

}  // namespace
