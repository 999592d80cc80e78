// The comparison window's model on real trees: what it marks, what it counts, what the
// difference filter keeps, and the command line it accepts from the launcher.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

#include "CompareTestSupport.h"
#include "MainTestSupport.h"
#include "platform/LanguageFiles.h"
#include "support/FaultFileSystem.h"
#include "uimodel/CompareArgs.h"
#include "uimodel/CompareCommand.h"
#include "uimodel/CompareModel.h"
#include "uimodel/CompareStrings.h"
#include "uimodel/WindowSettings.h"

namespace {

using namespace tvtest;
using tv::CompareMark;

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
    EXPECT_TRUE(result.m_strError.starts_with("A folder could not be listed.\n"));
    EXPECT_NE(result.m_strError.find((m_home.Root() / "R").string() + " "), std::string::npos)
        << "the engine's line names the folder: " << result.m_strError;
}

// An empty file, or one of `bytes` bytes, made as cheaply as the system allows.
void Touch(const fs::path& path, size_t bytes = 0) {
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, "xxxx", bytes), static_cast<ssize_t>(bytes));
    ::close(fd);
}

// A folder in memory where the machine has one: making a hundred thousand files on a
// journaling disk takes far longer than comparing them.
class CFastFolder {
  public:
    CFastFolder() {
        const bool shm = access("/dev/shm", W_OK) == 0;
        std::string pattern =
            ((shm ? fs::path("/dev/shm") : fs::temp_directory_path()) / "twinvale-big-XXXXXX")
                .string();
        if (mkdtemp(pattern.data())) {
            m_path = pattern;
        }
    }
    ~CFastFolder() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    CFastFolder(const CFastFolder&) = delete;
    CFastFolder& operator=(const CFastFolder&) = delete;
    const fs::path& Path() const { return m_path; }

  private:
    fs::path m_path;
};

// 100 000 files on each side: one flat folder of 50 000 and 50 folders of 1 000. Every
// thousandth file is missing on the right and another has a size of its own there. The
// listing counts its way up while it goes, and a cancel ends it early.
TEST_F(CompareModel, AHundredThousandFilesArePairedCountedAndListedWithProgress) {
    const CFastFolder big;
    ASSERT_FALSE(big.Path().empty());
    const fs::path l = big.Path() / "L";
    const fs::path r = big.Path() / "R";
    tv::CCompareArgs args;
    args.m_bSubfolders = true;
    args.m_left.m_strPath = l.string();
    args.m_right.m_strPath = r.string();
    std::vector<std::string> folders{"flat"};
    for (int d = 0; d < 50; ++d) {
        folders.push_back("d" + std::to_string(100 + d));
    }
    size_t leftOnly = 0;
    size_t size = 0;
    for (const std::string& folder : folders) {
        fs::create_directories(l / folder);
        fs::create_directories(r / folder);
        const int files = folder == "flat" ? 50'000 : 1'000;
        for (int i = 0; i < files; ++i) {
            const std::string name = "f" + std::to_string(i);
            Touch(l / folder / name);
            if (i % 1000 == 7) {
                ++leftOnly;
            } else {
                Touch(r / folder / name, i % 1000 == 11 ? 1 : 0);
                size += i % 1000 == 11 ? 1 : 0;
            }
        }
    }
    const size_t total = 2 * (folders.size() + 100'000) - leftOnly;

    // Halfway through the folders the count has moved, but not to the end.
    CFaultFileSystem watched(tv::LocalFileSystem());
    tv::CCompareControl control;
    std::vector<size_t> seen;
    watched.OnCall([&](CFaultFileSystem::Op op, const std::string& path) {
        if (op == CFaultFileSystem::Op::ReadFolder && path.ends_with("/d125")) {
            seen.push_back(control.Listed());
        }
    });
    auto result = tv::CompareTrees(args, tv::ContentCheck::Attributes, watched, &control);
    ASSERT_TRUE(result.m_bListed);
    EXPECT_EQ(control.Listed(), total);
    ASSERT_EQ(seen.size(), 2u);
    for (size_t count : seen) {
        EXPECT_GT(count, 0u);
        EXPECT_LT(count, total);
    }
    EXPECT_EQ(result.m_rows.size(), folders.size() + 100'000);
    const tv::CCompareCounts counts{
        folders.size() + 100'000 - leftOnly - size, leftOnly, 0, 0, 0, size, 0};
    EXPECT_EQ(result.m_counts, counts);
    EXPECT_EQ(tv::OnlyDifferences(result.m_rows).size(), folders.size() + leftOnly + size);

    // A cancel from another thread while the listing is in the middle of the folders.
    CFaultFileSystem canceled(tv::LocalFileSystem());
    tv::CCompareControl stop;
    canceled.OnCall([&](CFaultFileSystem::Op op, const std::string& path) {
        if (op == CFaultFileSystem::Op::ReadFolder && path.ends_with("/d110")) {
            std::thread([&stop] { stop.Cancel(); }).join();
        }
    });
    result = tv::CompareTrees(args, tv::ContentCheck::Attributes, canceled, &stop);
    EXPECT_FALSE(result.m_bListed);
    EXPECT_TRUE(result.m_rows.empty());
    EXPECT_EQ(result.m_strError, "The comparison was canceled.");
    EXPECT_LT(stop.Listed(), total);
}

// The comparison program speaks the language the main program was set to, from the same
// language files, found through the program folder the profile names.
TEST_F(CompareModel, TakesTheLanguageTheMainProgramWasSetTo) {
    const fs::path program = m_home.Root() / "program";
    fs::create_directories(program / "Inter/Synch");
    WriteFile(program / "Inter/Synch/German.lang",
              "456=Deutsch\n21003=Ordner vergleichen\n21013=Ordner werden aufgelistet... %d "
              "Eintr\xc3\xa4ge\n");
    tv::CProfile profile(tv::LocalFileSystem());
    ASSERT_TRUE(profile.WriteProfileString("", "path", program.string() + "/"));
    tv::UseMainProgramLanguage(tv::LocalFileSystem(), profile);
    EXPECT_EQ(tv::LoadString(tv::IDS_CMP_CAPTION), "Compare directories") << "none chosen yet";

    tv::StoreLanguage(profile, "Deutsch");
    tv::UseMainProgramLanguage(tv::LocalFileSystem(), profile);
    EXPECT_EQ(tv::LoadString(tv::IDS_CMP_CAPTION), "Ordner vergleichen");
    EXPECT_EQ(tv::FormatText(tv::LoadString(tv::IDS_CMP_LISTED).c_str(), 7),
              "Ordner werden aufgelistet... 7 Eintr\xc3\xa4ge");
    tv::ResetLanguage();
}

}  // namespace
