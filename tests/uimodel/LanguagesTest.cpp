#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <vector>

#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "support/TestEnv.h"
#include "uimodel/AdvancedStrings.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/FtpDialogStrings.h"
#include "uimodel/Languages.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/RunWindowStrings.h"
#include "uimodel/WizardStrings.h"

namespace {

namespace fs = std::filesystem;
using tv::CLanguageCatalog;

class LanguageCatalogTest : public ::testing::Test {
  protected:
    ~LanguageCatalogTest() override { tv::ResetLanguage(); }

    std::string Folder(const std::string& name) {
        fs::create_directories(m_dir / name);
        return (m_dir / name).string();
    }

    tvtest::CTempDir m_dir;
};

TEST_F(LanguageCatalogTest, NamedLanguageFilesGetSlotsAndEverythingElseIsPassedOver) {
    const std::string folder = Folder("Synch");
    tvtest::WriteFile(fs::path(folder) / "German.lang", "103=Verzeichnisse\r\n456=Deutsch\r\n");
    tvtest::WriteFile(fs::path(folder) / "English.lang", "456=English\n103=Investigating\n");
    tvtest::WriteFile(fs::path(folder) / "Broken.lang", std::string("\x00\xff=\n=456\n4", 10));
    tvtest::WriteFile(fs::path(folder) / "Unnamed.lang", "456=\n103=x\n");
    tvtest::WriteFile(fs::path(folder) / "French.txt", "456=Francais\n");
    fs::create_directories(fs::path(folder) / "Dutch.lang");
    tvtest::WriteFile(fs::path(folder) / "Dutch.lang" / "x.lang", "456=Nederlands\n");

    CLanguageCatalog catalog(tv::LocalFileSystem());
    catalog.LoadFrom({folder});

    EXPECT_EQ(catalog.Count(), 2);
    EXPECT_EQ(catalog.Name(0), "English");
    EXPECT_EQ(catalog.Name(1), "Deutsch");
    EXPECT_EQ(catalog.SlotOf("Deutsch"), 1);
    EXPECT_EQ(catalog.SlotOf("Klingon"), 0);
    EXPECT_EQ(catalog.SlotOf(""), 0);
    EXPECT_EQ(catalog.Name(2), "");
    EXPECT_FALSE(catalog.Select(2));
    EXPECT_FALSE(catalog.Select(-1));
}

TEST_F(LanguageCatalogTest, SelectingSwitchesEveryTextAndSlotZeroSwitchesBack) {
    const std::string folder = Folder("Synch");
    tvtest::WriteFile(fs::path(folder) / "German.lang",
                      "456=Deutsch\n103=Verzeichnisse\n20022=Erste %s\\nZweite %s C:\\\\x \\d\n");
    CLanguageCatalog catalog(tv::LocalFileSystem());
    catalog.LoadFrom({folder});

    ASSERT_TRUE(catalog.Select(1));
    EXPECT_EQ(tv::LoadString(tv::IDS_INVESTIGATING), "Verzeichnisse");
    EXPECT_EQ(tv::LoadString(tv::IDS_OVERWRITE_TARGET), "Erste %s\nZweite %s C:\\x \\d");
    // The menu keeps naming the built-in language by its own name.
    EXPECT_EQ(catalog.Name(0), "English");
    EXPECT_EQ(catalog.SlotOf(tv::LoadString(tv::IDS_LANGUAGE_NAME)), 1);

    ASSERT_TRUE(catalog.Select(0));
    EXPECT_EQ(tv::LoadString(tv::IDS_INVESTIGATING), "Investigating directories");

    // A file of the built-in language takes no slot: slot 0 lays it over the built-in texts.
    tvtest::WriteFile(fs::path(folder) / "English.lang", "456=English\n103=Scanning folders\n");
    catalog.LoadFrom({folder});
    EXPECT_EQ(catalog.Count(), 2);
    ASSERT_TRUE(catalog.Select(1));
    ASSERT_TRUE(catalog.Select(0));
    EXPECT_EQ(tv::LoadString(tv::IDS_INVESTIGATING), "Scanning folders");
    EXPECT_EQ(tv::LoadString(tv::IDS_COPYING_FILES), "Copying files");
}

TEST_F(LanguageCatalogTest, AVanishedFileLeavesTheCurrentLanguageInPlace) {
    const std::string folder = Folder("Synch");
    tvtest::WriteFile(fs::path(folder) / "French.lang", "456=Francais\n103=Examen\n");
    tvtest::WriteFile(fs::path(folder) / "German.lang", "456=Deutsch\n103=Verzeichnisse\n");
    CLanguageCatalog catalog(tv::LocalFileSystem());
    catalog.LoadFrom({folder});
    ASSERT_TRUE(catalog.Select(catalog.SlotOf("Deutsch")));

    fs::remove(fs::path(folder) / "French.lang");
    EXPECT_FALSE(catalog.Select(catalog.SlotOf("Francais")));
    EXPECT_EQ(tv::LoadString(tv::IDS_INVESTIGATING), "Verzeichnisse");
}

TEST_F(LanguageCatalogTest, TwentyLanguagesAtMostInFileNameOrder) {
    const std::string folder = Folder("Synch");
    for (int i = 24; i >= 0; --i) {
        const std::string number = (i < 10 ? "0" : "") + std::to_string(i);
        tvtest::WriteFile(fs::path(folder) / ("L" + number + ".lang"), "456=Lang" + number + "\n");
    }
    CLanguageCatalog catalog(tv::LocalFileSystem());
    catalog.LoadFrom({folder});

    ASSERT_EQ(catalog.Count(), CLanguageCatalog::kMaxFiles + 1);
    EXPECT_EQ(catalog.Name(1), "Lang00");
    EXPECT_EQ(catalog.Name(20), "Lang19");
    EXPECT_EQ(catalog.SlotOf("Lang20"), 0);
}

TEST_F(LanguageCatalogTest, ALanguageFoundTwiceTakesTheFirstFolderAndOneSlot) {
    const std::string program = Folder("bin") + "/";
    const std::string beside = Folder("bin/Inter/Synch");
    const std::string installed = Folder("share/twinvale/Inter/Synch");
    tvtest::WriteFile(fs::path(beside) / "German.lang", "456=Deutsch\n103=Beside\n");
    tvtest::WriteFile(fs::path(installed) / "German.lang", "456=Deutsch\n103=Installed\n");
    tvtest::WriteFile(fs::path(installed) / "Polish.lang", "456=Polski\n");

    CLanguageCatalog catalog(tv::LocalFileSystem());
    catalog.LoadFrom({installed});
    ASSERT_EQ(catalog.Count(), 3);
    // A second Load starts over rather than adding to the first.
    catalog.Load(program);
    ASSERT_EQ(catalog.Count(), 2);
    ASSERT_TRUE(catalog.Select(1));
    EXPECT_EQ(tv::LoadString(tv::IDS_INVESTIGATING), "Beside");

    catalog.LoadFrom({beside, installed});
    EXPECT_EQ(catalog.Count(), 3);
    EXPECT_EQ(catalog.Name(2), "Polski");
}

// The shipped language files, part by part: every translation covers the English part's
// texts, keeps each conversion in its place, and the English parts are the built-in texts but
// for the spelling the English file corrects.
std::map<int, std::string> ReadPart(const fs::path& path) {
    std::map<int, std::string> texts;
    std::istringstream in(tvtest::ReadFile(path));
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) {
            EXPECT_TRUE(texts.emplace(std::stoi(line.substr(0, eq)), line.substr(eq + 1)).second)
                << path << ": id given twice: " << line;
        }
    }
    return texts;
}

