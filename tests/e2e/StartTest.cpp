// How the program starts and what it makes of its command line, seen from outside.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sstream>

#include "e2e/RunTestSupport.h"

namespace runtest {

namespace {

using tvtest::ReadFile;
using tvtest::WriteFile;

// Sets an environment variable for the runs of one test and puts the old value back.
class CScopedEnv {
  public:
    CScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        setenv(name, value, 1);
    }
    ~CScopedEnv() {
        if (m_old) {
            setenv(m_name, m_old->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }

  private:
    const char* m_name;
    std::optional<std::string> m_old;
};

class StartTest : public RunTest {
  protected:
    fs::path Source() {
        const fs::path source = Dir("src");
        WriteFile(source / "a.txt", "alpha");
        return source;
    }

    // A backup task that first records the command line of the program that runs it.
    Json RecordingTask(int id, const fs::path& target) {
        Json task = Task(id, Source(), {target});
        task["m_bRunBefore"] = 1;
        task["m_strRunBefore"] =
            "tr '\\000' '\\n' </proc/$PPID/cmdline >'" + Recorded().string() + "'";
        return task;
    }
    fs::path Recorded() const { return m_home.Root() / "cmdline"; }
    std::vector<std::string> RecordedArgs() const {
        std::vector<std::string> args;
        std::istringstream in(ReadFile(Recorded()));
        for (std::string line; std::getline(in, line);) {
            args.push_back(line);
        }
        return args;
    }
};

TEST_F(StartTest, OrdinaryStartsWorkInTheFirstInstanceAndTakeTheRelaunchMarkAsItIs) {
    const fs::path target = Dir("dst");
    const std::string list = MakeList({RecordingTask(5, target)});

    CRun run = Mirrant({"/F:" + list, "5", "/S"});
    ASSERT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_TRUE(Same(m_home.Root() / "src", target));
    EXPECT_EQ(RecordedArgs(), (std::vector<std::string>{MIRRANT_PATH, "/F:" + list, "5", "/S"}));

    fs::remove(Recorded());
    run = Mirrant({"/F:" + list, "/e", "5"});
    ASSERT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_EQ(RecordedArgs(), (std::vector<std::string>{MIRRANT_PATH, "/F:" + list, "/e", "5"}));
}

// An unknown switch must not turn a run of tasks into something else (a list to open, a
// refusal): it is named on standard error and the run goes on without it.
TEST_F(StartTest, UnknownSwitchesAreIgnoredWithAWarningNamingEach) {
    const fs::path source = Source();
    const fs::path target = Dir("dst");
    const std::string list = MakeList({Task(7, source, {target})});

    const CRun run = Mirrant({"/F:" + list, "/Q", "7", "-x", "/Z:/some/where", "/?", "/S"});
    ASSERT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_TRUE(Same(source, target));
    for (const char* sw : {"'/Q'", "'-x'", "'/Z:/some/where'", "'/?'"}) {
        EXPECT_NE(run.m_err.find(sw), std::string::npos) << sw << " in " << run.m_err;
    }
    EXPECT_EQ(run.m_err.find("'/S'"), std::string::npos) << run.m_err;

    // Alone, an unknown switch leaves the start that no switch makes: the main window.
    const CRun alone = Mirrant({"/Q"});
    EXPECT_EQ(alone.m_exit, 6) << alone.m_err;
    EXPECT_NE(alone.m_err.find("'/Q'"), std::string::npos) << alone.m_err;
    EXPECT_NE(alone.m_err.find("display"), std::string::npos) << alone.m_err;
}

// Dates in the copy lines of the log follow the locale; the C locale writes month first.
TEST_F(StartTest, CopyLinesOfTheLogWriteTheDateInTheLocaleOrder) {
    const CScopedEnv locale("LC_ALL", "C");
    const CScopedEnv zone("TZ", "UTC");
    const fs::path source = Source();
    const fs::path target = Dir("dst");
    // 2024-03-05 14:07:09 UTC
    fs::last_write_time(source / "a.txt",
                        fs::file_time_type::clock::from_sys(
                            std::chrono::sys_seconds(std::chrono::seconds(1709647629))));
    const std::string list = MakeList({Task(8, source, {target})});

    const CRun run = Mirrant({"/F:" + list, "8", "/S"});
    ASSERT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_NE(Log(8).find("a.txt (03/05/24 14:07:09) --->"), std::string::npos) << Log(8);
}

}  // namespace

}  // namespace runtest
