// What the investigation puts into the trees, on real folders.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "ScanTestSupport.h"
#include "scan/InvestigateEntries.h"
#include "support/MemoryFileSystem.h"
#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;
using tvtest::CScanRun;
using tvtest::FindFile;
using tvtest::FindFolder;

void SetMtime(const fs::path& path, int64_t seconds, long nanoseconds) {
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

std::vector<std::string> Names(const std::vector<tv::CFileDoInfo>& files) {
    std::vector<std::string> names;
    for (const auto& file : files) {
        names.push_back(file.name);
    }
    return names;
}

TEST(InvestigateTree, RecordsSizeTimeAndModeOfEachFile) {
    tvtest::CTempDir dir;
    fs::create_directories(dir / "src/sub");
    tvtest::WriteFile(dir / "src/a.txt", "hello");
    SetMtime(dir / "src/a.txt", 1'600'000'000, 987'654'321);
    chmod((dir / "src/a.txt").c_str(), 0444);
    tvtest::WriteFile(dir / "src/sub/big", "");
    ASSERT_EQ(truncate((dir / "src/sub/big").c_str(), 5LL << 30), 0);  // sparse

    CScanRun run(dir / "src");
    ASSERT_TRUE(run.Investigate());

    const tv::CFileDoInfo* a = FindFile(run.sourceTree, "a.txt");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->size, 5u);
    EXPECT_EQ(a->lastWrite, tv::FileTimeFromUnix(1'600'000'000));  // below a second cut off
    EXPECT_NE(a->creation, 0u);
    EXPECT_EQ(a->attributes, tv::attr::kReadOnly | tv::attr::kArchive | (0444u << 16));
    EXPECT_EQ(a->side, tv::Side::Source);
    EXPECT_FALSE(a->selected || a->done || a->matched);
    const tv::CTreeF* sub = FindFolder(run.sourceTree, "sub");
    ASSERT_TRUE(sub);
    EXPECT_TRUE(sub->sourceOnly && sub->investigated);
    EXPECT_EQ(FindFile(*sub, "big")->size, 5ULL << 30);
    // The folder's birth time as it is, not cut to the second: born before what it holds.
    EXPECT_GT(sub->time, 0u);
    EXPECT_LE(sub->time, FindFile(*sub, "big")->creation);
}

TEST(InvestigateTree, CapsTheYearAt3000) {
    const tv::FileTime year3100 = tv::FileTimeFromCalendar({3100, 5, 6, 12, 34, 56}) + 1234567;
    EXPECT_EQ(tv::NormalizeListedTime(year3100),
              tv::FileTimeFromCalendar({3000, 5, 6, 12, 34, 56}));
    const tv::FileTime leapDay = tv::FileTimeFromCalendar({3200, 2, 29, 1, 0, 0});
    EXPECT_EQ(tv::NormalizeListedTime(leapDay), tv::FileTimeFromCalendar({3000, 2, 28, 1, 0, 0}));
}

TEST(InvestigateTree, SourceRecordsReverseTheListingTargetRecordsKeepIt) {
    tvtest::CTempDir dir;
    fs::create_directories(dir / "src");
    for (int i = 0; i < 40; ++i) {
        tvtest::WriteFile(dir / "src" / ("file" + std::to_string(i)), "");
    }
    fs::copy(dir / "src", dir / "dst");
    CScanRun run(dir / "src", dir / "dst");
    ASSERT_TRUE(run.Investigate());
    for (const bool source : {true, false}) {
        std::vector<std::string> listed;
        tv::LocalFileSystem().ListNames((dir / (source ? "src" : "dst")).string(), listed);
        if (source) {
            std::reverse(listed.begin(), listed.end());
        }
        EXPECT_EQ(Names((source ? run.sourceTree : run.targetTree).files), listed);
    }
}

// A remote listing arrives in pieces; the trees are those of a listing in one piece, the order
// of the records included.
TEST(InvestigateTree, AListingInPiecesMakesTheSameTrees) {
    const auto investigate = [](size_t pieceSize) {
        tvtest::CMemoryFileSystem memory;
        memory.SetPieceSize(pieceSize);
        for (int i = 0; i < 7; ++i) {
            memory.PutFile("/s/file" + std::to_string(i), "");
            memory.PutFile("/t/file" + std::to_string(i), "");
            memory.PutFile("/s/sub" + std::to_string(i % 3) + "/x" + std::to_string(i), "");
        }
        CScanRun run("/s", "/t");
        EXPECT_TRUE(run.Investigate(&memory));
        std::vector<std::vector<std::string>> names = {Names(run.sourceTree.files),
                                                       Names(run.targetTree.files)};
        for (const auto& sub : run.sourceTree.subfolders) {
            names.push_back({sub->name});
            names.push_back(Names(sub->files));
        }
        return names;
    };
    const auto whole = investigate(0);
    ASSERT_EQ(whole.size(), 8u);
    EXPECT_EQ(whole[0].front(), "file6");
    EXPECT_EQ(investigate(3), whole);
    EXPECT_EQ(investigate(1), whole);
}

TEST(InvestigateTree, SpecialFilesAndLinksNeverHangOrLoop) {
    tvtest::CTempDir dir;
    fs::create_directories(dir / "src/real");
    tvtest::WriteFile(dir / "src/real/inside", "1");
    ASSERT_EQ(mkfifo((dir / "src/pipe").c_str(), 0600), 0);
    fs::create_directory_symlink("..", dir / "src/real/up");  // back to the root: a loop
    fs::create_directory_symlink("real", dir / "src/alias");  // a second way in: listed
    fs::create_symlink("nowhere", dir / "src/dangling");
    fs::create_symlink("self", dir / "src/self");
    fs::create_symlink("real/inside", dir / "src/filelink");

    CScanRun run(dir / "src");
    ASSERT_TRUE(run.Investigate());
    EXPECT_FALSE(FindFile(run.sourceTree, "pipe"));
    EXPECT_FALSE(FindFile(run.sourceTree, "dangling"));
    EXPECT_FALSE(FindFile(run.sourceTree, "self"));
    const tv::CFileDoInfo* fileLink = FindFile(run.sourceTree, "filelink");
    ASSERT_TRUE(fileLink);
    EXPECT_EQ(fileLink->size, 1u);
    EXPECT_TRUE(fileLink->attributes & tv::attr::kReparsePoint);
    const tv::CTreeF* real = FindFolder(run.sourceTree, "real");
    ASSERT_TRUE(real);
    EXPECT_FALSE(FindFolder(*real, "up"));
    const tv::CTreeF* alias = FindFolder(run.sourceTree, "alias");
    ASSERT_TRUE(alias);
    EXPECT_TRUE(FindFile(*alias, "inside"));
    EXPECT_FALSE(FindFolder(*alias, "up"));

    CScanRun skipping(dir / "src");
    skipping.task.m_dwOptions4 |= tv::opt4::kSkipJunctions;
    ASSERT_TRUE(skipping.Investigate());
    EXPECT_FALSE(FindFolder(skipping.sourceTree, "alias"));
    EXPECT_TRUE(FindFile(skipping.sourceTree, "filelink"));
}

TEST(InvestigateTree, DeepPathsAndNamesThatAreNotUtf8) {
    tvtest::CTempDir dir;
    fs::path deep = dir / "src";
    const std::string level(40, 'd');
    for (int i = 0; i < 30; ++i) {
        deep /= level;
    }
    fs::create_directories(deep);
    ASSERT_GT(deep.string().size(), 1200u);
    tvtest::WriteFile(deep / "bottom", "");
    const std::string rawName = "caf\xE9-\xFF\xFE.txt";
    tvtest::WriteFile(dir / "src" / rawName, "");

    CScanRun run(dir / "src");
    ASSERT_TRUE(run.Investigate());
    EXPECT_TRUE(FindFile(run.sourceTree, rawName));
    const tv::CTreeF* node = &run.sourceTree;
    for (int i = 0; i < 30; ++i) {
        node = FindFolder(*node, level);
        ASSERT_TRUE(node) << "level " << i;
    }
    EXPECT_TRUE(FindFile(*node, "bottom"));
}

TEST(InvestigateTree, HiddenEntriesAndSubfoldersFollowTheTaskOptions) {
    tvtest::CTempDir dir;
    fs::create_directories(dir / "src/.cache/deeper");
    fs::create_directories(dir / "src/sub");
    tvtest::WriteFile(dir / "src/.cache/deeper/f", "");
    tvtest::WriteFile(dir / "src/.profile", "");
    tvtest::WriteFile(dir / "src/visible", "");
    fs::copy(dir / "src", dir / "dst", fs::copy_options::recursive);

    CScanRun shown(dir / "src");
    ASSERT_TRUE(shown.Investigate());
    EXPECT_TRUE(FindFile(shown.sourceTree, ".profile")->attributes & tv::attr::kHidden);
    EXPECT_TRUE(FindFolder(shown.sourceTree, ".cache"));

    CScanRun skipping(dir / "src");
    skipping.task.m_dwOptions4 |= tv::opt4::kSkipHidden;
    ASSERT_TRUE(skipping.Investigate());
    EXPECT_EQ(Names(skipping.sourceTree.files), std::vector<std::string>{"visible"});
    ASSERT_EQ(skipping.sourceTree.subfolders.size(), 1u);
    EXPECT_EQ(skipping.sourceTree.subfolders[0]->name, "sub");

    CScanRun flat(dir / "src", dir / "dst");
    flat.task.m_dwOptions &= ~tv::opt1::kIncludeSubfolders;
    ASSERT_TRUE(flat.Investigate());
    EXPECT_TRUE(flat.sourceTree.subfolders.empty() && flat.targetTree.subfolders.empty());
    EXPECT_EQ(flat.targetTree.files.size(), 2u);
    EXPECT_TRUE(flat.observer.m_investigating.empty());
}

TEST(InvestigateTree, EmptyFlagsFollowAdmittedFilesUpTheTree) {
    tvtest::CTempDir dir;
    fs::create_directories(dir / "src/only-excluded/empty-below");
    fs::create_directories(dir / "src/holds/file-below");
    tvtest::WriteFile(dir / "src/only-excluded/x.tmp", "");
    tvtest::WriteFile(dir / "src/holds/file-below/kept", "");
    fs::copy(dir / "src", dir / "dst", fs::copy_options::recursive);

    CScanRun run(dir / "src", dir / "dst");
    run.task.m_dwOptions2 |= tv::opt2::kExcludeMasks;
    run.task.m_strExcludeMasks = "*.TMP";
    ASSERT_TRUE(run.Investigate());
    for (const tv::CTreeF* root : {&run.sourceTree, &run.targetTree}) {
        const bool source = root == &run.sourceTree;
        const auto empty = [&](const tv::CTreeF* node) {
            return source ? node->sourceEmpty : node->targetEmpty;
        };
        const tv::CTreeF* excluded = FindFolder(*root, "only-excluded");
        const tv::CTreeF* holds = FindFolder(*root, "holds");
        ASSERT_TRUE(excluded && holds);
        EXPECT_TRUE(empty(excluded));
        EXPECT_TRUE(empty(FindFolder(*excluded, "empty-below")));
        EXPECT_FALSE(empty(holds));
        EXPECT_FALSE(empty(root));
        EXPECT_TRUE(source ? root->targetEmpty : root->sourceEmpty);  // the other side's flag
        EXPECT_EQ(holds->targetOnly, !source);
    }
}

TEST(InvestigateTree, ProgressNamesEachSideUnlessSilent) {
    tvtest::CTempDir dir;
    fs::create_directories(dir / "src/a");
    fs::create_directories(dir / "dst/b");
    for (const bool silent : {false, true}) {
        CScanRun run(dir / "src", dir / "dst");
        run.task.m_dwOptions2 |= silent ? tv::opt2::kSilent : 0;
        ASSERT_TRUE(run.Investigate());
        auto sides = run.observer.m_investigating;
        std::sort(sides.begin(), sides.end());
        using Sides = std::vector<tv::Side>;
        EXPECT_EQ(sides, (silent ? Sides{} : Sides{tv::Side::Source, tv::Side::Target}));
        EXPECT_EQ(run.task.m_Run.DisplayPath(tv::Side::Target),
                  silent ? "" : (dir / "dst/b").string());
    }
}

}  // namespace
