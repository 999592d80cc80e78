#include "platform/Process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string_view>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tv {

namespace {

constexpr char kShell[] = "/bin/sh";
// The outer shell starts the command in the background and ends at once, so the command is
// adopted by init (or the session's subreaper) and this process has nothing to reap later.
constexpr char kDetachScript[] = "/bin/sh -c \"$1\" </dev/null >/dev/null 2>&1 &";

// The child starts with default signal handling and nothing blocked, whatever the calling
// thread had set up for its own signal handling.
class CSpawnAttributes {
  public:
    CSpawnAttributes() {
        posix_spawnattr_init(&m_attr);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&m_attr, &none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int sig : {SIGINT, SIGTERM, SIGQUIT, SIGHUP, SIGPIPE, SIGCHLD}) {
            sigaddset(&defaults, sig);
        }
        posix_spawnattr_setsigdefault(&m_attr, &defaults);
        posix_spawnattr_setflags(&m_attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~CSpawnAttributes() { posix_spawnattr_destroy(&m_attr); }
    CSpawnAttributes(const CSpawnAttributes&) = delete;
    CSpawnAttributes& operator=(const CSpawnAttributes&) = delete;

    const posix_spawnattr_t* Get() const { return &m_attr; }

  private:
    posix_spawnattr_t m_attr;
};

class CFileActions {
  public:
    CFileActions() { posix_spawn_file_actions_init(&m_actions); }
    ~CFileActions() { posix_spawn_file_actions_destroy(&m_actions); }
    CFileActions(const CFileActions&) = delete;
    CFileActions& operator=(const CFileActions&) = delete;

    void NullStreams() {
        posix_spawn_file_actions_addopen(&m_actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&m_actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&m_actions, 2, "/dev/null", O_WRONLY, 0);
    }
    // Standard output into the write end of a pipe; the child closes both ends of its copy.
    void OutputTo(int pipeRead, int pipeWrite) {
        posix_spawn_file_actions_addopen(&m_actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&m_actions, pipeWrite, 1);
        posix_spawn_file_actions_addopen(&m_actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclose(&m_actions, pipeRead);
        posix_spawn_file_actions_addclose(&m_actions, pipeWrite);
    }
    void ChangeFolder(const std::string& folder) {
        posix_spawn_file_actions_addchdir_np(&m_actions, folder.c_str());
    }
    const posix_spawn_file_actions_t* Get() const { return &m_actions; }

  private:
    posix_spawn_file_actions_t m_actions;
};

// The exit status of a started child; -1 when it was killed or cannot be reaped (SIGCHLD
// ignored by the program: the kernel then reaps it on its own).
int WaitForChild(pid_t pid) {
    int status = 0;
    pid_t got;
    do {
        got = waitpid(pid, &status, 0);
    } while (got < 0 && errno == EINTR);
    if (got != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

bool IsExecutableFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

bool RunCommandLine(const std::string& commandLine, const std::string& workingFolder,
                    ProgramWait wait, int* exitCode) {
    CSpawnAttributes attributes;
    CFileActions actions;
    if (!workingFolder.empty()) {
        actions.ChangeFolder(workingFolder);
    }
    std::string shell = kShell;
    std::string dashC = "-c";
    std::string script = wait == ProgramWait::Wait ? commandLine : kDetachScript;
    std::string name = "sh";
    std::string command = commandLine;
    char* argv[] = {shell.data(), dashC.data(),   script.data(),
                    name.data(),  command.data(), nullptr};
    if (wait == ProgramWait::Wait) {
        argv[3] = nullptr;
    }
    pid_t pid = 0;
    if (posix_spawn(&pid, kShell, actions.Get(), attributes.Get(), argv, environ) != 0) {
        return false;
    }
    const int status = WaitForChild(pid);
    if (exitCode) {
        *exitCode = status;
    }
    return true;
}

namespace {

// The argument vector posix_spawn wants, pointing into `args`, which must outlive it.
std::vector<char*> ArgvOf(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    return argv;
}

// The program's own output would only clutter ours, so its standard streams go nowhere.
pid_t SpawnQuiet(const std::vector<std::string>& args) {
    if (args.empty()) {
        return -1;
    }
    std::vector<std::string> copies = args;
    std::vector<char*> argv = ArgvOf(copies);
    CSpawnAttributes attributes;
    CFileActions actions;
    actions.NullStreams();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], actions.Get(), attributes.Get(), argv.data(), environ) != 0) {
        return -1;
    }
    return pid;
}

}  // namespace

int RunProgram(const std::vector<std::string>& args) {
    const pid_t pid = SpawnQuiet(args);
    return pid < 0 ? -1 : WaitForChild(pid);
}

bool StartProgram(const std::vector<std::string>& args) {
    const pid_t pid = SpawnQuiet(args);
    if (pid < 0) {
        return false;
    }
    // Without a shell in between nobody else adopts the child, so it is waited for here.
    std::thread([pid] { WaitForChild(pid); }).detach();
    return true;
}

int RunProgramOutput(const std::vector<std::string>& args, std::string& output) {
    output.clear();
    if (args.empty()) {
        return -1;
    }
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return -1;
    }
    std::vector<std::string> copies = args;
    std::vector<char*> argv = ArgvOf(copies);
    CSpawnAttributes attributes;
    CFileActions actions;
    actions.OutputTo(ends[0], ends[1]);
    pid_t pid = 0;
    const bool started =
        posix_spawnp(&pid, argv[0], actions.Get(), attributes.Get(), argv.data(), environ) == 0;
    close(ends[1]);
    char buffer[4096];
    for (ssize_t got; started && (got = read(ends[0], buffer, sizeof buffer)) != 0;) {
        if (got > 0) {
            output.append(buffer, static_cast<size_t>(got));
        } else if (errno != EINTR) {
            break;
        }
    }
    close(ends[0]);
    return started ? WaitForChild(pid) : -1;
}

std::string FindOnPath(const std::string& name, PathFolders folders) {
    if (name.empty() || name.find('/') != std::string::npos) {
        return IsExecutableFile(name) ? name : std::string();
    }
    const char* path = std::getenv("PATH");
    const std::string_view list = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        const size_t end = list.find(':', start);
        const std::string_view folder = list.substr(start, end - start);
        const bool relative = folder.empty() || folder.front() != '/';
        if (!relative || folders == PathFolders::All) {
            // An empty entry of PATH stands for the current folder.
            const std::string candidate =
                (folder.empty() ? std::string(".") : std::string(folder)) + "/" + name;
            if (IsExecutableFile(candidate)) {
                return candidate;
            }
        }
        if (end == std::string_view::npos) {
            return {};
        }
        start = end + 1;
    }
}

void ExecProgram(const std::string& program, const std::vector<std::string>& argv) {
    std::vector<std::string> params = argv;
    std::vector<char*> pointers;
    for (auto& param : params) {
        pointers.push_back(param.data());
    }
    pointers.push_back(nullptr);
    execv(program.c_str(), pointers.data());
}

bool IsSuperUser() {
    return geteuid() == 0;
}

std::string CurrentFolder() {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string OwnExecutable() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            return {};
        }
        if (static_cast<size_t>(n) < buffer.size()) {
            return std::string(buffer.data(), static_cast<size_t>(n));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string ReadDescriptor(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) != 0;) {
        if (got > 0) {
            text.append(buffer, static_cast<size_t>(got));
        } else if (errno != EINTR) {
            break;
        }
    }
    close(fd);
    return text;
}

}  // namespace tv