// The printf conversions of a text in order ("%s%d"), flags and widths left out.
std::string Conversions(const std::string& text) {
    std::string out;
    for (size_t i = text.find('%'); i != std::string::npos; i = text.find('%', i + 1)) {
        i = text.find_first_not_of("-+ #0123456789.", i + 1);
        if (i == std::string::npos) {
            break;
        }
        out += '%';
        out += text[i];
    }
    return out;
}

TEST(ShippedLanguages, TranslationsMatchTheEnglishPartsConversionForConversion) {
    const fs::path root = fs::path(TWINVALE_SOURCE_DIR) / "lang";
    int parts = 0;
    for (const auto& language : fs::directory_iterator(root)) {
        if (language.path().filename() == "English") {
            continue;
        }
        for (const auto& part : fs::directory_iterator(root / "English")) {
            SCOPED_TRACE(language.path().filename().string() + "/" +
                         part.path().filename().string());
            const auto english = ReadPart(part.path());
            const auto translated = ReadPart(language.path() / part.path().filename());
            for (const auto& [id, text] : english) {
                const auto it = translated.find(id);
                ASSERT_NE(it, translated.end()) << "no text " << id;
                EXPECT_EQ(Conversions(it->second), Conversions(text)) << "text " << id;
            }
            EXPECT_EQ(translated.size(), english.size());
            ++parts;
        }
    }
    EXPECT_GT(parts, 0);
}

