// Programs run for a task, dial-up through the connection tool, and a pending shutdown.
#include <cstdlib>

#include "RunTestSupport.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"

namespace {

using namespace tvtest;

TEST(Process, WaitsForTheExitStatusInTheWorkingFolderOrLeavesTheProgramRunning) {
    CTempDir dir;
    int status = -2;
    EXPECT_TRUE(tv::RunCommandLine("pwd > out; exit 3", dir.Path().string(), tv::ProgramWait::Wait,
                                   &status));
    EXPECT_EQ(status, 3);
    EXPECT_EQ(ReadFile(dir / "out"), dir.Path().string() + "\n");

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(tv::RunCommandLine("sleep 3", {}, tv::ProgramWait::DontWait));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(tv::RunProgram({"no-such-program-here"}), -1);
}

TEST_F(CRunTest, DialUpBringsTheConnectionUpAndDownThroughTheTool) {
    tv::CElement task = MakeTask(1);
    task.m_bDialUp = 1;
    task.m_strRasEntry = "office vpn";
    task.m_bRasHangUp = 1;
    const std::string path = std::getenv("PATH");
    setenv("PATH", Path("bin").c_str(), 1);
    EXPECT_EQ(Run(task), tv::RunEnd::Normal);
    EXPECT_NE(Log(task).find("nmcli not found"), std::string::npos);

    Put(Path("bin/nmcli"), "#!/bin/sh\nfor a; do printf '[%s]' \"$a\"; done >> '" + Path("calls") +
                               "'\necho >> '" + Path("calls") + "'\n");
    fs::permissions(Path("bin/nmcli"), fs::perms::owner_all);
    EXPECT_EQ(Run(task), tv::RunEnd::Normal);
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(ReadFile(Path("calls")),
              "[connection][up][id][office vpn]\n[connection][down][id][office vpn]\n");
}

TEST_F(CRunTest, APendingShutdownWaitsForTheLastRun) {
    setenv("TWINVALE_SHUTDOWN_CMD", ("touch '" + Path("down") + "'").c_str(), 1);
    tv::CElement task = MakeTask(1);
    task.m_dwOptions2 = tv::opt2::kShutdown;
    tv::CTaskLauncher launcher(tv::LocalFileSystem(), {kContinuePrefs, nullptr, {}, nullptr});
    launcher.Launch({&task}, tv::RunCommand::Sync);
    EXPECT_TRUE(launcher.ShutdownPending());
    launcher.WaitAll();
    EXPECT_TRUE(launcher.ShutdownIfPending());
    EXPECT_TRUE(fs::exists(Path("down")));
}

}  // namespace
