// Task lists, the profile and the program's other files can hold passwords: runs of the real
// program under the usual umask show who may read what it writes, and where passwords show.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "e2e/RunTestSupport.h"
#include "platform/FtpServer.h"

namespace runtest {

namespace {

constexpr int kTwoWayWithSubfolders = 0x20;
constexpr int kBackupDeletingFromTarget = 0x29;

class PrivateFilesTest : public RunTest {
  protected:
    PrivateFilesTest() : m_oldMask(umask(022)) {}
    ~PrivateFilesTest() override { umask(m_oldMask); }

    static unsigned Mode(const fs::path& path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 01000000;
    }
    // Every folder below `root` (and `root` itself) must be 0700 and every file 0600; returns
    // the files seen, relative to `root`.
    static std::set<std::string> ExpectPrivate(const fs::path& root) {
        std::set<std::string> files;
        EXPECT_EQ(Mode(root), 0700u) << root;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            const bool folder = entry.is_directory();
            EXPECT_EQ(Mode(entry.path()), folder ? 0700u : 0600u) << entry.path();
            if (!folder) {
                files.insert(fs::relative(entry.path(), root).string());
            }
        }
        return files;
    }
    std::string MakeListAt(const fs::path& out, const std::vector<Json>& tasks) {
        const std::string json = (m_home.Root() / "in.json").string();
        tvtest::WriteFile(json, Json{{"version", "590"}, {"tasks", tasks}}.dump());
        const CRun made = Mirrant({"--make-list", json, out.string()});
        EXPECT_EQ(made.m_exit, 0) << made.m_err;
        return out.string();
    }
    mode_t m_oldMask;
};

// Everything a first list, a run with a snapshot, a two-way run and the program's start-up
// write lands in folders only the user can enter, in files only the user can read.
TEST_F(PrivateFilesTest, TheProgramsOwnFilesArePrivateUnderUmask022) {
    const fs::path source = Dir("src");
    tvtest::WriteFile(source / "a.txt", "alpha");
    tvtest::WriteFile(Dir("src/sub") / "b.txt", "beta");
    Json snapshot = Task(1, source, {Dir("backup")});
    snapshot["m_dwOptions"] = kBackupDeletingFromTarget;
    snapshot["m_bUseSnapshot"] = 1;
    Json twoWay = Task(2, source, {Dir("mirror")});
    twoWay["m_dwOptions"] = kTwoWayWithSubfolders;
    const std::string list = MakeList({snapshot, twoWay});
    EXPECT_EQ(Mode(list), 0644u) << "a new list without passwords is the user's to share";

    const CRun run = Mirrant({"/F:" + list, "/A"});
    ASSERT_EQ(run.m_exit, 0) << run.m_err;

    const auto data = ExpectPrivate(m_home.DataHome() / "Twinvale");
    for (const char* kept :
         {"FTPTimes", "logs/1.txt", "logs/2.txt", "SnapShots/ss1", "logs/2.sync"}) {
        EXPECT_EQ(data.count(kept), 1u) << kept;
    }
    EXPECT_EQ(ExpectPrivate(m_home.ConfigHome() / "Orbelin").count("Mirrant.conf"), 1u);
    EXPECT_EQ(ExpectPrivate(m_home.StateHome() / "Twinvale").count("ELNum"), 1u);
    EXPECT_EQ(Mode(m_home.ConfigHome()), 0755u) << "a folder the user made keeps its mode";
}

// A list the user keeps elsewhere: new ones are private when they hold a password, and a
// replaced one keeps whatever mode the user gave it; lists in the TLists folder are private.
TEST_F(PrivateFilesTest, ListsElsewhereKeepTheUsersModeAndNewSecretsArePrivate) {
    const Json plain = Task(1, "/a", {"/b"});
    // Any one kind of password makes a new list private.
    for (const auto& [key, where] :
         {std::pair("m_strPassword", "/m_Targets/0"), std::pair("m_strProxyPassword", "/m_Source"),
          std::pair("m_strRasPassword", ""), std::pair("m_strServicePassword", "")}) {
        Json task = plain;
        task[Json::json_pointer(std::string(where) + "/" + key)] = "pw";
        EXPECT_EQ(Mode(MakeListAt(m_home.Root() / (std::string(key) + ".tsl"), {task})), 0600u)
            << key;
    }
    const fs::path open = MakeListAt(m_home.Root() / "open.tsl", {plain});
    EXPECT_EQ(Mode(open), 0644u);
    Json secret = plain;
    secret["m_strServicePassword"] = "pw";
    ASSERT_EQ(chmod(open.c_str(), 0640), 0);
    MakeListAt(open, {secret});
    EXPECT_EQ(Mode(open), 0640u) << "the group the user let in keeps reading";

    const fs::path ours = m_home.DataHome() / "Twinvale" / "TLists" / "mine.tsl";
    MakeListAt(ours, {plain});
    EXPECT_EQ(Mode(ours), 0600u);
}

// The command lines of `pid` and of every process below it, as `ps` shows them to anyone.
void CollectCommandLines(int pid, std::set<std::string>& seen) {
    const fs::path proc = "/proc/" + std::to_string(pid);
    std::ifstream cmdline(proc / "cmdline");
    seen.insert(std::string(std::istreambuf_iterator<char>(cmdline), {}));
    std::error_code ec;
    for (const auto& thread : fs::directory_iterator(proc / "task", ec)) {
        std::ifstream children(thread.path() / "children");
        for (int child = 0; children >> child;) {
            CollectCommandLines(child, seen);
        }
    }
}

bool HasEnded(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text(std::istreambuf_iterator<char>(stat), {});
    const size_t close = text.rfind(')');
    return close == std::string::npos || text.compare(close, 3, ") Z") == 0;
}

std::string AllFilesBelow(const fs::path& root) {
    std::string all;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            all += tvtest::ReadFile(entry.path());
        }
    }
    return all;
}

