#include "app/RecentFileList.h"

#include <gtest/gtest.h>

#include "base/Utf.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "support/TestEnv.h"

namespace {

using Entries = std::vector<std::string>;

TEST(RecentFileListTest, NewestFirstAtMostFiveAndKeptInTheProfile) {
    tvtest::CIsolatedHome home;
    tv::CProfile profile(tv::LocalFileSystem());
    tv::CRecentFileList recent(profile);
    recent.Load();
    EXPECT_TRUE(recent.Entries().empty());
    for (const char* path : {"/a", "/b", "/c", "/d", "/e", "/f"}) {
        ASSERT_TRUE(recent.Add(path));
    }
    EXPECT_EQ(recent.Entries(), (Entries{"/f", "/e", "/d", "/c", "/b"}));
    recent.Add("/c");
    EXPECT_EQ(recent.Entries(), (Entries{"/c", "/f", "/e", "/d", "/b"}));
    EXPECT_EQ(profile.GetProfileString("recentlist", "file1"), "/c");
    EXPECT_EQ(profile.GetProfileString("recentlist", "file5"), "/b");

    tv::CRecentFileList reloaded(profile);
    reloaded.Load();
    EXPECT_EQ(reloaded.Entries(), recent.Entries());
}

TEST(RecentFileListTest, DisplayNamesAreCutToThirtyCharacters) {
    EXPECT_EQ(tv::AbbreviatePath("/srv/lists/weekly.tsl", 30), "/srv/lists/weekly.tsl");
    EXPECT_EQ(tv::AbbreviatePath("/home/someone/projects/backup/lists/weekly.tsl", 30),
              ".../backup/lists/weekly.tsl");
    const std::string longName(40, 'n');
    EXPECT_EQ(tv::AbbreviatePath("/x/" + longName, 30), std::string(27, 'n') + "...");

    // Characters, not bytes, are counted, and a cut never splits one.
    std::string accents;
    for (int i = 0; i < 25; ++i) {
        accents += "\xc3\xa9";
    }
    EXPECT_EQ(tv::AbbreviatePath("/d/" + accents, 30), "/d/" + accents);
    const std::string cut = tv::AbbreviatePath("/d/" + accents + accents, 30);
    EXPECT_TRUE(tv::IsValidUtf8(cut));
    EXPECT_EQ(cut, (accents + accents).substr(0, 27 * 2) + "...");
}

}  // namespace
