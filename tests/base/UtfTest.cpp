#include <gtest/gtest.h>

#include "base/Utf.h"

namespace tv {
namespace {

TEST(Utf, EveryByteSurvivesTheTripThroughUtf16) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::string names[] = {all,        "caf\xC3\xA9",      "bad\xFF\xFEname", "\xED\xA0\x80",
                                 "\xC0\xAF", "\xF4\x90\x80\x80", "trunc\xE2\x82"};
    for (const auto& name : names) {
        EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(name)), name);
    }
}

TEST(Utf, ValidTextMapsToItsCodeUnits) {
    EXPECT_EQ(Utf8ToUtf16("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
              (std::u16string{u'A', 0xE9, 0x20AC, 0xD83D, 0xDE00}));
    EXPECT_EQ(Utf8ToUtf16("\xFF"), std::u16string(1, char16_t(0xDCFF)));
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // an encoded surrogate is not UTF-8
    EXPECT_FALSE(IsValidUtf8("\xC1\xBF"));      // overlong
}

TEST(Utf, LoneSurrogatesWithoutAByteBecomeReplacementCharacters) {
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', 0xD800, u'b'}),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC7F}), "\xEF\xBF\xBD");
}

TEST(Utf, Windows1252HighRangeDecodes) {
    EXPECT_EQ(Cp1252ToUtf8("\x80\x9F\xE9"), "\xE2\x82\xAC\xC5\xB8\xC3\xA9");
    EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xC2\x81");
}

TEST(Utf, CaseMappingKeepsStrayBytes) {
    EXPECT_EQ(Utf8ToUpper("*.doc \xC3\xA9t\xC3\xA9\xFF"), "*.DOC \xC3\x89T\xC3\x89\xFF");
    EXPECT_TRUE(Utf8EqualNoCase("C:/Data/\xC3\xA9", "c:/DATA/\xC3\x89"));
    EXPECT_FALSE(Utf8EqualNoCase("a\xFF", "A\xFE"));
    EXPECT_EQ(Utf8PrefixLengthNoCase("/DATA/temp", "/data"), 5u);
    EXPECT_EQ(Utf8PrefixLengthNoCase("/da", "/data"), std::string_view::npos);
}

}  // namespace
}  // namespace tv
