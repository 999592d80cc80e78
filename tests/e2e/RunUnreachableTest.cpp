// A location a run cannot open is asked about with the system's reason, so that a folder that is
// not there can be told from one under a file or a link that loops.
#include <gtest/gtest.h>

#include "e2e/RunTestSupport.h"

namespace runtest {

namespace {

class RunUnreachableTest : public RunTest {
  protected:
    bool Asked(int id, const fs::path& location, const std::string& reason) {
        return Log(id).find("Nobody could answer \"Can't open " + location.string() + "\n" +
                            reason + "\": Ignore was taken.") != std::string::npos;
    }
};

TEST_F(RunUnreachableTest, EachLocationThatCannotBeOpenedIsAskedAboutWithItsReason) {
    const fs::path source = Dir("src");
    tvtest::WriteFile(source / "a.txt", "alpha");
    tvtest::WriteFile(m_home.Root() / "plain-file", "not a folder");
    fs::create_symlink("loop-b", m_home.Root() / "loop-a");
    fs::create_symlink("loop-a", m_home.Root() / "loop-b");
    const fs::path missing = m_home.Root() / "unplugged";
    const fs::path underFile = m_home.Root() / "plain-file" / "backup";
    const fs::path looping = m_home.Root() / "loop-a";
    const fs::path gone = m_home.Root() / "gone";
    const std::string list = MakeList(
        {Task(4, source, {missing, underFile, looping, Dir("dst")}), Task(5, gone, {Dir("dst")})});

    const CRun run = Mirrant({"/F:" + list, "4", "5"});
    EXPECT_TRUE(Asked(4, missing, "No such file or directory")) << Log(4);
    EXPECT_TRUE(Asked(4, underFile, "Not a directory")) << Log(4);
    EXPECT_TRUE(Asked(4, looping, "Too many levels of symbolic links")) << Log(4);
    EXPECT_TRUE(Asked(5, gone, "No such file or directory")) << Log(5);
    // Ignore goes on with the next target: the one that is there is brought up to date.
    EXPECT_TRUE(Same(source, Dir("dst"))) << run.m_err;
}

}  // namespace

}  // namespace runtest
