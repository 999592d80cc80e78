// An FTP site as one side of the comparison, on a real server: listed, paired and marked like
// a folder, and reached by the copy and delete of the window.
#include <chrono>

#include "MainTestSupport.h"
#include "platform/FtpServer.h"
#include "uimodel/CompareActions.h"
#include "uimodel/CompareModel.h"
#include "uimodel/CompareStrings.h"

namespace {

using namespace tvtest;
using tv::CompareAction;

std::string Marks(const std::vector<tv::CCompareRow>& rows) {
    static const char* const kMarks[] = {"=", "<-", "->", "L", "R", "size", "bytes"};
    std::string text;
    for (const auto& row : rows) {
        text += row.m_strPath + " " + kMarks[static_cast<int>(row.m_mark)] + "\n";
    }
    return text;
}

TEST(CompareRemote, AnFtpSideIsComparedCopiedToAndDeletedFromLikeAFolder) {
    tv::AddCompareStrings();
    CIsolatedHome home;
    const fs::path local = home.Root() / "local";
    const fs::path served = home.Root() / "served";
    const auto then = fs::file_time_type::clock::now() - std::chrono::hours(2);
    for (const auto& [path, text] : {std::pair{local / "same.txt", "same"},
                                     {served / "site/same.txt", "same"},
                                     {local / "new/up.txt", "upload me"},
                                     {served / "site/old.txt", "delete me"},
                                     {local / "size.txt", "long"},
                                     {served / "site/size.txt", "l"}}) {
        fs::create_directories(path.parent_path());
        WriteFile(path, text);
        fs::last_write_time(path, then);
    }
    CFtpServer server(served.string(), (home.Root() / "ftp.log").string());
    ASSERT_GT(server.Port(), 0);
    tv::CCompareArgs args;
    args.m_bSubfolders = true;
    args.m_left.m_strPath = local.string();
    tv::CTag& site = args.m_right;
    site.m_bIsFtp = 1;
    site.m_strHost = "127.0.0.1";
    site.m_nPort = server.Port();
    site.m_strUser = "tv";
    site.m_strPassword = "s3cret-pw";
    site.m_strRemoteDir = "/site";
    site.m_bPassive = 1;

    auto result = tv::CompareTrees(args, tv::ContentCheck::Binary, tv::LocalFileSystem());
    ASSERT_TRUE(result.m_bListed) << result.m_strError;
    EXPECT_EQ(Marks(result.m_rows),
              "new <-\nnew/up.txt <-\nold.txt ->\nsame.txt =\nsize.txt size\n");

    const std::vector<tv::CRowKey> up{{"new", true}, {"size.txt", false}};
    auto outcome =
        tv::PerformCompareAction(args, CompareAction::CopyToRight, result.m_rows,
                                 tv::PickedRows(result.m_rows, up), tv::LocalFileSystem(), nullptr);
    EXPECT_TRUE(outcome.m_errors.empty()) << outcome.m_errors.front();
    EXPECT_EQ(ReadFile(served / "site/new/up.txt"), "upload me");
    EXPECT_EQ(ReadFile(served / "site/size.txt"), "long");
    const std::vector<tv::CRowKey> gone{{"old.txt", false}};
    outcome = tv::PerformCompareAction(args, CompareAction::DeleteRight, result.m_rows,
                                       tv::PickedRows(result.m_rows, gone), tv::LocalFileSystem(),
                                       nullptr);
    EXPECT_EQ(outcome.m_nDone, 1u);
    EXPECT_FALSE(fs::exists(served / "site/old.txt"));
    tv::RecompareRows(args, tv::ContentCheck::Binary, {up[0], up[1], gone[0]},
                      tv::LocalFileSystem(), result);
    EXPECT_EQ(Marks(result.m_rows), "new =\nnew/up.txt =\nsame.txt =\nsize.txt =\n");

    site.m_strPassword = "wrong";
    result = tv::CompareTrees(args, tv::ContentCheck::Attributes, tv::LocalFileSystem());
    EXPECT_FALSE(result.m_bListed);
    EXPECT_NE(result.m_strError.find("127.0.0.1"), std::string::npos) << result.m_strError;
}

}  // namespace
