// The main window's language files against its built-in texts.
#include <fstream>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "base/StringTable.h"
#include "uimodel/MainWindowStrings.h"

namespace {

std::map<int, std::string> ReadLang(const std::string& language) {
    std::ifstream in(std::string(TWINVALE_SOURCE_DIR) + "/lang/" + language + "/main.lang");
    std::map<int, std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) {
            EXPECT_TRUE(lines.emplace(std::stoi(line.substr(0, eq)), line.substr(eq + 1)).second)
                << language << ": id given twice: " << line;
        }
    }
    return lines;
}

// The printf conversions of a text, in order: a translation must take the same arguments.
std::string Conversions(const std::string& text) {
    std::string out;
    for (size_t i = text.find('%'); i != std::string::npos; i = text.find('%', i + 1)) {
        const size_t end = text.find_first_not_of("-+ #0123456789.", i + 1);
        if (end == std::string::npos) {
            break;
        }
        out += text.substr(i, end - i + 1);
        i = end;
    }
    return out;
}

TEST(MainStrings, TheEnglishFileHoldsTheBuiltInTextsAndTheGermanOneTranslatesEach) {
    tv::AddMainWindowStrings();
    const auto english = ReadLang("English");
    const auto german = ReadLang("German");
    ASSERT_GT(english.size(), 100u);
    ASSERT_TRUE(tv::LoadLanguageFile(std::string(TWINVALE_SOURCE_DIR) + "/lang/English/main.lang"));
    for (const auto& [id, text] : english) {
        EXPECT_EQ(tv::LoadString(id), tv::LoadBuiltInString(id)) << id;
        EXPECT_FALSE(tv::LoadBuiltInString(id).empty()) << id;
        ASSERT_TRUE(german.contains(id)) << "no German text for " << id;
        EXPECT_EQ(Conversions(german.at(id)), Conversions(text)) << id;
    }
    EXPECT_EQ(german.size(), english.size());
    for (int id : {tv::IDS_MW_CAPTION, tv::IDS_MW_TIP_SCHEDULE, tv::IDS_MW_CTX_ADVANCED}) {
        EXPECT_TRUE(english.contains(id)) << id;
    }
    tv::ResetLanguage();
}

}  // namespace
