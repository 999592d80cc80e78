#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "e2e/RunTestSupport.h"
#include "platform/CronJobs.h"
#include "platform/Crontab.h"
#include "platform/Process.h"
#include "support/CronRules.h"

namespace runtest {

namespace {

using tvtest::ReadFile;
using tvtest::WriteFile;

// The job the scheduler layer installs is started the way cron starts it: the line's command
// with cron's "%" rule, by /bin/sh -c, in cron's bare environment (plus the isolated home's
// folders), with no terminal and no display. Its tasks run, and their logs say who started
// them. The list lies in a folder whose name holds what a cron line and a shell make hard.
TEST_F(RunTest, TheInstalledCronLineRunsTheTasksUnattended) {
    const fs::path source = Dir("src");
    WriteFile(source / "a.txt", "alpha");
    WriteFile(source / "100% b.txt", "beta");
    const fs::path target = Dir("dst");
    const fs::path other = Dir("dst2");
    const fs::path listFolder = Dir("it's 100%\\% $(x) lists");
    const fs::path list = listFolder / "a list.tsl";
    fs::copy_file(MakeList({Task(7, source, {target}), Task(8, source, {other})}), list);

    auto crontab = tv::OpenUserCrontab();
    tv::CCronJobs jobs(*crontab);
    const auto command = tv::SchedulerJobCommand(MIRRANT_PATH, list.string(), " 7 8");
    ASSERT_TRUE(command);
    ASSERT_EQ(jobs.Save({tv::SchedulerJobName(" 7 8"), "0 3 * * *", 0, *command}),
              tv::CronEdit::Done)
        << jobs.Error();
    const std::string table = ReadFile(m_home.StateHome() / "crontab");
    const auto line = tv::ParseCronLine(table.substr(0, table.find('\n')));
    ASSERT_TRUE(line) << table;
    EXPECT_EQ(line->m_strName, "Synch 7 8.job");

    const auto var = [this](const char* name, const fs::path& value) {
        return std::string(name) + "=" + value.string();
    };
    std::string output;
    const int exit = tv::RunProgramOutput(
        {"/usr/bin/env", "-i", var("HOME", m_home.Root()), "LOGNAME=tester", "SHELL=/bin/sh",
         "PATH=/usr/bin:/bin", var("XDG_CONFIG_HOME", m_home.ConfigHome()),
         var("XDG_DATA_HOME", m_home.DataHome()), var("XDG_STATE_HOME", m_home.StateHome()),
         "TWINVALE_SHUTDOWN_CMD=true", "/bin/sh", "-c", tvtest::AsCronRunsIt(line->m_strCommand)},
        output);
    EXPECT_EQ(exit, 0);
    EXPECT_TRUE(Same(source, target));
    EXPECT_TRUE(Same(source, other));
    for (const int id : {7, 8}) {
        const std::string log = Log(id);
        EXPECT_NE(log.find("Task started: "), std::string::npos) << log;
        EXPECT_NE(log.find("(started by the scheduler)"), std::string::npos) << log;
    }
    // A run started by hand says nothing of the scheduler.
    const CRun byHand = Mirrant({"/F:" + list.string(), "7", "/S"});
    EXPECT_EQ(byHand.m_exit, 0) << byHand.m_err;
    EXPECT_EQ(Log(7).find("(started by the scheduler)"), std::string::npos) << Log(7);
}

// Ends a program that waits for an answer nobody will give; true when it had to.
bool KillIfStillRunning(int pid) {
    for (int i = 0; i < 600; ++i) {
        siginfo_t info{};
        if (waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    return true;
}

// Even where a display is at hand, a scheduled run opens no window: its preview would wait
// for nobody. The preview counts as refused, and nothing is copied.
TEST_F(RunTest, AScheduledRunWaitsForNobodyEvenWithADisplay) {
    const fs::path source = Dir("src");
    WriteFile(source / "a.txt", "alpha");
    Json task = Task(9, source, {Dir("dst")});
    task["m_dwOptions"] = task["m_dwOptions"].get<int>() | 0x80;  // show the preview
    const std::string list = MakeList({task});
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    bool killed = false;
    const CRun run = Mirrant({"--scheduled", "/f:" + list, "9"},
                             [&](int pid) { killed = KillIfStillRunning(pid); });
    unsetenv("QT_QPA_PLATFORM");
    EXPECT_FALSE(killed) << "the scheduled run waited for an answer";
    EXPECT_EQ(run.m_exit, 2) << run.m_err;
    EXPECT_FALSE(fs::exists(Dir("dst") / "a.txt"));
    EXPECT_NE(Log(9).find("(started by the scheduler)"), std::string::npos) << Log(9);
}

}  // namespace

}  // namespace runtest
