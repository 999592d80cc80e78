// Deletions and writes stay inside what the run compared: folders removed as a whole keep what
// the scan never offered for deletion, links never carry a change out of a side's root, and a
// question nobody can answer leaves its automatic answer in the log.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "e2e/RunTestSupport.h"

namespace runtest {

namespace {

using tvtest::ReadFile;
using tvtest::WriteFile;

constexpr int kLoggedErrors = 1;
const std::string kChainName(200, 'd');

void Put(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    WriteFile(file, text);
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class RunDeleteSafetyTest : public RunTest {
  protected:
    // A chain of folders below `base` whose deepest part no path call can reach (its path is
    // longer than the kernel takes), so that listing it fails whoever runs the test.
    static void MakeUnreachableChain(const fs::path& base);
};

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
    Put(old / "plain.txt", "compared, so deleted");
    Put(old / "keep.tmp", "refused by a mask");
    Put(old / ".hidden", "refused as hidden");
    Put(old / "Private" / "p.txt", "inside an excluded item");
    Put(old / "sub" / "deeper" / "x.txt", "compared, so deleted");
    Put(old / "mixed" / "y.tmp", "refused by a mask");
    Put(old / "mixed" / "z.txt", "compared, so deleted");
}

TEST_F(RunDeleteSafetyTest, RemovingAFolderKeepsWhatTheFiltersRefused) {
    const fs::path source = Dir("src");
    Put(source / "a.txt", "alpha");
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
        Put(target / "gone" / "inner" / "g.txt", "compared, so deleted");
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

TEST_F(RunDeleteSafetyTest, ReplaceChangesNothingThroughALinkThatLeavesTheTarget) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    // Its name begins with the target's: only a whole folder name makes a path lie below.
    const fs::path outside = Dir("dstx");
    Put(source / "docs" / "a.txt", "new alpha");
    Put(source / "docs" / "fresh.txt", "fresh");
    fs::create_directories(source / "docs" / "newsub");
    Put(source / "note.txt", "new note");
    Put(source / "data" / "b.txt", "beta");
    Put(source / "alias" / "b.txt", "beta");
    Put(source / "alias" / "c.txt", "gamma");
    Put(outside / "a.txt", "old alpha, not to be overwritten");
    Put(outside / "precious.txt", "not to be deleted");
    Put(outside / "note.txt", "outside note");
    fs::last_write_time(outside / "note.txt", fs::last_write_time(outside) - std::chrono::hours(1));
    fs::create_directory_symlink(outside, target / "docs");
    fs::create_symlink(outside / "note.txt", target / "note.txt");
    Put(target / "data" / "b.txt", "beta");
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
    Put(outside / "kept.txt", "outside");
    fs::create_directory_symlink(outside, source / "shared");
    Put(target / "shared" / "from-target.txt", "new on the target");
    Put(target / "t.txt", "gamma");
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
    Put(source / "both.txt", "first");
    Json task = Task(6, source, {target});
    task["m_dwOptions"] = 0x20;  // synchronize folders; errors are asked about
    const std::string list = MakeList({task});
    Put(m_home.ConfigHome() / "Orbelin" / "Mirrant.conf",
        "[Settings]\nDlgPref=1044\n");  // the defaults, and confirm conflicts
    ASSERT_EQ(Mirrant({"/F:" + list, "6"}).m_exit, 0);

    // Both sides change the same file; a file meets a folder of its name; a folder lies
    // deeper than any path call reaches.
    const auto later = fs::file_time_type::clock::now() + std::chrono::hours(1);
    Put(source / "both.txt", "source side");
    Put(target / "both.txt", "target side, longer");
    fs::last_write_time(source / "both.txt", later);
    fs::last_write_time(target / "both.txt", later + std::chrono::minutes(5));
    Put(source / "clash" / "inside.txt", "a folder");
    Put(target / "clash", "a file");
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
