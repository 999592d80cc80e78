#include "platform/DiscRecorder.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "support/TestEnv.h"

namespace fs = std::filesystem;

namespace {

TEST(DiscPath, RecorderAddressesAreSplitFromTheFolderChain) {
    struct Case {
        const char* path;
        bool disc;
        const char* drive;
        const char* folder;
    };
    const Case cases[] = {
        {"/dev/sr0/Backup/2026", true, "/dev/sr0", "Backup/2026"},
        {"/dev/sr12", true, "/dev/sr12", ""},
        {"/dev/sr1//a///b/./c", true, "/dev/sr1", "a/b/c"},
        {"/dev/sr1/a/../../etc", false, "", ""},
        {"stdio:/x/disc.iso/Backup", true, "stdio:/x/disc.iso", "Backup"},
        {"stdio:/x.iso.d/y/DISC.ISO", true, "stdio:/x.iso.d/y/DISC.ISO", ""},
        {"stdio:/x/a.iso/b.iso/c", true, "stdio:/x/a.iso", "b.iso/c"},
        {"stdio:/x/disc/Backup", false, "", ""},
        {"stdio:.iso", false, "", ""},
        {"/dev/sr", false, "", ""},
        {"/dev/sr0x/a", false, "", ""},
        {"/dev/sda1/a", false, "", ""},
        {"/home/u/stdio:/a.iso", false, "", ""},
    };
    for (const Case& c : cases) {
        std::string drive;
        std::string folder;
        EXPECT_EQ(tv::SplitDiscPath(c.path, drive, folder), c.disc) << c.path;
        if (c.disc) {
            EXPECT_EQ(drive, c.drive) << c.path;
            EXPECT_EQ(folder, c.folder) << c.path;
        }
    }
}

int Shell(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ImageFileBurn : public ::testing::Test {
  protected:
    bool Burn(const std::vector<tv::CDiscImageEntry>& entries, std::string& error) {
        return tv::SystemDiscRecorder().Burn("stdio:" + Image().string(), entries,
                                             tv::EjectMode::Keep, nullptr, error);
    }
    fs::path Image() const { return m_dir / "disc.iso"; }
    // Whether xorriso finds `path` in the image.
    bool Holds(const std::string& path) const {
        return Shell("xorriso -indev '" + Image().string() +
                     "' -find 2>/dev/null | grep -qxF \"'./" + path + "'\"") == 0;
    }

    tvtest::CTempDir m_dir;
};

// The image file stands for a disc that holds the last good backup: a burn that fails halfway
// must not have overwritten it.
TEST_F(ImageFileBurn, AFailedBurnKeepsTheOldImageAndNoScratchImageOutlivesItsWriter) {
    if (Shell("command -v xorriso") != 0) {
        GTEST_SKIP() << "xorriso is needed";
    }
    tvtest::WriteFile(m_dir / "a.txt", "alpha");
    std::string error;
    ASSERT_TRUE(Burn({{"B", ""}, {"B/a.txt", (m_dir / "a.txt").string()}}, error)) << error;
    ASSERT_TRUE(Holds("B/a.txt"));

    EXPECT_FALSE(Burn({{"B", ""}, {"B/gone", (m_dir / "gone").string()}}, error));
    EXPECT_NE(error.find("gone"), std::string::npos) << error;
    EXPECT_TRUE(Holds("B/a.txt"));

    // What a killed burn left beside the image goes with the next burn; a live writer's stays.
    const fs::path stale = m_dir / ".disc.iso.burning4194305";
    const fs::path live = m_dir / (".disc.iso.burning" + std::to_string(getpid() == 1 ? 2 : 1));
    tvtest::WriteFile(stale, "half an image");
    tvtest::WriteFile(live, "being written");
    ASSERT_TRUE(Burn({{"B", ""}, {"B/a.txt", (m_dir / "a.txt").string()}}, error)) << error;
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(live));
    fs::remove(live);
    for (const auto& entry : fs::directory_iterator(m_dir.Path())) {
        EXPECT_TRUE(entry.path() == Image() || entry.path().filename() == "a.txt") << entry.path();
    }
}

TEST_F(ImageFileBurn, AnAddressWithoutAFolderIsNoRecorder) {
    tv::IDiscRecorder& recorder = tv::SystemDiscRecorder();
    const std::string missing = "stdio:" + (m_dir / "no" / "disc.iso").string();
    EXPECT_FALSE(recorder.IsRecorder(missing));
    EXPECT_FALSE(recorder.IsReady(missing));
    EXPECT_TRUE(recorder.IsReady("stdio:" + Image().string()));
    std::string error;
    EXPECT_FALSE(recorder.Burn(missing, {}, tv::EjectMode::Keep, nullptr, error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
