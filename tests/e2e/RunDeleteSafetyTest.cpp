// Deletions and writes stay inside what the run compared: folders removed as a whole keep what
// the scan never offered for deletion, links never carry a change out of a side's root, and a
// question nobody can answer leaves its automatic answer in the log.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "e2e/RunTestSupport.h"

extern char** environ;

namespace runtest {

namespace {

using tvtest::ReadFile;
using tvtest::WriteFile;

constexpr int kLoggedErrors = 1;
const std::string kChainName(200, 'd');

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class RunDeleteSafetyTest : public RunTest {
  protected:
    // Runs the program on a pseudo-terminal of its own, so that it can ask. When `question`
    // appears, `onQuestion` runs and `answer` is typed. Returns the exit status and the output.
    CRun MirrantOnTerminal(std::vector<std::string> args, const std::string& question,
                           const std::function<void()>& onQuestion, const std::string& answer);

    // A chain of folders below `base` whose deepest part no path call can reach (its path is
    // longer than the kernel takes), so that listing it fails whoever runs the test.
    static void MakeUnreachableChain(const fs::path& base);
};

CRun RunDeleteSafetyTest::MirrantOnTerminal(std::vector<std::string> args,
                                            const std::string& question,
                                            const std::function<void()>& onQuestion,
                                            const std::string& answer) {
    CRun run;
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        ADD_FAILURE() << "no pseudo-terminal";
        return run;
    }
    const std::string slave = ptsname(master);
    args.insert(args.begin(), MIRRANT_PATH);
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, slave.c_str(), O_RDWR | O_NOCTTY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, slave.c_str(), O_RDWR | O_NOCTTY, 0);
    pid_t pid = 0;
    const bool spawned =
        posix_spawn(&pid, MIRRANT_PATH, &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool asked = false;
    while (spawned && std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{master, POLLIN, 0};
        if (poll(&pfd, 1, 200) <= 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0) {
            break;  // the program closed its terminal: it has ended
        }
        run.m_err.append(buffer, static_cast<size_t>(n));
        if (!asked && Has(run.m_err, question)) {
            asked = true;
            onQuestion();
            EXPECT_EQ(write(master, answer.data(), answer.size()),
                      static_cast<ssize_t>(answer.size()));
        }
    }
    int status = 0;
    if (spawned && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        run.m_exit = WEXITSTATUS(status);
    }
    close(master);
    EXPECT_TRUE(asked) << run.m_err;
    return run;
}

void RunDeleteSafetyTest::MakeUnreachableChain(const fs::path& base) {
    int fd = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < 24 && fd >= 0; ++level) {
        ASSERT_EQ(mkdirat(fd, kChainName.c_str(), 0755), 0);
        const int child = openat(fd, kChainName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = child;
    }
    ASSERT_GE(fd, 0);
    close(fd);
}

// The old folder of the target holds what the filters refuse next to what they admit.
void FillOldFolder(const fs::path& old) {
    fs::create_directories(old / "Private");
    fs::create_directories(old / "sub" / "deeper");
    fs::create_directories(old / "mixed");
    WriteFile(old / "plain.txt", "compared, so deleted");
    WriteFile(old / "keep.tmp", "refused by a mask");
    WriteFile(old / ".hidden", "refused as hidden");
    WriteFile(old / "Private" / "p.txt", "inside an excluded item");
    WriteFile(old / "sub" / "deeper" / "x.txt", "compared, so deleted");
    WriteFile(old / "mixed" / "y.tmp", "refused by a mask");
    WriteFile(old / "mixed" / "z.txt", "compared, so deleted");
}

TEST_F(RunDeleteSafetyTest, RemovingAFolderKeepsWhatTheFiltersRefused) {
    const fs::path source = Dir("src");
    WriteFile(source / "a.txt", "alpha");
    const fs::path replaced = Dir("replaced");
    const fs::path backup = Dir("backup");
    Json replace = Task(1, source, {replaced});
    Json mirror = Task(2, source, {backup});
    mirror["m_dwOptions"] = 0x21 | 0x8;  // and delete from the target what the source lacks
    for (Json* task : {&replace, &mirror}) {
        (*task)["m_dwOptions2"] = 0x4 | 0x8 | 0x200;  // excluded items and masks, no questions
        (*task)["m_dwOptions4"] = 0x2;                // skip hidden files
        (*task)["m_strExcludeMasks"] = "*.tmp";
        (*task)["m_ExcludedItems"] = Json::array({"/old/Private"});
    }
    const std::string list = MakeList({replace, mirror});

    for (const int id : {1, 2}) {
        SCOPED_TRACE(id);
        const fs::path target = id == 1 ? replaced : backup;
        FillOldFolder(target / "old");
        fs::create_directories(target / "gone" / "inner");
        WriteFile(target / "gone" / "inner" / "g.txt", "compared, so deleted");
        std::vector<std::string> args = {"/F:" + list, std::to_string(id)};
        if (id == 1) {
            args.push_back("/R");
        }
        const CRun run = Mirrant(args);
        EXPECT_EQ(run.m_exit, kLoggedErrors) << run.m_err;
        EXPECT_EQ(ReadFile(target / "a.txt"), "alpha");
        EXPECT_FALSE(fs::exists(target / "gone"));
        EXPECT_FALSE(fs::exists(target / "old" / "plain.txt"));
        EXPECT_FALSE(fs::exists(target / "old" / "sub"));
        EXPECT_FALSE(fs::exists(target / "old" / "mixed" / "z.txt"));
        EXPECT_EQ(ReadFile(target / "old" / "keep.tmp"), "refused by a mask");
        EXPECT_EQ(ReadFile(target / "old" / ".hidden"), "refused as hidden");
        EXPECT_EQ(ReadFile(target / "old" / "Private" / "p.txt"), "inside an excluded item");
        EXPECT_EQ(ReadFile(target / "old" / "mixed" / "y.tmp"), "refused by a mask");
        const std::string log = Log(id);
        EXPECT_TRUE(Has(log, (target / "old" / "sub").string() + " deleted")) << log;
        EXPECT_TRUE(Has(log, (target / "old").string() + " was kept: it holds ")) << log;
        EXPECT_TRUE(Has(log, (target / "old" / "mixed").string() + " was kept: it holds y.tmp"))
            << log;
    }
}

TEST_F(RunDeleteSafetyTest, FilesMadeWhileThePreviewWaitsSurviveTheRemovalOfTheirFolder) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    WriteFile(source / "a.txt", "alpha");
    fs::create_directories(target / "old");
    WriteFile(target / "old" / "seen.txt", "compared, so deleted");
    Json task = Task(3, source, {target});
    task["m_dwOptions"] = 0x21 | 0x8 | 0x80;  // delete from the target, with a preview
    const std::string list = MakeList({task});

