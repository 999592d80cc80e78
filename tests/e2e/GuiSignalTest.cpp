// The main window told to end by a signal (logout, kill, a closed terminal) goes through the
// exit routine the Exit command runs, instead of dying with what it had not stored yet.
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "e2e/RunTestSupport.h"

namespace runtest {

namespace {

TEST_F(RunTest, ASignalEndsTheMainWindowThroughItsExitRoutine) {
    const std::string list = MakeList({Task(4, Dir("src"), {Dir("dst")})});
    const fs::path profile = m_home.ConfigHome() / "Orbelin/Mirrant.conf";
    const auto profileHas = [&](const std::string& line) {
        return fs::exists(profile) && tvtest::ReadFile(profile).find(line) != std::string::npos;
    };
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        fs::remove(profile);
        bool opened = false;
        const CRun run = Mirrant({list}, [&](int pid) {
            for (int i = 0; i < 400 && !opened; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                opened = profileHas("lasttl=" + list + "\n");
            }
            kill(pid, signal);
        });
        EXPECT_TRUE(opened) << run.m_err;
        EXPECT_EQ(run.m_signal, 0) << signal;
        EXPECT_EQ(run.m_exit, 0) << signal << run.m_err;
        // The window's state is stored only by the exit routine.
        EXPECT_TRUE(profileHas("MXM=0\n")) << signal << tvtest::ReadFile(profile);
    }
    unsetenv("QT_QPA_PLATFORM");
}

}  // namespace

}  // namespace runtest
