// The relaunch with "/E" happens only to elevate through pkexec, when "/I" asks and can be served.
#include <gtest/gtest.h>

#include <set>

#include "app/CommandLine.h"

namespace {

using Argv = std::vector<std::string>;

class Relaunch : public ::testing::Test {
  protected:
    Relaunch() {
        m_context.m_strPkexec = "/usr/bin/pkexec";
        m_context.m_strExecutable = "/opt/tv/mirrant";
        m_context.m_strFolder = "/home/me/work";
        m_context.m_exists = [this](const std::string& path) { return m_files.count(path) > 0; };
    }
    tv::CRelaunchPlan Plan(const Argv& args) const { return tv::PlanRelaunch(args, m_context); }

    tv::CRelaunchContext m_context;
    std::set<std::string> m_files{"lists/a.tsl", "b.tsl", "12", "-b.tsl"};
};

TEST_F(Relaunch, WithoutTheElevationSwitchOrOnceRelaunchedThereIsNone) {
    for (const Argv& args : {Argv{}, Argv{"/F:lists/a.tsl", "5"}, Argv{"b.tsl", "/Q"},
                             Argv{"/F:lists/a.tsl", "/I", "/E"}, Argv{"-i", "-e"}}) {
        const tv::CRelaunchPlan plan = Plan(args);
        EXPECT_FALSE(plan.m_bElevated);
        EXPECT_TRUE(plan.m_Argv.empty());
        EXPECT_EQ(plan.m_strNote, "");
    }
}

// pkexec starts the program in root's home: a list that names a file here must name it from
// anywhere; a bare name that names nothing here is left to root's TLists folder, and no
// parameter ever passes through a shell.
TEST_F(Relaunch, ElevationGoesThroughPkexecWithTheListPathsAnchoredHere) {
    const tv::CRelaunchPlan plan =
        Plan({"-f:lists/a.tsl", "12", "/i", "/P:host; rm -rf ~", "b.tsl", "/S", "-b.tsl"});
    EXPECT_TRUE(plan.m_bElevated);
    EXPECT_EQ(plan.m_Argv,
              (Argv{"/usr/bin/pkexec", "/opt/tv/mirrant", "-f:/home/me/work/lists/a.tsl", "12",
                    "/i", "/P:host; rm -rf ~", "/home/me/work/b.tsl", "/S", "-b.tsl", "/E"}));
    EXPECT_NE(plan.m_strNote.find("root's settings"), std::string::npos);

    const Argv kept = Plan({"/F:daily.tsl", "/F:/srv/x.tsl", "/A", "/I"}).m_Argv;
    EXPECT_EQ(kept, (Argv{"/usr/bin/pkexec", "/opt/tv/mirrant", "/F:daily.tsl", "/F:/srv/x.tsl",
                          "/A", "/I", "/E"}));
}

TEST_F(Relaunch, ElevationThatCannotBeHadLeavesTheWorkToThisInstanceAndSaysWhy) {
    const Argv args{"/F:lists/a.tsl", "5", "/I"};
    struct {
        void (*m_change)(tv::CRelaunchContext&);
        const char* m_why;
    } const cases[] = {
        {[](tv::CRelaunchContext& c) { c.m_strPkexec.clear(); }, "pkexec was not found"},
        {[](tv::CRelaunchContext& c) { c.m_bSuperUser = true; }, "already running as root"},
        {[](tv::CRelaunchContext& c) { c.m_strExecutable.clear(); }, "own path is unknown"},
    };
    for (const auto& c : cases) {
        tv::CRelaunchContext saved = m_context;
        c.m_change(m_context);
        const tv::CRelaunchPlan plan = Plan(args);
        EXPECT_FALSE(plan.m_bElevated) << c.m_why;
        EXPECT_TRUE(plan.m_Argv.empty()) << c.m_why;
        EXPECT_NE(plan.m_strNote.find(c.m_why), std::string::npos) << plan.m_strNote;
        m_context = saved;
    }
}

}  // namespace