// A refused login and an unreachable proxy end the run with errors that name the site, never
// the password: not on standard error, in the logs or any other file the program keeps, nor in
// the process table while the run goes on.
TEST_F(PrivateFilesTest, AWrongPasswordNeverShowsAnywhere) {
    const fs::path served = Dir("served");
    tvtest::CFtpServer server(served.string(), (m_home.Root() / "ftpd.log").string(), {},
                              tvtest::FtpTls::None);
    const fs::path source = Dir("src");
    tvtest::WriteFile(source / "a.txt", "alpha");
    const Json site = {{"m_bIsFtp", 1},
                       {"m_strSiteName", "site"},
                       {"m_strHost", "127.0.0.1"},
                       {"m_nPort", server.Port()},
                       {"m_strUser", "tv"},
                       {"m_strPassword", "wrong-pw-4711"},
                       {"m_strRemoteDir", "/"},
                       {"m_bPassive", 1}};
    Json refused = Task(1, source, {});
    refused["m_Targets"].push_back(site);
    Json proxied = Task(2, source, {});
    proxied["m_Targets"].push_back(site);
    proxied["m_Targets"][0]["m_strProxyHost"] = "127.0.0.1";
    proxied["m_Targets"][0]["m_nProxyPort"] = 9;
    proxied["m_Targets"][0]["m_nProxyType"] = 1;
    proxied["m_Targets"][0]["m_strProxyUser"] = "proxy-user";
    proxied["m_Targets"][0]["m_strProxyPassword"] = "proxy-pw-0815";
    const std::string list = MakeList({refused, proxied});

    std::set<std::string> commandLines;
    const CRun run = Mirrant({"/F:" + list, "/A"}, [&](int pid) {
        while (!HasEnded(pid)) {
            CollectCommandLines(pid, commandLines);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    EXPECT_EQ(run.m_exit, 2) << run.m_err;
    EXPECT_NE(Log(1).find("Can't connect to"), std::string::npos) << Log(1);
    EXPECT_NE(Log(2).find("Can't connect to"), std::string::npos) << Log(2);
    EXPECT_GT(commandLines.size(), 0u);
    const std::string kept = AllFilesBelow(m_home.DataHome()) + AllFilesBelow(m_home.ConfigHome()) +
                             AllFilesBelow(m_home.StateHome());
    for (const char* secret : {"wrong-pw-4711", "proxy-pw-0815"}) {
        EXPECT_EQ(run.m_err.find(secret), std::string::npos) << run.m_err;
        EXPECT_EQ(kept.find(secret), std::string::npos) << secret;
        for (const std::string& line : commandLines) {
            EXPECT_EQ(line.find(secret), std::string::npos) << line;
        }
    }
}

}  // namespace

}  // namespace runtest
