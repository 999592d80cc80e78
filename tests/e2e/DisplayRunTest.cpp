// The real program started as a launcher starts it, with a display (the offscreen platform):
// its progress window closes by the preferences' rule and the program ends with it; with /S
// it shows no window at all and reports on the terminal.
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "e2e/RunTestSupport.h"

namespace runtest {

namespace {

// Whether the program has ended, without collecting its status.
bool Ended(int pid) {
    siginfo_t info{};
    return waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// Ends a program that waits for a window nobody will close.
void Watchdog(int pid, bool& killed) {
    for (int i = 0; i < 600 && !Ended(pid); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!Ended(pid)) {
        killed = true;
        kill(pid, SIGKILL);
    }
}

TEST_F(RunTest, WithADisplayARunShowsItsWindowUnlessSilentAndEndsOnItsOwn) {
    const fs::path src = Dir("src");
    tvtest::WriteFile(src / "a.txt", "a");
    const std::string list = MakeList({Task(1, src, {Dir("dst1")}), Task(2, src, {Dir("dst2")})});
    const fs::path profile = m_home.ConfigHome() / "Orbelin/Mirrant.conf";
    fs::create_directories(profile.parent_path());
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    // "Close task's progress window if no errors occurred".
    tvtest::WriteFile(profile, "[Settings]\nDlgPref=1156\n");
    bool killed = false;
    const CRun shown = Mirrant({"-f:" + list, "1"}, [&](int pid) { Watchdog(pid, killed); });
    EXPECT_FALSE(killed) << "the program waited for a window that had closed";
    EXPECT_EQ(shown.m_exit, 0) << shown.m_err;
    EXPECT_TRUE(Same(src, m_home.Root() / "dst1"));
    EXPECT_EQ(shown.m_err.find("Task 1: "), std::string::npos)
        << "the progress went to the terminal instead of the window:\n"
        << shown.m_err;

    // A finished window now waits for the user, whom /S spares it.
    tvtest::WriteFile(profile, "[Settings]\nDlgPref=1028\n");
    const CRun silent = Mirrant({"-f:" + list, "2", "/S"}, [&](int pid) { Watchdog(pid, killed); });
    unsetenv("QT_QPA_PLATFORM");
    EXPECT_FALSE(killed) << "a run with /S waited for a window";
    EXPECT_EQ(silent.m_exit, 0) << silent.m_err;
    EXPECT_TRUE(Same(src, m_home.Root() / "dst2"));
    EXPECT_NE(silent.m_err.find("Task ID: 2"), std::string::npos) << silent.m_err;
}

}  // namespace

}  // namespace runtest
