// A task list opened from the file manager: the program is started the way the shipped
// desktop entry says, with the list's path, and its window opens on that list.
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "e2e/RunTestSupport.h"

namespace runtest {

namespace {

TEST_F(RunTest, TheDesktopEntrysCommandOpensTheListInTheMainWindow) {
    const std::string entry =
        tvtest::ReadFile(fs::path(TWINVALE_SOURCE_DIR) / "share/applications/twinvale.desktop");
    ASSERT_NE(entry.find("\nExec=mirrant %f\n"), std::string::npos) << entry;
    const std::string list = MakeList({Task(4, Dir("src"), {Dir("dst")})});
    const fs::path profile = m_home.ConfigHome() / "Orbelin/Mirrant.conf";
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    bool opened = false;
    const CRun run = Mirrant({list}, [&](int pid) {
        // The window makes a list it has opened the last list of the next start.
        for (int i = 0; i < 400 && !opened; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            opened = fs::exists(profile) &&
                     tvtest::ReadFile(profile).find("lasttl=" + list + "\n") != std::string::npos;
        }
        kill(pid, SIGTERM);
    });
    unsetenv("QT_QPA_PLATFORM");
    EXPECT_TRUE(opened) << run.m_err;
}

}  // namespace

}  // namespace runtest
