// The stored form of a folder tree: what snapshots are made of.
#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

#include "base/Archive.h"
#include "scan/TreeF.h"

namespace {

using tv::CFileDoInfo;
using tv::CTreeF;

const tv::FileTime kTime = tv::FileTimeFromCalendar({2021, 6, 15, 12, 34, 56});

CFileDoInfo File(const std::string& name, tv::Side side, uint64_t size = 7) {
    return CFileDoInfo(name, size, side, kTime, kTime, 0x20, false, false, tv::ACTION_NONE);
}

CTreeF& AddFolder(CTreeF& parent, const std::string& name) {
    CTreeF& node = *parent.subfolders.emplace_back(std::make_unique<CTreeF>());
    node.name = name;
    return node;
}

std::string Stored(const CTreeF& root) {
    tv::CArchiveWriter writer;
    root.Store(writer);
    return std::string(writer.View());
}

CTreeF Loaded(const std::string& bytes) {
    CTreeF root;
    tv::CArchiveReader reader(bytes);
    root.Load(reader);
    EXPECT_TRUE(reader.AtEnd());
    return root;
}

TEST(TreeFStore, RecordLayoutIsNameSizeLocalTimeAttributes) {
    const char* oldZone = std::getenv("TZ");
    const std::string restore = oldZone ? oldZone : "";
    setenv("TZ", "EST5", 1);
    tzset();
    CTreeF root;
    root.name = "/data/src";
    root.files.push_back(
        File("a", tv::Side::Source, (1ULL << 32) + 3));  // only the low 32 bits are kept
    const std::string bytes = Stored(root);

    tv::CArchiveReader reader(bytes);
    EXPECT_EQ(reader.ReadString(), "/data/src");
    EXPECT_EQ(reader.ReadCount(), 1u);
    reader.ReadObjectHeader("CFileDoInfo");
    EXPECT_EQ(reader.ReadString(), "a");
    EXPECT_EQ(reader.ReadUInt32(), 3u);
    // The UTC fields read as New York time: five hours later than the instant itself.
    EXPECT_EQ(reader.ReadTime(), tv::UnixFromFileTime(kTime) + 5 * 3600);
    EXPECT_EQ(reader.ReadUInt32(), 0x20u);
    EXPECT_EQ(reader.ReadCount(), 0u);
    EXPECT_EQ(Loaded(bytes).files.at(0).lastWrite, kTime);
    oldZone ? setenv("TZ", restore.c_str(), 1) : unsetenv("TZ");
    tzset();
}

TEST(TreeFStore, RoundTripKeepsWhatTheTargetHoldsAfterTheRun) {
    CTreeF root;
    root.sourceOnly = true;
    CFileDoInfo copied = File("caf\xE9\xFF", tv::Side::Source, 10);
    copied.selected = copied.done = true;
    CFileDoInfo notCopied = File("failed", tv::Side::Source, 10);
    notCopied.selected = notCopied.matched = true;
    notCopied.otherSize = 99;
    notCopied.otherLastWrite = kTime - 3600 * tv::kTicksPerSecond;
    root.files = {copied, notCopied, File("target", tv::Side::Target, 12)};
    AddFolder(AddFolder(root, "sub"), "leaf").files.push_back(File("inner", tv::Side::Target));

    const CTreeF back = Loaded(Stored(root));
    EXPECT_TRUE(back.targetOnly);
    EXPECT_FALSE(back.sourceOnly);
    ASSERT_EQ(back.files.size(), 3u);
    EXPECT_EQ(back.files[0].name, "caf\xE9\xFF");
    EXPECT_EQ(back.files[0].size, 10u);
    EXPECT_EQ(back.files[1].size, 99u);
    EXPECT_EQ(back.files[1].lastWrite, notCopied.otherLastWrite);
    EXPECT_EQ(back.files[2].size, 12u);
    EXPECT_EQ(back.files[0].side, tv::Side::Target);
    EXPECT_FALSE(back.files[0].selected || back.files[0].done);
    EXPECT_TRUE(back.files[0].matched);
    const CTreeF& leaf = *back.subfolders.at(0)->subfolders.at(0);
    EXPECT_EQ(leaf.name, "leaf");
    EXPECT_TRUE(leaf.targetOnly);
    EXPECT_EQ(leaf.files.at(0).name, "inner");
}

TEST(TreeFStore, LeavesOutWhatHasNothingToStoreAndStillReadsBack) {
    CTreeF root;
    CFileDoInfo deletedOnTarget = File("deleted", tv::Side::Target);
    deletedOnTarget.done = true;
    CFileDoInfo newButNotCopied = File("new", tv::Side::Source);
    newButNotCopied.selected = true;
    newButNotCopied.matched = false;
    root.files = {deletedOnTarget, File("kept", tv::Side::Target), newButNotCopied};
    for (const bool sourceOnly : {true, false}) {
        CTreeF& oneSided = AddFolder(root, "one-sided");
        (sourceOnly ? oneSided.sourceOnly : oneSided.targetOnly) = true;
        oneSided.processed = true;
        oneSided.files.push_back(File("below", tv::Side::Target));
    }
    AddFolder(root, "both").processed = true;

    const CTreeF back = Loaded(Stored(root));
    ASSERT_EQ(back.files.size(), 1u);
    EXPECT_EQ(back.files[0].name, "kept");
    ASSERT_EQ(back.subfolders.size(), 1u);
    EXPECT_EQ(back.subfolders[0]->name, "both");
}

TEST(TreeFStore, DamageAndDeepNestingThrow) {
    CTreeF root;
    root.files.push_back(File("one", tv::Side::Source));
    AddFolder(root, "sub").files.push_back(File("two", tv::Side::Target));
    std::string bytes = Stored(root);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        tv::CArchiveReader reader(std::string_view(bytes).substr(0, cut));
        EXPECT_THROW(CTreeF().Load(reader), tv::CArchiveError) << "cut at " << cut;
    }
    bytes.replace(bytes.find("CFileDoInfo"), 11, "CFileDoInfX");
    tv::CArchiveReader wrongClass(bytes);
    EXPECT_THROW(root.Load(wrongClass), tv::CArchiveError);

    for (const int depth : {4096, 4097}) {
        CTreeF deep;
        CTreeF* node = &deep;
        for (int i = 0; i < depth; ++i) {
            node = &AddFolder(*node, "");
        }
        const std::string nested = Stored(deep);
        tv::CArchiveReader reader(nested);
        if (depth == 4096) {
            EXPECT_NO_THROW(deep.Load(reader));
        } else {
            EXPECT_THROW(deep.Load(reader), tv::CArchiveError);
        }
    }
}

}  // namespace
