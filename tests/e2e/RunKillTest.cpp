#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <random>
#include <thread>

#include "e2e/RunTestSupport.h"

// Kills the real program at random moments of one-way and two-way runs over generated trees,
// then runs it to the end and checks that nothing of the killed runs is left over or taken
// for user data. TWINVALE_KILL_SEED and TWINVALE_KILL_COUNT choose the trees and moments and
// how many kills to make; the test prints both so that a failure can be run again.

namespace runtest {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Relative path -> content; a folder is its path with a trailing "/" and no content.
using Tree = std::map<std::string, std::string>;

constexpr uint64_t kDefaultSeed = 20260509;
constexpr uint64_t kDefaultKills = 50;
constexpr int kMostScenarios = 100;
constexpr uint32_t kMirrorBackup = 0x29;  // target update only, delete from target, subfolders
constexpr uint32_t kTwoWay = 0x20;
constexpr uint32_t kContinueOnErrors = 0x200;
constexpr int64_t kDay = 86400;

enum class Mode { Backup, Sync };

uint64_t EnvNumber(const char* name, uint64_t otherwise) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 0) : otherwise;
}

bool IsTempName(const std::string& path) {
    return path.find(".~tv-") != std::string::npos;
}

int64_t Now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

Tree ReadTree(const fs::path& root) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string rel = entry.path().lexically_relative(root).string();
        if (entry.is_directory()) {
            tree[rel + "/"];
        } else {
            tree[rel] = tvtest::ReadFile(entry.path());
        }
    }
    return tree;
}

// The paths where two trees differ, enough of them to see what went wrong.
std::string Differences(const Tree& actual, const Tree& expected) {
    std::string out;
    for (const auto& [path, content] : actual) {
        const auto it = expected.find(path);
        if (it == expected.end() || it->second != content) {
            out += (it == expected.end() ? "\n  extra: " : "\n  differs: ") + path;
        }
    }
    for (const auto& entry : expected) {
        if (!actual.count(entry.first)) {
            out += "\n  missing: " + entry.first;
        }
    }
    return out;
}

// A log is whole when it ends with the line that closes a run.
bool IsCompleteLog(const std::string& log) {
    return log.starts_with("Task started: ") && log.find("\r\nTask ended: ") != std::string::npos &&
           log.ends_with("\r\n");
}

class RunKillTest : public RunTest {
  protected:
    void SetUp() override {
        m_seed = EnvNumber("TWINVALE_KILL_SEED", kDefaultSeed);
        m_killGoal = EnvNumber("TWINVALE_KILL_COUNT", kDefaultKills);
        m_rng.seed(m_seed);
        const auto started = Clock::now();
        Mirrant({"--version"});
        m_startup = Clock::now() - started;
        m_window = 3 * m_startup;
    }

    size_t Pick(size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(m_rng); }
    std::string Bytes(size_t size);
    void Write(const fs::path& root, Tree& model, const std::string& rel,
               const std::string& content, int64_t mtime);
    void AddFile(const fs::path& root, Tree& model, int64_t mtime);
    void RemoveSome(const fs::path& root, Tree& model, size_t count);
    void Scenario(int index, Mode mode);
    void Changes(Mode mode, int round, const fs::path& src, const fs::path& dst, Tree& expected);
    void KillRound(const std::string& list, int id, const std::vector<fs::path>& sides,
                   const Tree& expected);
    bool RunAndKill(const std::vector<std::string>& args);
    void CheckKilled(const std::vector<fs::path>& sides, const std::vector<Tree>& before,
                     const Tree& expected);
    void RunToEnd(const std::string& list, int id, const std::vector<fs::path>& sides,
                  const Tree& expected);
    size_t LogTemps() const;

    uint64_t m_seed = 0;
    uint64_t m_killGoal = 0;
    std::mt19937_64 m_rng;
    Clock::duration m_startup{};
    // How long a run takes, from the last one that ended on its own.
    Clock::duration m_window{};
    int m_nextName = 0;
    uint64_t m_kills = 0;
    uint64_t m_killsLeavingTemps = 0;
    uint64_t m_logTempsAfterKills = 0;
};

std::string RunKillTest::Bytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; i += 8) {
        const uint64_t word = m_rng();
        std::memcpy(bytes.data() + i, &word, std::min<size_t>(8, size - i));
    }
    return bytes;
}

