// Load skin and Unload skin: what is worn, what is stored as "Skin", and what a skin that
// cannot be worn leaves in place.
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/Skins.h"

namespace tvtest {
namespace {

namespace fs = std::filesystem;

class SkinsTest : public ::testing::Test {
  protected:
    SkinsTest() {
        tv::AddMainWindowStrings();
        fs::create_directories(m_program);
        WriteFile(m_home.Root() / "calm.qss", kCalm);
        WriteFile(m_home.Root() / "picture.qss", std::string("PNG\0\x1a", 5));
    }
    std::string Stored() const {
        return m_profile.GetProfileString(tv::profkey::kAppSection, tv::profkey::kSkin);
    }
    std::string Path(const std::string& name) const { return (m_home.Root() / name).string(); }
    // Load skin with the file dialog answering `name`.
    std::optional<std::string> Load(const std::string& name) {
        m_dialogs.m_files.push_back(Path(name));
        return m_skins.LoadSkin();
    }

    static constexpr const char* kCalm = "QWidget { background: #202020; }\n";
    CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
    CScriptedDialogs m_dialogs;
    const fs::path m_program = m_home.Root() / "prefix/bin";
    tv::CSkins m_skins{tv::LocalFileSystem(), m_profile, m_dialogs, m_program.string() + "/"};
};

TEST_F(SkinsTest, ALoadedSkinIsWornStoredAndWornAgainUntilUnloaded) {
    EXPECT_EQ(m_skins.StoredSheet(), "") << "the desktop's look at first";
    EXPECT_EQ(Load("calm.qss"), kCalm);
    EXPECT_EQ(Stored(), Path("calm.qss"));
    EXPECT_EQ(m_skins.StoredSheet(), kCalm);

    m_dialogs.m_files.push_back(std::nullopt);
    EXPECT_EQ(m_skins.LoadSkin(), std::nullopt) << "canceled";
    EXPECT_EQ(Stored(), Path("calm.qss"));

    m_skins.UnloadSkin();
    EXPECT_EQ(m_skins.StoredSheet(), "");
    EXPECT_EQ(Stored(), "");
    EXPECT_EQ(m_dialogs.m_asked.size(), 2u) << "two file dialogs and no message";
}

TEST_F(SkinsTest, ASkinThatCannotBeWornIsSaidAndChangesNothing) {
    ASSERT_EQ(Load("calm.qss"), kCalm);
    m_dialogs.m_asked.clear();

    EXPECT_EQ(Load("missing.qss"), std::nullopt);
    EXPECT_EQ(Load("picture.qss"), std::nullopt);
    ASSERT_EQ(m_dialogs.m_asked.size(), 4u);
    EXPECT_NE(m_dialogs.m_asked[1].find("could not be loaded"), std::string::npos);
    EXPECT_NE(m_dialogs.m_asked[1].find(Path("missing.qss")), std::string::npos);
    EXPECT_NE(m_dialogs.m_asked[3].find("not a style sheet"), std::string::npos);
    EXPECT_NE(m_dialogs.m_asked[3].find(Path("picture.qss")), std::string::npos);
    EXPECT_EQ(Stored(), Path("calm.qss")) << "the skin worn before stays stored";

    // A stored skin gone at the next start: said, not worn, and still stored for when it
    // comes back.
    fs::remove(Path("calm.qss"));
    EXPECT_EQ(m_skins.StoredSheet(), "");
    EXPECT_NE(m_dialogs.m_asked.back().find("could not be loaded"), std::string::npos);
    EXPECT_EQ(Stored(), Path("calm.qss"));
}

}  // namespace
}  // namespace tvtest
