#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/Wildcard.h"

namespace {

TEST(Wildcard, MatchesWholeNamesCharacterByCharacter) {
    const struct {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"A?C", "AC", false},
        {"A*C", "AC", true},
        {"A*C", "ABBC", true},
        {"*.TMP", "X.TMPX", false},
        {"*AB", "AAB", true},
        {"A*B*C", "ABCB", false},
        {"*", "", true},
        {"", "A", false},
        {"*?", "", false},
        {"*?*?", "A", false},
        {"A**", "A", true},
        {"~*", "A~", false},
        // "?" is one code point, or one byte that is not UTF-8.
        {"?", "\xC3\x89", true},
        {"??", "\xC3\x89", false},
        {"A?", "A\xFF", true},
        {"??", "\xC3\x28", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tv::WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
    }
    // Backtracking over many stars must not explode.
    EXPECT_FALSE(tv::WildcardMatch("*A*A*A*A*A*A*A*A*A*A*B", std::string(20000, 'A')));
}

TEST(Wildcard, MaskListsSplitOnCommasSemicolonsAndBlanks) {
    using V = std::vector<std::string>;
    EXPECT_EQ(tv::SplitMaskList("*.TMP, *.BAK;~*"), (V{"*.TMP", "*.BAK", "~*"}));
    // A run of delimiters separates two masks rather than gluing the rest into one.
    EXPECT_EQ(tv::SplitMaskList(";*.TMP ; *.BAK,"), (V{"*.TMP", "*.BAK"}));
    EXPECT_TRUE(tv::SplitMaskList(" ;, ").empty());
}

}  // namespace
