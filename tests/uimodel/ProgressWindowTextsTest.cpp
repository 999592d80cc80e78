// The run windows' language files against their built-in texts.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

#include "base/StringTable.h"
#include "uimodel/RunWindowStrings.h"

namespace {

std::map<int, std::string> ReadLang(const std::string& language) {
    std::ifstream in(std::string(TWINVALE_SOURCE_DIR) + "/lang/" + language + "/run.lang");
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

// The count of printf conversions: a translation takes the same arguments.
size_t Conversions(const std::string& text) {
    size_t count = 0;
    for (size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 1)) {
        ++count;
    }
    return count;
}

TEST(ProgressWindowTexts, EnglishFileHoldsTheBuiltInTextsAndGermanTranslatesEach) {
    tv::AddRunWindowStrings();
    const auto english = ReadLang("English");
    const auto german = ReadLang("German");
    ASSERT_GT(english.size(), 20u);
    for (int id : {tv::IDS_RUNWIN_SHUTDOWN, tv::IDS_RUNWIN_CHOOSE, tv::IDS_RUNWIN_OK}) {
        EXPECT_TRUE(english.contains(id)) << id;
    }
    for (const auto& [id, text] : english) {
        EXPECT_EQ(text, tv::LoadBuiltInString(id)) << id;
        ASSERT_TRUE(german.contains(id)) << "no German text for " << id;
        EXPECT_EQ(Conversions(german.at(id)), Conversions(text)) << id;
    }
    EXPECT_EQ(german.size(), english.size());
}

}  // namespace
