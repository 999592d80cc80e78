#include "tvservice/ServiceSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <map>
#include <sstream>
#include <thread>

extern char** environ;

namespace livetest {

CService::CService(const std::vector<std::string>& args, const fs::path& stderrFile) {
    std::vector<std::string> all = args;
    all.insert(all.begin(), TVSERVICE_PATH);
    std::vector<char*> argv;
    for (auto& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, TVSERVICE_PATH, &actions, nullptr, argv.data(), environ) == 0) {
        m_pid = pid;
    }
    posix_spawn_file_actions_destroy(&actions);
}

CService::~CService() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

int CService::Wait(std::chrono::milliseconds limit) {
    int status = 0;
    int code = -1;
    WaitUntil(
        [&] {
            if (m_pid > 0 && waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return true;
            }
            return m_pid <= 0;
        },
        limit);
    return code;
}

int CService::Stop(int signal, std::chrono::milliseconds limit) {
    if (m_pid > 0) {
        kill(m_pid, signal);
    }
    return Wait(limit);
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
               std::chrono::milliseconds interval) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(interval);
    }
}

namespace {

// Relative path -> "d" for a folder, else the file's content.
std::map<std::string, std::string> TreeOf(const fs::path& root,
                                          const std::function<bool(const std::string&)>& skip) {
    std::map<std::string, std::string> tree;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        // Lexically: the service may remove an entry while it is looked at.
        const std::string relative = it->path().lexically_relative(root).string();
        if (skip && skip(relative)) {
            if (it->is_directory()) {
                it.disable_recursion_pending();
            }
            continue;
        }
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            tree[relative] = "d";
            continue;
        }
        std::ifstream file(it->path(), std::ios::binary);
        std::ostringstream content;
        content << file.rdbuf();
        tree[relative] = file ? "f" + content.str() : "? unreadable";
    }
    if (ec) {
        tree["?"] = ec.message();
    }
    return tree;
}

}  // namespace

std::string TreeDifference(const fs::path& a, const fs::path& b,
                           const std::function<bool(const std::string&)>& skip) {
    const auto left = TreeOf(a, skip);
    const auto right = TreeOf(b, skip);
    for (const auto& [path, content] : left) {
        const auto other = right.find(path);
        if (other == right.end()) {
            return path + " is missing in " + b.string();
        }
        if (other->second != content) {
            return path + " differs in " + b.string();
        }
    }
    for (const auto& [path, content] : right) {
        if (!left.contains(path)) {
            return path + " is left over in " + b.string();
        }
    }
    return {};
}

fs::path LiveTest::Dir(const std::string& name) {
    const fs::path path = m_home.Root() / name;
    fs::create_directories(path);
    return path;
}

fs::path LiveTest::LogPath() const {
    return m_logPath.empty() ? m_home.DataHome() / "Twinvale/logs" / (std::string(kName) + ".log")
                             : m_logPath;
}

std::unique_ptr<CService> LiveTest::Start(const fs::path& source,
                                          const std::vector<fs::path>& targets) {
    std::vector<std::string> args = {kName, source.string()};
    for (const auto& target : targets) {
        args.push_back(target.string());
    }
    auto service = std::make_unique<CService>(args, m_home.Root() / "stderr");
    EXPECT_TRUE(WaitUntil([&] { return Log().find(" started") != std::string::npos; }, 10s))
        << tvtest::ReadFile(m_home.Root() / "stderr");
    return service;
}

void LiveTest::ExpectConverges(const fs::path& source, const std::vector<fs::path>& targets,
                               std::chrono::milliseconds limit,
                               const std::function<bool(const std::string&)>& skip) {
    for (const auto& target : targets) {
        std::string difference;
        EXPECT_TRUE(WaitUntil(
            [&] {
                difference = TreeDifference(source, target, skip);
                return difference.empty();
            },
            limit, 200ms))
            << difference << "\nThe service's log:\n"
            << Log();
    }
}

}  // namespace livetest
