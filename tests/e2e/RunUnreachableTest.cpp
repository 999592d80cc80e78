// Locations a run cannot open: the question names the location and the system's reason, so a
// folder that is not there can be told from one that is a file or a link that loops.
#include <gtest/gtest.h>

#include "e2e/RunTestSupport.h"

namespace runtest {

namespace {

using tvtest::WriteFile;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string Unanswered(const fs::path& location, const std::string& reason) {
    return "Nobody could answer \"Can't open " + location.string() + "\n" + reason +
           "\": Ignore was taken.";
}

class RunUnreachableTest : public RunTest {};

TEST_F(RunUnreachableTest, EachTargetThatCannotBeOpenedIsAskedAboutWithItsReason) {
    const fs::path source = Dir("src");
    WriteFile(source / "a.txt", "alpha");
    const fs::path missing = m_home.Root() / "unplugged" / "backup";
    WriteFile(m_home.Root() / "plain-file", "not a folder");
    const fs::path underFile = m_home.Root() / "plain-file" / "backup";
    fs::create_symlink("loop-b", m_home.Root() / "loop-a");
    fs::create_symlink("loop-a", m_home.Root() / "loop-b");
    const fs::path looping = m_home.Root() / "loop-a";
    const fs::path reachable = Dir("dst");
    const std::string list = MakeList({Task(4, source, {missing, underFile, looping, reachable})});

    const CRun run = Mirrant({"/F:" + list, "4"});
    const std::string log = Log(4);
    EXPECT_TRUE(Has(log, Unanswered(missing, "No such file or directory"))) << log;
    EXPECT_TRUE(Has(log, Unanswered(underFile, "Not a directory"))) << log;
    EXPECT_TRUE(Has(log, Unanswered(looping, "Too many levels of symbolic links"))) << log;
    // Ignore goes on with the next target, and the one that is there is brought up to date.
    EXPECT_TRUE(Same(source, reachable)) << run.m_err;
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(RunUnreachableTest, ASourceThatIsNotThereEndsTheRunAndSaysWhy) {
    const fs::path source = m_home.Root() / "gone";
    const fs::path target = Dir("dst");
    WriteFile(target / "kept.txt", "kept");
    const std::string list = MakeList({Task(5, source, {target})});

    const CRun run = Mirrant({"/F:" + list, "5"});
    EXPECT_NE(run.m_exit, 0);
    EXPECT_TRUE(Has(Log(5), Unanswered(source, "No such file or directory"))) << Log(5);
    EXPECT_TRUE(fs::exists(target / "kept.txt"));
}

}  // namespace

}  // namespace runtest
