// A task list opened from the file manager: the program is started the way the shipped
// desktop entry says, with the list's path, and its window opens on that list.
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <thread>

#include "e2e/RunTestSupport.h"

namespace runtest {

namespace {

// The arguments the desktop entry's Exec line gives the program for a file at `path`.
std::vector<std::string> DesktopEntryArgs(const std::string& path) {
    const std::string entry =
        tvtest::ReadFile(fs::path(TWINVALE_SOURCE_DIR) / "share/applications/twinvale.desktop");
    std::smatch exec;
    EXPECT_TRUE(std::regex_search(entry, exec, std::regex("\nExec=([^\n]*)")));
    std::istringstream words(exec[1].str());
    std::vector<std::string> args;
    for (std::string word; words >> word;) {
        args.push_back(word == "%f" ? path : word);
    }
    EXPECT_EQ(args.front(), "mirrant");
    args.erase(args.begin());
    return args;
}

class OpenListTest : public RunTest {
  protected:
    OpenListTest() { setenv("QT_QPA_PLATFORM", "offscreen", 1); }
    ~OpenListTest() override { unsetenv("QT_QPA_PLATFORM"); }
};

TEST_F(OpenListTest, TheDesktopEntrysCommandOpensTheListInTheMainWindow) {
    const std::string list = MakeList({Task(4, Dir("src"), {Dir("dst")})});
    const fs::path profile = m_home.ConfigHome() / "Orbelin/Mirrant.conf";
    bool opened = false;
    const CRun run = Mirrant(DesktopEntryArgs(list), [&](int pid) {
        // The window makes a list it has opened the last list of the next start.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!opened && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            opened = fs::exists(profile) &&
                     tvtest::ReadFile(profile).find("lasttl=" + list + "\n") != std::string::npos;
        }
        kill(pid, SIGTERM);
    });
    EXPECT_TRUE(opened) << run.m_err;
    EXPECT_EQ(run.m_err.find("Can't open"), std::string::npos) << run.m_err;
}

}  // namespace

}  // namespace runtest