void RunKillTest::Write(const fs::path& root, Tree& model, const std::string& rel,
                        const std::string& content, int64_t mtime) {
    const fs::path path = root / rel;
    fs::create_directories(path.parent_path());
    tvtest::WriteFile(path, content);
    fs::last_write_time(path, fs::file_time_type::clock::from_sys(
                                  std::chrono::sys_seconds(std::chrono::seconds(mtime))));
    for (fs::path parent = fs::path(rel).parent_path(); !parent.empty();
         parent = parent.parent_path()) {
        model[parent.string() + "/"];
    }
    model[rel] = content;
}

// A new file in a folder of `model` or in a new one below it: a few kilobytes or, for one in
// ten, a few megabytes, so that kills land in the middle of copies.
void RunKillTest::AddFile(const fs::path& root, Tree& model, int64_t mtime) {
    std::vector<std::string> folders = {""};
    for (const auto& entry : model) {
        if (entry.first.ends_with('/') && std::ranges::count(entry.first, '/') < 3) {
            folders.push_back(entry.first);
        }
    }
    std::string folder = folders[Pick(folders.size())];
    if (Pick(4) == 0) {
        folder += "d" + std::to_string(m_nextName++) + "/";
    }
    const size_t size = Pick(10) == 0 ? (2u << 20) + Pick(4u << 20) : Pick(12 * 1024);
    Write(root, model, folder + "f" + std::to_string(m_nextName++), Bytes(size), mtime);
}

void RunKillTest::RemoveSome(const fs::path& root, Tree& model, size_t count) {
    for (size_t i = 0; i < count && !model.empty(); ++i) {
        const std::string rel =
            std::next(model.begin(), static_cast<long>(Pick(model.size())))->first;
        const bool folder = rel.ends_with('/');
        fs::remove_all(root / (folder ? rel.substr(0, rel.size() - 1) : rel));
        std::erase_if(model, [&](const auto& entry) {
            return entry.first == rel || (folder && entry.first.starts_with(rel));
        });
    }
}

void RunKillTest::Scenario(int index, Mode mode) {
    const fs::path src = Dir("s" + std::to_string(index) + "/src");
    const fs::path dst = Dir("s" + std::to_string(index) + "/dst");
    const int id = 30 + index;
    Json task = Task(id, src, {dst});
    task["m_dwOptions"] = mode == Mode::Backup ? kMirrorBackup : kTwoWay;
    task["m_dwOptions2"] = kContinueOnErrors;
    const std::string list = MakeList({task});
    Tree expected;
    for (int round = 0; round < 2 && !HasFailure(); ++round) {
        Changes(mode, round, src, dst, expected);
        KillRound(list, id, mode == Mode::Backup ? std::vector{dst} : std::vector{src, dst},
                  expected);
        RunToEnd(list, id, {src, dst}, expected);
    }
    fs::remove_all(src.parent_path());
}

// The first round fills the source (two-way: both sides, with different files); the second
// changes files on either side, adds some and (one-way) removes some, so that copies replace
// older versions. `expected` is what both sides hold once a run has ended.
void RunKillTest::Changes(Mode mode, int round, const fs::path& src, const fs::path& dst,
                          Tree& expected) {
    const int64_t mtime = Now() - (round == 0 ? 2 : 1) * kDay;
    const fs::path sides[2] = {src, dst};
    const size_t sideCount = mode == Mode::Backup ? 1 : 2;
    if (round > 0) {
        std::vector<std::string> files;
        for (const auto& entry : expected) {
            if (!entry.first.ends_with('/')) {
                files.push_back(entry.first);
            }
        }
        std::shuffle(files.begin(), files.end(), m_rng);
        files.resize(std::min<size_t>(files.size(), 10));
        for (const std::string& rel : files) {
            const size_t size = expected[rel].size();
            Write(sides[Pick(sideCount)], expected, rel, Bytes(size / 2 + Pick(size + 1)), mtime);
        }
        if (mode == Mode::Backup) {
            RemoveSome(src, expected, 3);
        }
    }
    const size_t added = round == 0 ? 40 + Pick(60) : 5 + Pick(10);
    for (size_t i = 0; i < added; ++i) {
        AddFile(sides[Pick(sideCount)], expected, mtime);
    }
}

void RunKillTest::KillRound(const std::string& list, int id, const std::vector<fs::path>& sides,
                            const Tree& expected) {
    std::vector<Tree> before;
    for (const fs::path& side : sides) {
        before.push_back(ReadTree(side));
    }
    const size_t attempts = 3 + Pick(3);
    for (size_t i = 0; i < attempts && m_kills < m_killGoal && !HasFailure(); ++i) {
        const std::string oldLog = Log(id);
        // A run that ended before its kill has done the round's work.
        if (!RunAndKill({"/F:" + list, std::to_string(id), "/S"})) {
            return;
        }
        ++m_kills;
        CheckKilled(sides, before, expected);
        const std::string log = Log(id);
        EXPECT_TRUE(log == oldLog || IsCompleteLog(log)) << "a partial log:\n" << log;
    }
}

