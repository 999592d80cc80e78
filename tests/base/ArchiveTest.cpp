#include <gtest/gtest.h>

#include "base/Archive.h"

namespace tv {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) {
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

TEST(Archive, StringPrefixesAtEveryLengthBoundary) {
    for (size_t n :
         {size_t{0}, size_t{254}, size_t{255}, size_t{0xFFFD}, size_t{0xFFFE}, size_t{70000}}) {
        CArchiveWriter w;
        const std::string text(n, 'x');
        w.WriteString(text);
        const size_t prefix = n < 0xFF ? 4 : n < 0xFFFE ? 6 : 10;
        ASSERT_EQ(w.Bytes().size(), prefix + 2 * n) << n;
        CArchiveReader r(w.View());
        EXPECT_EQ(r.ReadString(), text);
        EXPECT_TRUE(r.AtEnd());
    }
}

TEST(Archive, EightBitStringsAreUtf8WhenValidElseWindows1252) {
    const auto bytes = Bytes({3, 'a', 0xC3, 0xA9, 2, 0xE9, 0x80, 0xFF, 0x02, 0x00, 'o', 'k'});
    CArchiveReader r(bytes);
    EXPECT_EQ(r.ReadString(), "a\xC3\xA9");
    EXPECT_EQ(r.ReadString(), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(r.ReadString(), "ok");  // long 8-bit prefix: 0xFF then a word
}

TEST(Archive, TimesWithMarkerAndOlderFourByteSeconds) {
    CArchiveWriter w;
    w.WriteTime(-5);
    w.WriteTime(0x123456789LL);
    w.WriteInt32(-2);  // an older file: the seconds without the marker
    CArchiveReader r(w.View());
    EXPECT_EQ(r.ReadTime(), -5);
    EXPECT_EQ(r.ReadTime(), 0x123456789LL);
    EXPECT_EQ(r.ReadTime(), -2);
}

TEST(Archive, CountsSwitchToFourBytesAtFFFF) {
    CArchiveWriter w;
    w.WriteCount(0xFFFE);
    w.WriteCount(0xFFFF);
    EXPECT_EQ(w.Bytes(), Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}));
    CArchiveReader r(w.View());
    EXPECT_EQ(r.ReadCount(), 0xFFFEu);
    EXPECT_EQ(r.ReadCount(), 0xFFFFu);
}

TEST(Archive, ObjectNumberingGivesClassAndObjectEachANumber) {
    CArchiveWriter w;
    w.WriteObjectHeader("CElement");  // class 1, object 2
    w.WriteObjectHeader("CTag");      // class 3, object 4
    w.WriteObjectHeader("CTag");      // object 5
    w.WriteObjectHeader("CElement");  // object 6
    EXPECT_EQ(w.Bytes(),
              Bytes({0xFF, 0xFF, 0, 0, 8, 0, 'C', 'E', 'l', 'e', 'm',  'e',  'n',  't',
                     0xFF, 0xFF, 0, 0, 4, 0, 'C', 'T', 'a', 'g', 0x03, 0x80, 0x01, 0x80}));
    CArchiveReader r(w.View());
    r.ReadObjectHeader("CElement");
    r.ReadObjectHeader("CTag");
    r.ReadObjectHeader("CTag");
    r.ReadObjectHeader("CElement");
    EXPECT_TRUE(r.AtEnd());
}

TEST(Archive, ClassNumbersPast7FFEUseTheLongForm) {
    CArchiveWriter w;
    for (int i = 0; i < 0x8000; ++i) {
        w.WriteObjectHeader("A");
    }
    w.WriteObjectHeader("B");  // class number 0x8002
    w.WriteObjectHeader("B");
    const auto& b = w.Bytes();
    EXPECT_EQ(std::vector<uint8_t>(b.end() - 6, b.end()), Bytes({0xFF, 0x7F, 2, 0x80, 0, 0x80}));
    CArchiveReader r(w.View());
    for (int i = 0; i < 0x8000; ++i) {
        r.ReadObjectHeader("A");
    }
    r.ReadObjectHeader("B");
    r.ReadObjectHeader("B");
    EXPECT_TRUE(r.AtEnd());
}

TEST(Archive, DamagedInputIsAnErrorNotAnAllocation) {
    const std::vector<std::vector<uint8_t>> damaged = {
        Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),  // 2 GiB string
        Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),
        Bytes({0x05, 'a'}),
    };
    for (const auto& bytes : damaged) {
        CArchiveReader r(bytes);
        EXPECT_THROW(r.ReadString(), CArchiveError);
    }
    const auto manyBytes = Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0});
    CArchiveReader many(manyBytes);
    EXPECT_THROW(many.ReadStringArray(), CArchiveError);
}

TEST(Archive, ObjectHeadersAreChecked) {
    const auto expectError = [](std::vector<uint8_t> bytes, const char* cls) {
        CArchiveReader r(bytes);
        EXPECT_THROW(r.ReadObjectHeader(cls), CArchiveError);
    };
    expectError(Bytes({0xFF, 0xFF, 1, 0, 4, 0, 'C', 'T', 'a', 'g'}), "CTag");  // schema 1
    expectError(Bytes({0xFF, 0xFF, 0, 0, 4, 0, 'C', 'T', 'a', 'x'}), "CTag");  // other class
    expectError(Bytes({0x01, 0x80}), "CTag");                                  // unknown class
    expectError(Bytes({0x00, 0x00}), "CTag");                                  // null
    expectError(Bytes({0x02, 0x00}), "CTag");                                  // back-reference
    expectError(Bytes({0xFF, 0xFF, 0, 0, 0xFF, 0x7F, 'C'}), "CTag");           // long name
}

}  // namespace
}  // namespace tv
