// The disc staging tree.
#include <gtest/gtest.h>

#include "scan/FoldersAndFiles.h"

namespace {

TEST(FoldersAndFiles, ChildFoldersAreFoundByExactName) {
    tv::CFoldersAndFiles root;
    tv::CFoldersAndFiles& docs = root.GetOrAddChild("Docs");
    EXPECT_EQ(&root.GetOrAddChild("Docs"), &docs);
    EXPECT_EQ(root.FindChild("Docs"), &docs);
    EXPECT_EQ(root.FindChild("docs"), nullptr);
    root.GetOrAddChild("docs");
    ASSERT_EQ(root.Children().size(), 2u);
    EXPECT_EQ(root.Children()[1]->Name(), "docs");
}

TEST(FoldersAndFiles, AFileIsRefusedWhereItsNameIsTaken) {
    tv::CFoldersAndFiles root;
    root.GetOrAddChild("sub");
    EXPECT_TRUE(root.AddFile("b.txt", "/data/b.txt"));
    EXPECT_TRUE(root.AddFile("a.txt", "/data/a.txt"));
    EXPECT_FALSE(root.AddFile("b.txt", "/elsewhere/b.txt"));
    EXPECT_FALSE(root.AddFile("sub", "/data/sub"));
    EXPECT_TRUE(root.AddFile("B.TXT", "/data/B.TXT"));
    ASSERT_EQ(root.Files().size(), 3u);
    EXPECT_EQ(root.Files()[0].m_strPath, "/data/b.txt");
    EXPECT_EQ(root.Files()[1].m_strName, "a.txt");
    EXPECT_EQ((tv::CFileEntry{"x", "/1"}), (tv::CFileEntry{"x", "/2"}));
}

}  // namespace
