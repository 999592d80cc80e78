#include "platform/CronJobs.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cstdlib>
#include <functional>
#include <random>

#include "platform/Crontab.h"
#include "platform/Process.h"
#include "support/CronRules.h"
#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> SplitNul(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1) {
        parts.push_back(text.substr(start, end - start));
    }
    return parts;
}

// The job command reaches the program as exactly these arguments, whatever the paths hold:
// quotes, blanks, "%" next to backslashes, shell syntax, any byte but a line break.
TEST(SchedulerJobCommand, ArgumentsSurviveCronAndTheShell) {
    tvtest::CTempDir dir;
    const fs::path folder = dir / "pro%g 'x'\\%$(no)";
    fs::create_directories(folder);
    const std::string program = (folder / "echo args").string();
    tvtest::WriteFile(program, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done\n");
    chmod(program.c_str(), 0755);

    std::vector<std::string> paths = {
        "/tmp/a b/list.tsl", "it's.tsl", "100%.tsl", "a\\%b",     "%%\\\\%", "\\", "x\\'%y'",
        "$(touch pwned)",    "`id`",     "\"q\" #c", "tab\there", "~/*",     ""};
    std::mt19937 random(15);
    for (int i = 0; i < 150; ++i) {
        std::string path;
        for (int n = static_cast<int>(random() % 12); n > 0; --n) {
            const char pick[] = "%\\'\" $`#a\t;&|*?~!";
            path += random() % 3 ? pick[random() % (sizeof pick - 1)]
                                 : static_cast<char>(1 + random() % 255);
        }
        if (path.find_first_of("\n\r") == std::string::npos) {
            paths.push_back(path);
        }
    }
    for (const std::string& path : paths) {
        for (const std::string part : {"12", "  3 5 7"}) {
            SCOPED_TRACE(path);
            const auto command = tv::SchedulerJobCommand(program, path, part);
            ASSERT_TRUE(command);
            std::string output;
            ASSERT_EQ(
                tv::RunProgramOutput({"/bin/sh", "-c", tvtest::AsCronRunsIt(*command)}, output), 0);
            std::vector<std::string> expected = {"--scheduled", "/f:" + path};
            for (const char* id : {"3", "5", "7"}) {
                if (part == "12") {
                    expected.push_back("12");
                    break;
                }
                expected.push_back(id);
            }
            EXPECT_EQ(SplitNul(output), expected);
        }
    }
    EXPECT_FALSE(fs::exists("pwned"));
    // No crontab line can carry a line break, and cron cuts long commands.
    EXPECT_FALSE(tv::SchedulerJobCommand(program, "a\nb.tsl", "1"));
    EXPECT_FALSE(tv::SchedulerJobCommand(program, "a\rb.tsl", "1"));
    EXPECT_FALSE(tv::SchedulerJobCommand(program, std::string(1000, 'x'), "1"));
    EXPECT_EQ(tv::SchedulerJobName("12"), "Synch12.job");
    EXPECT_EQ(tv::SchedulerJobName(" 3 5 7"), "Synch 3 5 7.job");
}

// The lines that are not our jobs, as they stand.
std::vector<std::string> ForeignLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(start, end - start);
        if (!tv::ParseCronLine(line)) {
            lines.push_back(line);
        }
        start = end;
    }
    return lines;
}

const char kForeign[] =
    "# m h  dom mon dow   command\n"
    "MAILTO=\"\"\r\n"
    "*/5 * * * *\t/usr/bin/backup --quiet   # Synch-not-ours\n"
    "@daily  echo 'a \\% b' # synch12.job is not at the end\n"
    "# 0 4 * * * '/x' # Synch12.job\n"
    "\n"
    "0 3 * * * '/usr/bin/mirrant' '/f:/other.tsl' '12' # Synch12.jobs\n";

