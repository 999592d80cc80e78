// The comparison window's model on real trees: what it marks, what it counts, what the
// difference filter keeps, and the command line it accepts from the launcher.
#include <chrono>
#include <future>
#include <thread>

#include "MainTestSupport.h"
#include "uimodel/CompareArgs.h"
#include "uimodel/CompareCommand.h"
#include "uimodel/CompareModel.h"
#include "uimodel/CompareStrings.h"

namespace {

using namespace tvtest;
using tv::CompareMark;

std::string Shown(const std::vector<tv::CCompareRow>& rows) {
    static const char* const kMarks[] = {"=", "<-", "->", "L", "R", "size", "bytes"};
    std::string text;
    for (const auto& row : rows) {
        text += std::string(static_cast<size_t>(row.m_nDepth) * 2, ' ') + row.m_strName +
                (row.m_bFolder ? "/ " : " ") + kMarks[static_cast<int>(row.m_mark)] + "\n";
    }
    return text;
}

class CompareModel : public ::testing::Test {
  protected:
    CompareModel() { tv::AddCompareStrings(); }
    fs::path Put(const std::string& side, const std::string& rel, const std::string& text,
                 int ageHours = 1) {
        const fs::path path = m_home.Root() / side / rel;
        fs::create_directories(path.parent_path());
        WriteFile(path, text);
        fs::last_write_time(path, m_now - std::chrono::hours(ageHours));
        return path;
    }
    tv::CCompareArgs Args(bool subfolders) {
        tv::CCompareArgs args;
        std::string bad;
        std::vector<std::string> line{"/s:" + (m_home.Root() / "L").string() + "/",
                                      "/d:" + (m_home.Root() / "R").string() + "/"};
        if (subfolders) {
            line.insert(line.begin(), "/i");
        }
        EXPECT_TRUE(tv::ParseCompareArgs(line, args, bad)) << bad;
        return args;
    }

    CIsolatedHome m_home;
    const fs::file_time_type m_now = fs::file_time_type::clock::now();
};

TEST_F(CompareModel, EachKindOfDifferenceIsMarkedCountedAndFiltered) {
    Put("L", "same.txt", "abc");
    Put("R", "same.txt", "abc");
    Put("L", "newer.txt", "new", 1);
    Put("R", "newer.txt", "old", 5);
    Put("L", "older.txt", "old", 5);
    Put("R", "older.txt", "new", 1);
    Put("L", "size.txt", "long text");
    Put("R", "size.txt", "short");
    Put("L", "bytes.txt", "aaaa");
    Put("R", "bytes.txt", "bbbb");
    Put("L", "sub/deep/only-left.txt", "x");
    Put("R", "sub/deep/keep.txt", "k");
    Put("L", "sub/deep/keep.txt", "k");
    Put("R", "rightdir/r.txt", "r");
    Put("L", "quiet/q.txt", "q");
    Put("R", "quiet/q.txt", "q");

    const auto binary =
        tv::CompareTrees(Args(true), tv::ContentCheck::Binary, tv::LocalFileSystem());
    ASSERT_TRUE(binary.m_bListed) << binary.m_strError;
    EXPECT_EQ(Shown(binary.m_rows),
              "quiet/ =\n  q.txt =\nrightdir/ ->\n  r.txt ->\nsub/ =\n  deep/ =\n"
              "    keep.txt =\n    only-left.txt <-\nbytes.txt bytes\nnewer.txt L\n"
              "older.txt R\nsame.txt =\nsize.txt size\n");
    const tv::CCompareCounts counts{6, 1, 2, 1, 1, 1, 1};
    EXPECT_EQ(binary.m_counts, counts);
    EXPECT_EQ(Shown(tv::OnlyDifferences(binary.m_rows)),
              "rightdir/ ->\n  r.txt ->\nsub/ =\n  deep/ =\n    only-left.txt <-\n"
              "bytes.txt bytes\nnewer.txt L\nolder.txt R\nsize.txt size\n");

    // Without the binary check equal times and sizes count as the same; without subfolders
    // only the top level is listed.
    const auto quick =
        tv::CompareTrees(Args(false), tv::ContentCheck::Attributes, tv::LocalFileSystem());
    ASSERT_TRUE(quick.m_bListed);
    EXPECT_EQ(Shown(tv::OnlyDifferences(quick.m_rows)),
              "newer.txt L\nolder.txt R\nsize.txt size\n");
}

TEST_F(CompareModel, TheLaunchersCommandLineReadsBackWholeAndStrangeSwitchesAreRefused) {
    tv::CElement task;
    task.m_dwOptions = tv::opt1::kIncludeSubfolders;
    task.m_Source.m_strPath = "/data/src";
    tv::CTag& site = task.m_Targets.emplace_back();
    site.m_bIsFtp = 1;
    site.m_strHost = "h";
    site.m_strRemoteDir = "/in";
    site.m_nPort = 990;
    site.m_strSiteName = "n";
    site.m_strPassword = "pw";
    site.m_strUser = "u";
    site.m_bPassive = 1;
    site.m_nProxyType = 3;
    site.m_strProxyHost = "ph";
    site.m_nProxyPort = 8080;
    site.m_strProxyUser = "pu";
    site.m_strProxyPassword = "ppw";
    const auto command = tv::BuildCompareCommand(task);

    tv::CCompareArgs args;
    std::string bad;
    ASSERT_TRUE(tv::ParseCompareArgs(tv::CompareArguments(command), args, bad)) << bad;
    EXPECT_EQ(args.m_nSecretFd, 3);
    EXPECT_TRUE(args.m_right.m_strPassword.empty());
    tv::AddCompareSecrets(command.m_strSecrets + "/s:/elsewhere" + '\0', args);
    EXPECT_TRUE(args.m_bSubfolders);
    EXPECT_EQ(args.m_left.m_strPath, "/data/src/") << "the pipe carries passwords only";
    EXPECT_EQ(args.m_right, site);

    // Other callers still hand passwords on the command line.
    ASSERT_TRUE(tv::ParseCompareArgs({"/lh:x", "/lp:secret"}, args, bad));
    EXPECT_EQ(args.m_left.m_strPassword, "secret");
    for (const char* strange : {"/x", "/s:", "/lq:1", "/rh", "/pwfd:1", "s:/a"}) {
        EXPECT_FALSE(tv::ParseCompareArgs({"/i", strange}, args, bad)) << strange;
        EXPECT_EQ(bad, strange);
    }
}

// A big folder is listed off the window's thread, and a missing side is said.
TEST_F(CompareModel, TheRunnerListsOnAThreadOfItsOwn) {
    for (int i = 0; i < 2000; ++i) {
        Put("L", "big/f" + std::to_string(i), "x");
    }
    fs::create_directories(m_home.Root() / "R");
    std::promise<std::pair<tv::CCompareResult, std::thread::id>> got;
    tv::CCompareRunner runner;
    runner.Start(Args(true), tv::ContentCheck::Attributes, tv::LocalFileSystem(),
                 [&](tv::CCompareResult result) {
                     got.set_value({std::move(result), std::this_thread::get_id()});
                 });
    auto [result, thread] = got.get_future().get();
    EXPECT_NE(thread, std::this_thread::get_id());
    EXPECT_EQ(result.m_counts[static_cast<size_t>(CompareMark::LeftOnly)], 2001u);

    fs::remove_all(m_home.Root() / "R");
    result = tv::CompareTrees(Args(true), tv::ContentCheck::Attributes, tv::LocalFileSystem());
    EXPECT_FALSE(result.m_bListed);
    EXPECT_EQ(result.m_strError, "A folder could not be listed.");
}

}  // namespace
