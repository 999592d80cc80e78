// Help > Webpage and Help > Check for new version against a real web server on 127.0.0.1,
// with the browser replaced by a program that records what it was given.
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"
#include "platform/WebServer.h"
#include "support/ScriptedDialogs.h"
#include "support/SilentListener.h"
#include "support/TestEnv.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/WebCommands.h"

namespace tvtest {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using tv::AnnouncedBuild;

TEST(AnnouncedBuild, TheLineIsTrimmedCutToOurLengthAndComparedWithOurBuild) {
    EXPECT_EQ(AnnouncedBuild(" \t5.9.0  \r", "5.9.0"), std::nullopt);
    EXPECT_EQ(AnnouncedBuild("5.9.0 (12 May)", "5.9.0"), std::nullopt) << "cut to our length";
    EXPECT_EQ(AnnouncedBuild("5.9.1", "5.9.0"), "5.9.1");
    EXPECT_EQ(AnnouncedBuild("  6  ", "5.9.0"), "6");
    EXPECT_EQ(AnnouncedBuild("5.8.9", "5.9.0"), "5.8.9") << "any other build is announced";
    EXPECT_EQ(AnnouncedBuild(" \t ", "5.9.0"), std::nullopt) << "an empty line announces nothing";
}

// Posted calls wait here until the test runs them, as the window's event loop would.
class CPostQueue {
  public:
    void Post(std::function<void()> fn) {
        std::lock_guard lock(m_mutex);
        m_posted.push_back(std::move(fn));
    }
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) {
                return false;
            }
            std::function<void()> fn;
            {
                std::lock_guard lock(m_mutex);
                if (!m_posted.empty()) {
                    fn = std::move(m_posted.front());
                    m_posted.pop_front();
                }
            }
            fn ? fn() : std::this_thread::sleep_for(5ms);
        }
        return true;
    }
    size_t Waiting() {
        std::lock_guard lock(m_mutex);
        return m_posted.size();
    }

  private:
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_posted;
};

// Waits for a file that a detached program writes.
std::string AwaitFile(const fs::path& path) {
    for (int i = 0; i < 500 && !fs::exists(path); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    std::this_thread::sleep_for(50ms);  // the last line
    return fs::exists(path) ? ReadFile(path) : std::string();
}

class WebCommandsTest : public ::testing::Test {
  protected:
    WebCommandsTest() {
        tv::AddMainWindowStrings();
        fs::create_directories(m_site);
        const fs::path opener = m_home.Root() / "opener";
        WriteFile(opener, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> \"" +
                              m_opened.string() + "\"; done\n");
        fs::permissions(opener, fs::perms::owner_all);
        setenv("TWINVALE_OPEN_CMD", opener.c_str(), 1);
    }
    ~WebCommandsTest() override { unsetenv("TWINVALE_OPEN_CMD"); }

    std::unique_ptr<tv::CWebCommands> Commands() {
        return std::make_unique<tv::CWebCommands>(
            m_profile, m_dialogs, [this](std::function<void()> fn) { m_posts.Post(std::move(fn)); },
            "5.9.0");
    }
    void Check(tv::CWebCommands& web) {
        web.CheckForNewVersion();
        ASSERT_TRUE(m_posts.PumpUntil([&] { return !web.Checking(); }));
    }
    void UseVersionFile(const std::string& url) {
        m_profile.WriteProfileString(tv::profkey::kAppSection, tv::profkey::kVersionFile, url);
    }

    CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
    CScriptedDialogs m_dialogs;
    CPostQueue m_posts;
    const fs::path m_site = m_home.Root() / "site";
    const fs::path m_opened = m_home.Root() / "opened";
    const fs::path m_requests = m_home.Root() / "requests";
};

// The address is the browser's one argument as it stands: no shell gets to read it.
TEST_F(WebCommandsTest, ANewerBuildIsOfferedAndOurOwnIsNot) {
    const std::string page = "https://example.test/a b?x=1&y=$(touch pwned);'q'";
    m_profile.WriteProfileString(tv::profkey::kAppSection, tv::profkey::kWebPage, page);
    WriteFile(m_site / "build.txt", "  5.9.1 beta\nnotes that follow\n");
    CWebServer server(m_site.string(), m_requests.string());
    UseVersionFile(server.Url("build.txt"));
    auto web = Commands();
    m_dialogs.m_answers.push_back(tv::PromptAnswer::Yes);
    Check(*web);
    EXPECT_EQ(m_dialogs.m_asked,
              (std::vector<std::string>{"Build 5.9.1 is available. Do you want to download?"}));
    EXPECT_EQ(AwaitFile(m_opened), page + "\n");
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_EQ(ReadFile(m_requests), "New version\n");

    WriteFile(m_site / "build.txt", "5.9.0\r\n");
    Check(*web);
    EXPECT_EQ(m_dialogs.m_asked.back(), "There is no new version available.");
}

// An unreachable server, and an error page where the file should be, end the check silently.
TEST_F(WebCommandsTest, AFileThatCannotBeHadSaysNothing) {
    auto web = Commands();
    {
        CWebServer server(m_site.string(), m_requests.string());
        UseVersionFile(server.Url("missing.txt"));
        Check(*web);
        EXPECT_EQ(ReadFile(m_requests), "New version\n") << "the server was asked";
        UseVersionFile(server.Url("build.txt"));
    }
    Check(*web);  // the server is gone now
    UseVersionFile("ftp://127.0.0.1/build.txt");
    Check(*web);
    EXPECT_TRUE(m_dialogs.m_asked.empty());
}

// A server that takes the connection and never answers: the window does not wait for it, and
// closing the window ends the check at once without a late answer reaching it.
TEST_F(WebCommandsTest, ACheckUnderWayNeitherBlocksNorOutlivesTheWindow) {
    const CSilentListener silent;
    ASSERT_NE(silent.Port(), 0);
    UseVersionFile("http://127.0.0.1:" + std::to_string(silent.Port()) + "/build.txt");

    auto web = Commands();
    auto started = std::chrono::steady_clock::now();
    web->CheckForNewVersion();
    web->CheckForNewVersion();  // a second one while the first runs is ignored
    EXPECT_LT(std::chrono::steady_clock::now() - started, 500ms);
    EXPECT_TRUE(web->Checking());
    std::this_thread::sleep_for(300ms);

    started = std::chrono::steady_clock::now();
    web.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
    m_posts.PumpUntil([&] { return m_posts.Waiting() == 0; });
    EXPECT_TRUE(m_dialogs.m_asked.empty());
}

}  // namespace
}  // namespace tvtest