// Creating, changing and removing our jobs: every foreign line keeps its bytes and its place,
// an existing job keeps its command, and a job made and removed leaves the crontab as it was.
TEST(CronJobs, OurLinesChangeAndForeignLinesStay) {
    tvtest::CTempDir dir;
    const std::string path = (dir / "crontab").string();
    for (const std::string& original :
         {std::string(kForeign), std::string(kForeign) + "@reboot x"}) {
        tvtest::WriteFile(path, original);
        auto crontab = tv::OpenCrontabFile(path);
        tv::CCronJobs jobs(*crontab);
        const auto foreignStay = [&] {
            EXPECT_EQ(ForeignLines(tvtest::ReadFile(path)),
                      ForeignLines(original + (original.back() == '\n' ? "" : "\n")));
        };
        const std::string single = "'/usr/bin/mirrant' --scheduled '/f:/l.tsl' '12'";
        ASSERT_EQ(jobs.Save({"Synch12.job", "30 2 * * *", 0, single}), tv::CronEdit::Done);
        ASSERT_EQ(jobs.Save({"Synch 3 5 7.job", "0 9 24 12 *", 2031, "'m' '3' '5' '7'"}),
                  tv::CronEdit::Done);
        foreignStay();
        ASSERT_EQ(jobs.Save({"SYNCH12.JOB", "*/15 * * * *", 0, "'another' 'command'"}),
                  tv::CronEdit::Done);
        foreignStay();
        std::optional<tv::CCronJob> found;
        ASSERT_EQ(jobs.Find("synch12.job", found), tv::CronEdit::Done);
        ASSERT_TRUE(found);
        EXPECT_EQ(found->m_strTiming, "*/15 * * * *");
        EXPECT_EQ(found->m_strCommand, single);
        ASSERT_EQ(jobs.Find("Synch 3 5 7.job", found), tv::CronEdit::Done);
        ASSERT_TRUE(found);
        EXPECT_EQ(found->m_nOnlyYear, 2031);
        EXPECT_EQ(found->m_strCommand, "'m' '3' '5' '7'");
        // A job of the same name that runs another list is not this list's job.
        ASSERT_EQ(jobs.Remove("Synch12.job", "'/f:/elsewhere.tsl'"), tv::CronEdit::Done);
        ASSERT_EQ(jobs.Find("Synch12.job", found), tv::CronEdit::Done);
        EXPECT_TRUE(found);
        ASSERT_EQ(jobs.Remove("Synch12.job", "'/f:/l.tsl'"), tv::CronEdit::Done);
        ASSERT_EQ(jobs.Remove("Synch 3 5 7.job", ""), tv::CronEdit::Done);
        // Only the line end the last foreign line lacked was added.
        EXPECT_EQ(tvtest::ReadFile(path), original + (original.back() == '\n' ? "" : "\n"));
    }
}

// A timing, name or command that would break the line is refused before anything is written.
TEST(CronJobs, RefusesWhatCannotBeALine) {
    tvtest::CTempDir dir;
    auto crontab = tv::OpenCrontabFile((dir / "crontab").string());
    tv::CCronJobs jobs(*crontab);
    for (const tv::CCronJob& bad : std::vector<tv::CCronJob>{
             {"Synch1.job", "* * * *", 0, "c"},
             {"Synch1.job", "* * * * * rm -rf ~", 0, "c"},
             {"Synch1.job", "* * * * *\nMAILTO=x", 0, "c"},
             {"Synch1.job", "@reboot #", 0, "c"},
             {"Other.job", "@reboot", 0, "c"},
             {"Synch1.job", "@reboot", 0, "c\n* * * * * evil"},
         }) {
        EXPECT_EQ(jobs.Save(bad), tv::CronEdit::BadJob) << bad.m_strTiming;
    }
    EXPECT_FALSE(fs::exists(dir / "crontab"));
}

// A crontab whose reads and writes a test steers: another editor, a failing read.
class CScriptedCrontab : public tv::ICrontab {
  public:
    explicit CScriptedCrontab(std::string lock) : m_strLock(std::move(lock)) {}
    bool Read(std::string& text, std::string& error) override {
        ++m_nReads;
        if (m_onRead && !m_onRead(m_nReads, m_strText)) {
            error = "read failed";
            return false;
        }
        text = m_strText;
        return true;
    }
    bool Write(const std::string& text, std::string& /*error*/) override {
        ++m_nWrites;
        m_strText = text;
        return true;
    }
    std::string LockPath() const override { return m_strLock; }

    std::string m_strText = "MAILTO=me\n";
    int m_nReads = 0;
    int m_nWrites = 0;
    std::function<bool(int, std::string&)> m_onRead;

  private:
    std::string m_strLock;
};