// The built-in texts that the English file spells right.
const std::set<int> kCorrected = {tv::IDS_MW_CONFIRM_DELETE, tv::IDS_MW_UNFINISHED_TASKS,
                                  tv::IDS_MW_CONFIRM_UNLOCK};

TEST(ShippedLanguages, TheEnglishPartsAreTheBuiltInTexts) {
    tv::AddDialogStrings();
    tv::AddMainWindowStrings();
    tv::AddRunWindowStrings();
    tv::AddFtpDialogStrings();
    tv::AddAdvancedStrings();
    tv::AddWizardStrings();
    const std::map<std::string, std::vector<int>> parts = {
        {"advanced.lang", {tv::IDS_ADV_CAPTION, tv::IDS_RT_TIP_NO_INIT, tv::IDS_WIZ_READY}},
        {"core.lang", {tv::IDS_INVESTIGATING}},
        {"dialogs.lang", {}},
        {"ftp.lang", {tv::IDS_FTPDLG_CAPTION, tv::IDS_CERT_EMAIL}},
        {"main.lang", {tv::IDS_MW_CAPTION, tv::IDS_MW_TIP_SCHEDULE, tv::IDS_MW_CTX_ADVANCED}},
        {"run.lang", {tv::IDS_RUNWIN_SHUTDOWN, tv::IDS_RUNWIN_CHOOSE, tv::IDS_RUNWIN_OK}},
    };
    for (const auto& [name, required] : parts) {
        const fs::path part = fs::path(TWINVALE_SOURCE_DIR) / "lang/English" / name;
        SCOPED_TRACE(name);
        ASSERT_TRUE(tv::LoadLanguageFile(tv::LocalFileSystem(), part.string()));
        const auto texts = ReadPart(part);
        EXPECT_GT(texts.size(), 20u);
        for (const auto& [id, text] : texts) {
            const std::string builtIn = tv::LoadBuiltInString(id);
            EXPECT_FALSE(builtIn.empty()) << "text " << id;
            if (kCorrected.contains(id)) {
                EXPECT_NE(tv::LoadString(id), builtIn) << "text " << id << " corrects nothing";
                EXPECT_EQ(Conversions(text), Conversions(builtIn)) << "text " << id;
            } else {
                EXPECT_EQ(tv::LoadString(id), builtIn) << "text " << id;
            }
        }
        for (const int id : required) {
            EXPECT_TRUE(texts.contains(id)) << "text " << id;
        }
    }
    // No shipped text is refused for its conversions once every part's texts are in.
    for (const auto& language : fs::directory_iterator(fs::path(TWINVALE_SOURCE_DIR) / "lang")) {
        for (const auto& [name, required] : parts) {
            std::ostringstream warnings;
            ASSERT_TRUE(tv::LoadLanguageFile(tv::LocalFileSystem(),
                                             (language.path() / name).string(), warnings));
            EXPECT_EQ(warnings.str(), "");
        }
    }
    tv::ResetLanguage();
}

}  // namespace
