#include "platform/Folders.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/FileSystem.h"
#include "support/TestEnv.h"

namespace fs = std::filesystem;

TEST(Folders, XdgVariablesWinWhenAbsoluteElseHomeDefaults) {
    tvtest::CIsolatedHome home;
    std::string root = home.Root();
    EXPECT_EQ(tv::XdgConfigHome(), home.ConfigHome().string());
    EXPECT_EQ(tv::XdgStateHome(), home.StateHome().string());

    setenv("XDG_DATA_HOME", (root + "/elsewhere/").c_str(), 1);
    EXPECT_EQ(tv::XdgDataHome(), root + "/elsewhere");
    setenv("XDG_DATA_HOME", "relative/path", 1);
    EXPECT_EQ(tv::XdgDataHome(), root + "/.local/share");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(tv::XdgConfigHome(), root + "/.config");
}

TEST(Folders, ProgramDataFolderIsNamedWithoutTrailingSlashAndMadeByItsWriters) {
    tvtest::CIsolatedHome home;
    setenv("XDG_DATA_HOME", (home.Root() / "deep" / "data/").c_str(), 1);
    std::string folder = tv::ProgramDataFolder();
    EXPECT_EQ(folder, (home.Root() / "deep" / "data" / "Twinvale").string());
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(tv::EnsureFolder(tv::LocalFileSystem(), folder));
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST(Folders, ProgramFolderAlwaysEndsWithSlash) {
    std::string own = tv::ProgramFolder("");
    ASSERT_EQ(own.back(), '/');
    EXPECT_EQ(fs::path(own), fs::read_symlink("/proc/self/exe").parent_path() / "");
    EXPECT_EQ(tv::ProgramFolder("/opt/twinvale"), "/opt/twinvale/");
    EXPECT_EQ(tv::ProgramFolder("/opt/twinvale/"), "/opt/twinvale/");
}

TEST(Folders, UserDirsFileNamesDocumentsAndDesktop) {
    tvtest::CIsolatedHome home;
    std::string root = home.Root();
    EXPECT_EQ(tv::DocumentsFolder(tv::LocalFileSystem()), root + "/Documents");
    EXPECT_EQ(tv::DesktopFolder(tv::LocalFileSystem()), root + "/Desktop");

    fs::create_directories(home.Root() / "Papers \"A\"");
    tvtest::WriteFile(home.ConfigHome() / "user-dirs.dirs",
                      "# written by xdg-user-dirs-update\n"
                      "XDG_DOCUMENTS_DIR=\"$HOME/Papers \\\"A\\\"\"\n"
                      "XDG_DESKTOP_DIR=\"" +
                          root + "/gone\"\n");
    EXPECT_EQ(tv::DocumentsFolder(tv::LocalFileSystem()), root + "/Papers \"A\"");
    // A named folder that does not exist falls back to the usual name.
    EXPECT_EQ(tv::DesktopFolder(tv::LocalFileSystem()), root + "/Desktop");
}

TEST(Folders, EnsureFolderCreatesParentsAndRefusesFiles) {
    tvtest::CTempDir dir;
    tv::IFileSystem& local = tv::LocalFileSystem();
    EXPECT_TRUE(tv::EnsureFolder(local, dir / "a" / "b" / "c/"));
    EXPECT_TRUE(fs::is_directory(dir / "a" / "b" / "c"));
    EXPECT_TRUE(tv::EnsureFolder(local, dir / "a"));
    tvtest::WriteFile(dir / "file", "x");
    int error = 0;
    EXPECT_FALSE(tv::EnsureFolder(local, dir / "file", &error));
    EXPECT_EQ(error, ENOTDIR);
    EXPECT_FALSE(tv::EnsureFolder(local, dir / "file" / "sub", &error));
    EXPECT_EQ(error, ENOTDIR);
}