// Sends SIGKILL at a random moment between the start-up of the program and a little after the
// time the last whole run took; true when the kill ended the run.
bool RunKillTest::RunAndKill(const std::vector<std::string>& args) {
    using std::chrono::microseconds;
    const int64_t earliest = std::chrono::duration_cast<microseconds>(m_startup * 7 / 10).count();
    const int64_t latest = std::max<int64_t>(
        std::chrono::duration_cast<microseconds>(m_window * 11 / 10).count(), earliest + 10'000);
    const microseconds delay(std::uniform_int_distribution<int64_t>(earliest, latest)(m_rng));
    const auto started = Clock::now();
    const CRun run = Mirrant(args, [&](int pid) {
        while (Clock::now() - started < delay) {
            siginfo_t info{};
            if (waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid) {
                return;
            }
            std::this_thread::sleep_for(1ms);
        }
        kill(pid, SIGKILL);
    });
    if (run.m_signal == SIGKILL) {
        m_window = std::max<Clock::duration>(m_window, delay * 5 / 4);
        return true;
    }
    EXPECT_EQ(run.m_exit, 0) << "signal " << run.m_signal << "\n" << run.m_err;
    m_window = Clock::now() - started;
    return false;
}

// Every file of a side holds either what it held before the round or what it will hold after;
// only the temporary files of the killed copies may be there besides.
void RunKillTest::CheckKilled(const std::vector<fs::path>& sides, const std::vector<Tree>& before,
                              const Tree& expected) {
    bool temps = false;
    for (size_t i = 0; i < sides.size(); ++i) {
        for (const auto& [path, content] : ReadTree(sides[i])) {
            if (IsTempName(path)) {
                temps = true;
                continue;
            }
            const auto old = before[i].find(path);
            const auto now = expected.find(path);
            EXPECT_TRUE((old != before[i].end() && old->second == content) ||
                        (now != expected.end() && now->second == content))
                << sides[i] / path << " is neither its old nor its new content";
        }
    }
    m_killsLeavingTemps += temps ? 1 : 0;
    m_logTempsAfterKills += LogTemps();
}

void RunKillTest::RunToEnd(const std::string& list, int id, const std::vector<fs::path>& sides,
                           const Tree& expected) {
    const CRun run = Mirrant({"/F:" + list, std::to_string(id), "/S"});
    ASSERT_EQ(run.m_exit, 0) << run.m_err;
    for (const fs::path& side : sides) {
        const Tree tree = ReadTree(side);
        EXPECT_TRUE(tree == expected) << side << Differences(tree, expected);
    }
    // Not even a deletion of a temporary file counts as work on user data.
    EXPECT_TRUE(IsCompleteLog(Log(id)) && !IsTempName(Log(id))) << Log(id);
    EXPECT_EQ(LogTemps(), 0u) << "a temporary log file outlived the run";
}

size_t RunKillTest::LogTemps() const {
    const fs::path logs = m_home.DataHome() / "Twinvale" / "logs";
    size_t count = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(logs, error)) {
        count += IsTempName(entry.path().filename().string()) ? 1 : 0;
    }
    return count;
}

TEST_F(RunKillTest, KilledRunsLeaveNothingThatTheRerunTakesForUserData) {
    std::cout << "[   kills  ] seed " << m_seed << " (TWINVALE_KILL_SEED), " << m_killGoal
              << " kills (TWINVALE_KILL_COUNT)" << std::endl;
    int scenarios = 0;
    for (; m_kills < m_killGoal && scenarios < kMostScenarios && !HasFailure(); ++scenarios) {
        SCOPED_TRACE("seed " + std::to_string(m_seed) + ", scenario " + std::to_string(scenarios));
        Scenario(scenarios, scenarios % 2 == 0 ? Mode::Backup : Mode::Sync);
    }
    std::cout << "[   kills  ] " << m_kills << " kills in " << scenarios << " scenarios; "
              << m_killsLeavingTemps << " left a temporary copy, " << m_logTempsAfterKills
              << " a temporary log" << std::endl;
    EXPECT_GE(m_kills, m_killGoal);
    EXPECT_GT(m_killsLeavingTemps, 0u) << "no kill landed in a copy: the test proved nothing";
}

}  // namespace

}  // namespace runtest