    const CRun run = MirrantOnTerminal(
        {"/F:" + list, "3"}, "Proceed?",
        [&] {
            WriteFile(target / "old" / "new.txt", "written after the scan");
            fs::create_directories(target / "old" / "newdir");
            WriteFile(target / "old" / "newdir" / "n.txt", "written after the scan");
        },
        "y\n");
    EXPECT_EQ(run.m_exit, kLoggedErrors) << run.m_err;
    EXPECT_EQ(ReadFile(target / "a.txt"), "alpha");
    EXPECT_FALSE(fs::exists(target / "old" / "seen.txt"));
    EXPECT_EQ(ReadFile(target / "old" / "new.txt"), "written after the scan");
    EXPECT_EQ(ReadFile(target / "old" / "newdir" / "n.txt"), "written after the scan");
    EXPECT_TRUE(Has(Log(3), (target / "old").string() + " was kept: it holds ")) << Log(3);
}

TEST_F(RunDeleteSafetyTest, ReplaceChangesNothingThroughALinkThatLeavesTheTarget) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    // Its name begins with the target's: only a whole folder name makes a path lie below.
    const fs::path outside = Dir("dstx");
    fs::create_directories(source / "docs");
    WriteFile(source / "docs" / "a.txt", "new alpha");
    WriteFile(source / "docs" / "fresh.txt", "fresh");
    fs::create_directories(source / "docs" / "newsub");
    WriteFile(source / "note.txt", "new note");
    fs::create_directories(source / "data");
    WriteFile(source / "data" / "b.txt", "beta");
    fs::create_directories(source / "alias");
    WriteFile(source / "alias" / "b.txt", "beta");
    WriteFile(source / "alias" / "c.txt", "gamma");
    WriteFile(outside / "a.txt", "old alpha, not to be overwritten");
    WriteFile(outside / "precious.txt", "not to be deleted");
    WriteFile(outside / "note.txt", "outside note");
    fs::last_write_time(outside / "note.txt", fs::last_write_time(outside) - std::chrono::hours(1));
    fs::create_directory_symlink(outside, target / "docs");
    fs::create_symlink(outside / "note.txt", target / "note.txt");
    fs::create_directories(target / "data");
    WriteFile(target / "data" / "b.txt", "beta");
    fs::create_directory_symlink("data", target / "alias");   // stays inside: harmless
    fs::create_directory_symlink(outside, target / "stale");  // removed as a link
    // A backup that repairs attributes would set them on what a link leads to.
    const fs::path repaired = Dir("repaired");
    fs::copy_file(source / "note.txt", outside / "same.txt");
    fs::last_write_time(outside / "same.txt", fs::last_write_time(source / "note.txt"));
    fs::permissions(outside / "same.txt", fs::perms::owner_read);
    fs::create_symlink(outside / "same.txt", repaired / "note.txt");
    Json attributes = Task(14, source, {repaired});
    attributes["m_nCompareMode"] = 1;  // time or attributes
    const std::string list = MakeList({Task(4, source, {target}), attributes});

    const CRun repair = Mirrant({"/F:" + list, "14"});
    EXPECT_EQ(repair.m_exit, kLoggedErrors) << repair.m_err;
    EXPECT_EQ(fs::status(outside / "same.txt").permissions(), fs::perms::owner_read);
    EXPECT_TRUE(Has(Log(14), (repaired / "note.txt").string() + " leads to ")) << Log(14);

    const CRun run = Mirrant({"/F:" + list, "4", "/R"});
    EXPECT_EQ(run.m_exit, kLoggedErrors) << run.m_err;
    EXPECT_EQ(ReadFile(outside / "a.txt"), "old alpha, not to be overwritten");
    EXPECT_EQ(ReadFile(outside / "precious.txt"), "not to be deleted");
    EXPECT_EQ(ReadFile(outside / "note.txt"), "outside note");
    EXPECT_FALSE(fs::exists(outside / "fresh.txt"));
    EXPECT_FALSE(fs::exists(outside / "newsub"));
    EXPECT_TRUE(fs::is_symlink(target / "docs"));
    // A file that is a link is replaced, never written through.
    EXPECT_FALSE(fs::is_symlink(target / "note.txt"));
    EXPECT_EQ(ReadFile(target / "note.txt"), "new note");
    EXPECT_FALSE(fs::exists(fs::symlink_status(target / "stale")));
    EXPECT_TRUE(fs::is_symlink(target / "alias"));
    EXPECT_EQ(ReadFile(target / "data" / "c.txt"), "gamma");
    const std::string log = Log(4);
    EXPECT_TRUE(Has(log, (target / "docs").string() + " leads to " + outside.string())) << log;
    EXPECT_FALSE(Has(log, (target / "alias").string() + " leads to")) << log;
}

