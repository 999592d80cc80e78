// Task lists, the profile and the program's other files can hold passwords: runs of the real
// program under the usual umask show who may read what it writes, and where passwords show.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <set>

#include "e2e/RunTestSupport.h"

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
    static Json WithPasswords(Json task) {
        task["m_Source"]["m_strPassword"] = "site-pw";
        task["m_Source"]["m_strProxyPassword"] = "proxy-pw";
        task["m_strRasPassword"] = "dial-pw";
        task["m_strServicePassword"] = "service-pw";
        return task;
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
    const fs::path secret = MakeListAt(m_home.Root() / "secret.tsl", {WithPasswords(plain)});
    EXPECT_EQ(Mode(secret), 0600u);
    const fs::path open = MakeListAt(m_home.Root() / "open.tsl", {plain});
    EXPECT_EQ(Mode(open), 0644u);

    ASSERT_EQ(chmod(secret.c_str(), 0640), 0);
    MakeListAt(secret, {WithPasswords(plain), WithPasswords(Task(2, "/c", {"/d"}))});
    EXPECT_EQ(Mode(secret), 0640u) << "the group the user let in keeps reading";
    ASSERT_EQ(chmod(open.c_str(), 0604), 0);
    MakeListAt(open, {WithPasswords(plain)});
    EXPECT_EQ(Mode(open), 0604u);

    const fs::path ours = m_home.DataHome() / "Twinvale" / "TLists" / "mine.tsl";
    MakeListAt(ours, {plain});
    EXPECT_EQ(Mode(ours), 0600u);
    EXPECT_EQ(Mode(ours.parent_path()), 0700u);
}

}  // namespace

}  // namespace runtest
