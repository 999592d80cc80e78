// The Compare command: the comparison program's exact arguments, where the program is looked
// for, and the passwords that reach it through a pipe and never through its command line.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "MainTestSupport.h"
#include "task/Options.h"
#include "uimodel/CompareCommand.h"

namespace {

using namespace tvtest;
using Args = std::vector<std::string>;
using namespace std::string_literals;

tv::CTag Site(int proxyType) {
    tv::CTag site;
    site.m_bIsFtp = 1;
    site.m_strHost = "ftp.example.org";
    site.m_strRemoteDir = "/pub/my files";
    site.m_nPort = 2121;
    site.m_strSiteName = "Home site";
    site.m_strUser = "anna";
    site.m_strPassword = "s3cret pw";
    site.m_bPassive = 1;
    site.m_nProxyType = proxyType;
    site.m_strProxyHost = "proxy.lan";
    site.m_nProxyPort = 8080;
    site.m_strProxyUser = "pu";
    site.m_strProxyPassword = "proxy pw";
    return site;
}

tv::CTag Folder(const std::string& path) {
    tv::CTag tag;
    tag.m_strPath = path;
    return tag;
}

tv::CElement Task(tv::CTag source, std::vector<tv::CTag> targets, bool subfolders) {
    tv::CElement task;
    task.m_dwOptions = subfolders ? tv::opt1::kIncludeSubfolders : 0;
    task.m_Source = std::move(source);
    task.m_Targets = std::move(targets);
    return task;
}

TEST(CompareCommand, LocalFoldersGetOneSwitchEachWithTheirSlash) {
    // No subfolders, two folders: exactly two items; a slash is added once, only when missing.
    auto command = tv::BuildCompareCommand(Task(Folder("/data/a b"), {Folder("/backup/")}, false));
    EXPECT_EQ(command.m_args, (Args{"/s:/data/a b/", "/d:/backup/"}));
    EXPECT_TRUE(command.m_strSecrets.empty());
    EXPECT_EQ(tv::CompareArguments(command), command.m_args);
    EXPECT_EQ(tv::CompareCommandText(command), "twinvale-cmp \"/s:/data/a b/\" /d:/backup/");

    // Three targets: only the first is compared; subfolders put "/i" first.
    command = tv::BuildCompareCommand(
        Task(Folder("/"), {Folder("/t1"), Folder("/t2"), Folder("/t3")}, true));
    EXPECT_EQ(command.m_args, (Args{"/i", "/s:/", "/d:/t1/"}));
}

TEST(CompareCommand, FtpSidesKeepTheirOrderAndTheirPasswordsOffTheCommandLine) {
    // A source through a proxy, a target without one.
    tv::CTag target = Site(0);
    target.m_bPassive = 0;
    const auto command = tv::BuildCompareCommand(Task(Site(2), {target}, false));
    EXPECT_EQ(
        command.m_args,
        (Args{"/lh:ftp.example.org", "/li:/pub/my files", "/lr:2121", "/ln:Home site", "/lu:anna",
              "/ly:2", "/ls", "/lt:proxy.lan", "/lo:8080", "/ld:pu", "/rh:ftp.example.org",
              "/ri:/pub/my files", "/rr:2121", "/rn:Home site", "/ru:anna", "/ry:0"}));
    EXPECT_EQ(command.m_strSecrets, "/lp:s3cret pw\0/la:proxy pw\0/rp:s3cret pw\0"s);
    const Args args = tv::CompareArguments(command);
    EXPECT_EQ(args.back(), "/pwfd:3");
    const std::string text = tv::CompareCommandText(command);
    EXPECT_EQ(text.find("pw "), std::string::npos) << text;
    EXPECT_NE(text.find(" /pwfd:3"), std::string::npos) << text;
}

std::string WriteStub(const fs::path& path, const fs::path& record) {
    fs::create_directories(path.parent_path());
    // Records its arguments, one a line, then whatever its descriptor 3 holds.
    WriteFile(path, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                        record.string() + ".tmp'\ncat <&3 >> '" + record.string() +
                        ".tmp' 2>/dev/null\nmv '" + record.string() + ".tmp' '" + record.string() +
                        "'\n");
    fs::permissions(path, fs::perms::owner_all);
    return path.string();
}

std::string WaitForFile(const fs::path& path) {
    for (int i = 0; i < 500 && !fs::exists(path); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(CompareCommand, ThePasswordsReachTheProgramThroughItsInheritedPipe) {
    CIsolatedHome home;
    const fs::path record = home.Root() / "record";
    const std::string program = WriteStub(home.Root() / "bin/twinvale-cmp", record);
    const auto command = tv::BuildCompareCommand(Task(Folder("/src"), {Site(0)}, true));
    ASSERT_TRUE(tv::StartCompare(program, command));
    const std::string got = WaitForFile(record);
    EXPECT_EQ(got,
              "/i\n/s:/src/\n/rh:ftp.example.org\n/ri:/pub/my files\n/rr:2121\n"
              "/rn:Home site\n/ru:anna\n/ry:0\n/rs\n/pwfd:3\n/rp:s3cret pw\0"s);
}

class CompareLaunch : public CMainTest {
  protected:
    CompareLaunch() : m_strPath(std::getenv("PATH")) {}
    ~CompareLaunch() override { setenv("PATH", m_strPath.c_str(), 1); }
    std::string m_strPath;
};

// The program is found beside us first, then on PATH, never in the working folder; a missing
// one is said.
TEST_F(CompareLaunch, TheProgramIsLookedForBesideThenOnPathNeverInTheWorkingFolder) {
    const fs::path record = m_home.Root() / "record";
    const std::string beside = WriteStub(m_home.Root() / "app/twinvale-cmp", record);
    const std::string onPath = WriteStub(m_home.Root() / "bin/twinvale-cmp", record);
    const std::string here = WriteStub(m_home.Root() / "cwd/twinvale-cmp", record);
    setenv("PATH", (":.:cwd:" + (m_home.Root() / "bin").string() + ":" + m_strPath).c_str(), 1);
    EXPECT_EQ(tv::FindCompareProgram((m_home.Root() / "app").string()), beside);
    EXPECT_EQ(tv::FindCompareProgram((m_home.Root() / "none").string()), onPath);
    fs::remove(onPath);
    const fs::path working = fs::current_path();
    fs::current_path(m_home.Root() / "cwd");
    EXPECT_EQ(tv::FindCompareProgram(""), "");
    fs::current_path(working);

    // The presenter: nothing found, the message; found on PATH, started with the task's sides.
    const int row = AddTask("1");
    m_presenter->Compare();
    EXPECT_EQ(m_dialogs.m_asked, Args{"Directories comparison utility not found"});
    WriteStub(onPath, record);
    m_presenter->Compare();
    EXPECT_EQ(m_dialogs.m_asked.size(), 1u);
    const std::string src = TaskAt(row).m_Source.m_strPath;
    EXPECT_EQ(WaitForFile(record), "/i\n/s:" + src + "/\n/d:" + Dir("dst1") + "/\n");
    EXPECT_EQ(m_presenter->LastCompareCommand(),
              "twinvale-cmp /i /s:" + src + "/ /d:" + Dir("dst1") + "/");
}

}  // namespace
