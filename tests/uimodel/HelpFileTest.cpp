#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "app/CliMain.h"
#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "support/TestEnv.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/HelpFile.h"
#include "uimodel/Languages.h"

namespace {

namespace fs = std::filesystem;

class HelpFileTest : public ::testing::Test {
  protected:
    HelpFileTest() {
        tv::AddDialogStrings();
        fs::create_directories(m_dir / "bin");
    }
    ~HelpFileTest() override { tv::ResetLanguage(); }

    std::string Program() const { return (m_dir / "bin").string() + "/"; }
    fs::path Put(const std::string& relative) {
        const fs::path path = m_dir / relative;
        fs::create_directories(path.parent_path());
        tvtest::WriteFile(path, "<html></html>");
        return path;
    }

    tvtest::CTempDir m_dir;
};

TEST_F(HelpFileTest, TheGuideBesideTheProgramComesBeforeTheInstalledOnes) {
    EXPECT_EQ(tv::HelpFilePath(tv::LocalFileSystem(), Program()), "");
    Put("share/twinvale/Twinvale.html");
    EXPECT_EQ(tv::HelpFilePath(tv::LocalFileSystem(), Program()),
              Program() + "../share/twinvale/Twinvale.html");
    Put("share/doc/twinvale/Twinvale.html");
    EXPECT_EQ(tv::HelpFilePath(tv::LocalFileSystem(), Program()),
              Program() + "../share/doc/twinvale/Twinvale.html");
    Put("bin/Twinvale.html");
    EXPECT_EQ(tv::HelpFilePath(tv::LocalFileSystem(), Program()), Program() + "Twinvale.html");
}

TEST_F(HelpFileTest, ALanguageGuideIsTakenWhenThereAndTheEnglishOneOtherwise) {
    Put("bin/Twinvale.html");
    fs::create_directories(m_dir / "bin/Twinvale-de.html");  // a folder is no guide
    tvtest::WriteFile(m_dir / "German.lang", "456=Deutsch\n462=Twinvale-de.html\n");
    ASSERT_TRUE(tv::LoadLanguageFile(tv::LocalFileSystem(), (m_dir / "German.lang").string()));
    EXPECT_EQ(tv::HelpFilePath(tv::LocalFileSystem(), Program()), Program() + "Twinvale.html");

    Put("share/doc/twinvale/Twinvale-de.html");
    EXPECT_EQ(tv::HelpFilePath(tv::LocalFileSystem(), Program()),
              Program() + "../share/doc/twinvale/Twinvale-de.html");

    tvtest::WriteFile(m_dir / "Bad.lang", "462=../../etc/passwd\n");
    ASSERT_TRUE(tv::LoadLanguageFile(tv::LocalFileSystem(), (m_dir / "Bad.lang").string()));
    EXPECT_EQ(tv::HelpFilePath(tv::LocalFileSystem(), Program()), Program() + "Twinvale.html");
}

// The message of Help names the guide it looked for and says why it cannot be shown.
TEST_F(HelpFileTest, AGuideThatCannotBeShownIsNamedWithTheReason) {
    const auto missing = tv::OpenHelpFile(tv::LocalFileSystem(), Program());
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(missing->m_strPath, Program() + "Twinvale.html");
    EXPECT_NE(missing->m_strReason.find("not installed"), std::string::npos);

    Put("share/doc/twinvale/Twinvale.html");
    setenv("TWINVALE_OPEN_CMD", "true", 1);
    const auto shown = tv::OpenHelpFile(tv::LocalFileSystem(), Program());
    unsetenv("TWINVALE_OPEN_CMD");
    EXPECT_FALSE(shown.has_value());
}

std::string Guide() {
    return tvtest::ReadFile(fs::path(TWINVALE_SOURCE_DIR) / "docs/help/Twinvale.html");
}

// Runs of blanks and line breaks as one blank, as a browser shows them.
std::string Squeezed(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const bool blank = c == ' ' || c == '\n';
        if (!blank || (!out.empty() && out.back() != ' ')) {
            out += blank ? ' ' : c;
        }
    }
    return out;
}

TEST(ShippedGuide, EveryLinkOfTheContentsLeadsToASection) {
    const std::string guide = Guide();
    ASSERT_FALSE(guide.empty());
    int links = 0;
    for (size_t at = guide.find("href=\"#"); at != std::string::npos;
         at = guide.find("href=\"#", at + 1), ++links) {
        const size_t start = at + 7;
        const std::string id = guide.substr(start, guide.find('"', start) - start);
        EXPECT_NE(guide.find("id=\"" + id + "\""), std::string::npos) << id;
    }
    EXPECT_GE(links, 10);
}

TEST(ShippedGuide, TellsTheExitCodesThatTheProgramsHelpTells) {
    const std::string guide = Squeezed(Guide());
    std::istringstream help(tv::HelpText().substr(tv::HelpText().find("Exit status of a run")));
    std::string line, block;
    std::getline(help, line);
    while (std::getline(help, line) && !line.empty()) {
        block += line + "\n";
    }
    for (char code = '0'; code <= '3'; ++code) {
        const size_t start = block.find(std::string("  ") + code + "  ");
        ASSERT_NE(start, std::string::npos) << code;
        const size_t end = block.find(std::string("\n  ") + char(code + 1) + "  ");
        std::string meaning = Squeezed(block.substr(start + 5, end - start - 5));
        if (meaning.ends_with(' ')) {
            meaning.pop_back();
        }
        EXPECT_NE(guide.find("<td>" + std::string(1, code) + "</td><td>" + meaning + "</td>"),
                  std::string::npos)
            << meaning;
    }
}

TEST(ShippedGuide, TheBuiltProgramFindsItsGuide) {
    // The tests live in <build>/tests, the program in <build>/src.
    const fs::path program = fs::path(tv::OwnExecutable()).parent_path().parent_path() / "src";
    if (!fs::exists(program / "mirrant")) {
        GTEST_SKIP() << "the program is not built";
    }
    tv::AddDialogStrings();
    EXPECT_EQ(tv::HelpFilePath(tv::LocalFileSystem(), program.string() + "/"),
              program.string() + "/Twinvale.html");
}

}  // namespace