TEST_F(RunDeleteSafetyTest, TwoWayRunChangesNothingThroughALinkThatLeavesTheSource) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    const fs::path outside = Dir("elsewhere");
    WriteFile(outside / "kept.txt", "outside");
    fs::create_directory_symlink(outside, source / "shared");
    fs::create_directories(target / "shared");
    WriteFile(target / "shared" / "from-target.txt", "new on the target");
    WriteFile(target / "t.txt", "gamma");
    Json task = Task(5, source, {target});
    task["m_dwOptions"] = 0x20;  // synchronize folders
    const std::string list = MakeList({task});

    const CRun run = Mirrant({"/F:" + list, "5"});
    EXPECT_EQ(run.m_exit, kLoggedErrors) << run.m_err;
    EXPECT_EQ(ReadFile(source / "t.txt"), "gamma");
    EXPECT_FALSE(fs::exists(outside / "from-target.txt"));
    EXPECT_FALSE(fs::exists(target / "shared" / "kept.txt"));
    EXPECT_TRUE(Has(Log(5), (source / "shared").string() + " leads to " + outside.string()))
        << Log(5);
}

TEST_F(RunDeleteSafetyTest, QuestionsNobodyCanAnswerLeaveTheirAnswerInTheLog) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    WriteFile(source / "both.txt", "first");
    Json task = Task(6, source, {target});
    task["m_dwOptions"] = 0x20;  // synchronize folders; errors are asked about
    const std::string list = MakeList({task});
    WriteFile(m_home.ConfigHome() / "Orbelin" / "Mirrant.conf",
              "[Settings]\nDlgPref=1044\n");  // the defaults, and confirm conflicts
    ASSERT_EQ(Mirrant({"/F:" + list, "6"}).m_exit, 0);

    // Both sides change the same file; a file meets a folder of its name; a folder lies
    // deeper than any path call reaches.
    const auto later = fs::file_time_type::clock::now() + std::chrono::hours(1);
    WriteFile(source / "both.txt", "source side");
    WriteFile(target / "both.txt", "target side, longer");
    fs::last_write_time(source / "both.txt", later);
    fs::last_write_time(target / "both.txt", later + std::chrono::minutes(5));
    fs::create_directories(source / "clash");
    WriteFile(source / "clash" / "inside.txt", "a folder");
    WriteFile(target / "clash", "a file");
    MakeUnreachableChain(source);

    const CRun run = Mirrant({"/F:" + list, "6"});
    std::system(("rm -rf '" + (source / kChainName).string() + "'").c_str());
    EXPECT_EQ(run.m_exit, kLoggedErrors) << run.m_err;
    EXPECT_EQ(ReadFile(source / "both.txt"), "source side");
    const std::string log = Log(6);
    EXPECT_TRUE(Has(log, "Nobody could answer \"Both Source " + (source / "both.txt").string()))
        << log;
    EXPECT_TRUE(Has(log,
                    "Overwrite Source by Target (source changes will be lost)?\": No was "
                    "taken."))
        << log;
    EXPECT_TRUE(Has(log, "Nobody could answer \"" + (target / "clash").string() +
                             " was created after task was started.\": Ignore was taken."))
        << log;
    EXPECT_TRUE(Has(log, "Nobody could answer \"Error while investigating dir " +
                             (source / kChainName).string()))
        << log;
}

}  // namespace

}  // namespace runtest
