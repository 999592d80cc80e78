#include "e2e/RunTestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

extern char** environ;

namespace runtest {

CRun RunTest::Mirrant(std::vector<std::string> args,
                      const std::function<void(int pid)>& whileRunning,
                      const std::string& terminal) {
    args.insert(args.begin(), MIRRANT_PATH);
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const fs::path err = m_home.Root() / "stderr";
    const fs::path out = m_home.Root() / "stdout";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (terminal.empty()) {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
    } else {
        tvtest::WriteFile(err, {});
        posix_spawn_file_actions_addopen(&actions, 0, terminal.c_str(), O_RDWR | O_NOCTTY, 0);
        posix_spawn_file_actions_adddup2(&actions, 0, 2);
    }
    pid_t pid = 0;
    CRun run;
    int status = 0;
    if (posix_spawn(&pid, MIRRANT_PATH, &actions, nullptr, argv.data(), environ) == 0) {
        if (whileRunning) {
            whileRunning(pid);
        }
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            run.m_exit = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            run.m_signal = WTERMSIG(status);
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    run.m_err = tvtest::ReadFile(err);
    run.m_out = tvtest::ReadFile(out);
    return run;
}

Json RunTest::Task(int id, const fs::path& source, const std::vector<fs::path>& targets) {
    Json task = {{"m_nTaskId", id},
                 {"m_strName", "task " + std::to_string(id)},
                 {"m_dwOptions", 0x21},    // target update only, with subfolders, no preview
                 {"m_dwOptions3", 0xC00},  // plain-text log
                 {"m_Source", {{"m_strPath", source.string()}}},
                 {"m_Targets", Json::array()}};
    for (const auto& target : targets) {
        task["m_Targets"].push_back({{"m_strPath", target.string()}});
    }
    return task;
}

std::string RunTest::MakeList(const std::vector<Json>& tasks) {
    const fs::path json = m_home.Root() / "list.json";
    const fs::path list = m_home.Root() / "list.tsl";
    tvtest::WriteFile(json, Json{{"version", "590"}, {"tasks", tasks}}.dump());
    const CRun made = Mirrant({"--make-list", json.string(), list.string()});
    EXPECT_EQ(made.m_exit, 0) << made.m_err;
    return list.string();
}

fs::path RunTest::Dir(const std::string& name) const {
    const fs::path dir = m_home.Root() / name;
    fs::create_directories(dir);
    return dir;
}

std::string RunTest::Log(int id) const {
    const fs::path log = m_home.DataHome() / "Twinvale" / "logs" / (std::to_string(id) + ".txt");
    return fs::exists(log) ? tvtest::ReadFile(log) : std::string();
}

bool RunTest::Same(const fs::path& a, const fs::path& b) {
    const std::string command = "diff -r '" + a.string() + "' '" + b.string() + "' >/dev/null";
    return std::system(command.c_str()) == 0;
}

}  // namespace runtest