TEST(CronJobs, ConcurrentEditsAreRetriedAndFailedReadsNeverWritten) {
    tvtest::CTempDir dir;
    const tv::CCronJob job{"Synch12.job", "0 3 * * *", 0, "'m'"};
    const std::string ours = tv::CronLine(job) + "\n";
    {
        // Someone installs a line between our read and our write: ours goes on top of theirs.
        CScriptedCrontab crontab((dir / "lock").string());
        crontab.m_onRead = [](int read, std::string& text) {
            if (read == 2) {
                text += "@hourly theirs\n";
            }
            return true;
        };
        tv::CCronJobs jobs(crontab);
        EXPECT_EQ(jobs.Save(job), tv::CronEdit::Done);
        EXPECT_EQ(crontab.m_strText, "MAILTO=me\n@hourly theirs\n" + ours);
        EXPECT_EQ(crontab.m_nWrites, 1);
        // The same job again: nothing to write.
        EXPECT_EQ(jobs.Save(job), tv::CronEdit::Done);
        EXPECT_EQ(crontab.m_nWrites, 1);
    }
    for (const int failingRead : {1, 2}) {
        CScriptedCrontab crontab((dir / "lock").string());
        crontab.m_onRead = [failingRead](int read, std::string&) { return read != failingRead; };
        tv::CCronJobs jobs(crontab);
        EXPECT_EQ(jobs.Save(job), tv::CronEdit::ReadFailed);
        EXPECT_EQ(jobs.Remove("Synch12.job", ""), tv::CronEdit::Done);  // nothing to remove
        EXPECT_EQ(crontab.m_nWrites, 0);
    }
    {
        CScriptedCrontab crontab((dir / "lock").string());
        crontab.m_onRead = [](int read, std::string& text) {
            text += "# edit " + std::to_string(read) + "\n";
            return true;
        };
        tv::CCronJobs jobs(crontab);
        EXPECT_EQ(jobs.Save(job), tv::CronEdit::KeptChanging);
        EXPECT_EQ(crontab.m_nWrites, 0);
    }
}

// The user's crontab through the crontab program, here a stand-in on PATH that keeps its
// table in a file and logs its calls: "no crontab" reads as empty, a failing "crontab -l"
// stops the edit before any "crontab -", and a refused install is reported.
TEST(UserCrontab, TalksToTheCrontabProgram) {
    tvtest::CIsolatedHome home;
    tvtest::CTempDir bin;
    const std::string table = (bin / "table").string();
    const std::string log = (bin / "calls").string();
    tvtest::WriteFile(bin / "crontab", "#!/bin/sh\necho \"$1\" >> '" + log +
                                           "'\n"
                                           "if [ -e '" +
                                           table +
                                           ".fail' ]; then echo 'crontab: cannot open' >&2; "
                                           "exit 1; fi\n"
                                           "case \"$1\" in\n"
                                           "-l) [ -e '" +
                                           table +
                                           "' ] || { echo 'no crontab for tester' >&2; exit 1; }\n"
                                           "    cat '" +
                                           table +
                                           "';;\n"
                                           "-) cat > '" +
                                           table +
                                           ".new'\n"
                                           "   if grep -q refuse '" +
                                           table +
                                           ".new'; then echo 'errors in crontab "
                                           "file, can'\\''t install.' >&2; exit 1; fi\n"
                                           "   mv '" +
                                           table + ".new' '" + table +
                                           "';;\n"
                                           "esac\n");
    chmod((bin / "crontab").c_str(), 0755);
    const std::string oldPath = std::getenv("PATH");
    setenv("PATH", (bin.Path().string() + ":" + oldPath).c_str(), 1);
    unsetenv("TWINVALE_CRONTAB_FILE");

    auto crontab = tv::OpenUserCrontab();
    tv::CCronJobs jobs(*crontab);
    const tv::CCronJob job{"Synch12.job", "@reboot", 0, "'m' '%'"};
    EXPECT_EQ(jobs.Save(job), tv::CronEdit::Done);
    EXPECT_EQ(tvtest::ReadFile(table), tv::CronLine(job) + "\n");
    EXPECT_EQ(jobs.Save({"Synch13.job", "@reboot", 0, "'refuse'"}), tv::CronEdit::WriteFailed);
    EXPECT_EQ(jobs.Error(), "errors in crontab file, can't install.");
    tvtest::WriteFile(table + ".fail", "");
    const std::string callsBefore = tvtest::ReadFile(log);
    EXPECT_EQ(jobs.Remove("Synch12.job", ""), tv::CronEdit::ReadFailed);
    EXPECT_EQ(jobs.Error(), "crontab: cannot open");
    EXPECT_EQ(tvtest::ReadFile(log), callsBefore + "-l\n");
    setenv("PATH", oldPath.c_str(), 1);
}

}  // namespace
