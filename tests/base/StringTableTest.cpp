#include "base/StringTable.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

class LanguageFile : public ::testing::Test {
  protected:
    ~LanguageFile() override { tv::ResetLanguage(); }
};

// Texts are formatted with the arguments of the built-in ones, so a language file (anyone can
// write one) must never put in a text whose conversions take other arguments.
TEST_F(LanguageFile, TextsThatWouldTakeOtherArgumentsAreRefusedAndTheBuiltInOnesStay) {
    const std::pair<int, const char*> refused[] = {
        {tv::IDS_CANT_OPEN, "%s: %s"},                   // one more
        {tv::IDS_NOT_FOUND, "%d fehlt"},                 // another type
        {tv::IDS_EMPTY_SIDE_QUESTION, "%d in %s, %s?"},  // another order
        {tv::IDS_LOG_TOTAL_COPIED, "Kopiert: %ld"},      // another length
        {tv::IDS_ERROR_CODE, "Fehler %*d"},              // a width as argument
        {tv::IDS_LOG_TOTAL_DELETED, "%d%n"},             // a write through an argument
        {tv::IDS_CANT_COPY_FILE, "%1$s"},                // positional
        {tv::IDS_CANT_DELETE_FILE, "%.99999999s"},       // a huge precision
        {tv::IDS_CANT_CREATE_DIR, "%#s"},                // a flag %s does not take
        {tv::IDS_TASK_STARTED, "100%"},                  // a lone percent sign
        {99998, "kein eingebauter %s"},                  // no built-in text to follow
        {tv::IDS_PREVIEW_CAPTION, "Aufgabe %d %"},       // cut short
    };
    const std::pair<int, const char*> taken[] = {
        {tv::IDS_CANT_REMOVE_DIR, "%-30s entfernt, 100%% sicher"},
        {tv::IDS_LOG_COPIED_FROM_SOURCE, "Kopiert (%05i Dateien):"},
        {tv::IDS_INVESTIGATING, "Verzeichnisse"},
        {99999, "nur Text, 5%% davon"},
    };
    std::string content = "99999999999=kein Wert\n=leer\n";
    for (const auto& [id, text] : refused) {
        content += std::to_string(id) + "=" + text + "\r\n";
    }
    for (const auto& [id, text] : taken) {
        content += std::to_string(id) + "=" + text + "\n";
    }
    std::ostringstream warnings;
    tv::UseLanguageTexts(content, "Bad.lang", warnings);
    for (const auto& [id, text] : refused) {
        EXPECT_EQ(tv::LoadString(id), tv::LoadBuiltInString(id)) << text;
    }
    for (const auto& [id, text] : taken) {
        EXPECT_EQ(tv::LoadString(id), text);
    }
    EXPECT_EQ(tv::FormatText(tv::LoadString(tv::IDS_CANT_REMOVE_DIR).c_str(), "/x"),
              "/x" + std::string(28, ' ') + " entfernt, 100% sicher");
    // One line for the file, however many lines it refused.
    const std::string said = warnings.str();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("Bad.lang: 12 texts were refused"), std::string::npos) << said;
    EXPECT_NE(said.find("(121, 248, "), std::string::npos) << said;

    std::ostringstream quiet;
    tv::UseLanguageTexts("103=Verzeichnisse\n121=%s fehlt\n", "Good.lang", quiet);
    EXPECT_EQ(quiet.str(), "");
    EXPECT_EQ(tv::LoadString(tv::IDS_CANT_OPEN), "%s fehlt");
}

// Ids are read as scanf would read them, except that a number beyond int range is no id.
TEST(LanguageLine, IdsAreReadAsScanfWouldWithinIntRange) {
    int id = 0;
    std::string_view text;
    for (const auto& [line, expected] :
         {std::pair{" \t+12=x", 12}, {"12abc=x\r", 12}, {"2147483647=x", 2147483647}}) {
        EXPECT_TRUE(tv::ParseLanguageLine(line, &id, &text) && text == "x") << line;
        EXPECT_EQ(id, expected) << line;
    }
    for (const char* line : {"=x", "x=1", "+-5=x", "2147483648=x", "  =x"}) {
        EXPECT_FALSE(tv::ParseLanguageLine(line, &id, &text)) << line;
    }
}

}  // namespace
