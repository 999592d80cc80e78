#include "platform/ServiceProcess.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Process.h"

extern char** environ;

namespace tv {

namespace {

// Between fork and exec only async-signal-safe calls: the program may have other threads that
// held a lock at the fork.
// A pipe's reading end that the started program finds open as descriptor `m_nAs`.
struct CInherited {
    int m_nFrom = -1;
    int m_nAs = -1;
};

[[noreturn]] void ExecGrandchild(char* const* argv, int report, CInherited inherited) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig) {
        sigaction(sig, &defaults, nullptr);
    }
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
    }
    // dup2 leaves the copy open across exec; a descriptor already in place needs its flag
    // cleared instead.
    if (inherited.m_nFrom >= 0 && inherited.m_nFrom != inherited.m_nAs) {
        dup2(inherited.m_nFrom, inherited.m_nAs);
    } else if (inherited.m_nFrom >= 0) {
        fcntl(inherited.m_nAs, F_SETFD, 0);
    }
    if (chdir("/") == 0) {
        execve(argv[0], argv, environ);
    }
    const int error = errno;
    (void)!write(report, &error, sizeof error);
    _exit(127);
}

// The middle process leaves the service without a parent of ours: it starts a session, forks
// the service, reports its pid (or why it could not fork) and ends at once.
[[noreturn]] void RunMiddle(char* const* argv, int pidPipe, int execPipe, CInherited inherited) {
    setsid();
    const pid_t service = fork();
    if (service == 0) {
        close(pidPipe);
        ExecGrandchild(argv, execPipe, inherited);
    }
    const int error = service < 0 ? errno : 0;
    (void)!write(pidPipe, &service, sizeof service);
    (void)!write(pidPipe, &error, sizeof error);
    _exit(0);
}

// Reads a whole value from `pipe` until its write ends closed; false when fewer bytes came.
template <class T>
bool ReadValue(int pipe, T& value) {
    char buffer[sizeof(T)];
    size_t got = 0;
    while (got < sizeof buffer) {
        const ssize_t n = read(pipe, buffer + got, sizeof buffer - got);
        if (n == 0 || (n < 0 && errno != EINTR)) {
            return false;
        }
        got += n > 0 ? static_cast<size_t>(n) : 0;
    }
    std::memcpy(&value, buffer, sizeof value);
    return true;
}

// The pid the middle process reported; then the grandchild's report: its exec closes its end
// (close-on-exec) without a word, or it writes why the exec failed.
int ReadReports(int pidPipe, int execPipe, pid_t& pid) {
    pid_t service = -1;
    int error = 0;
    if (!ReadValue(pidPipe, service) || !ReadValue(pidPipe, error)) {
        return ECHILD;
    }
    if (service < 0) {
        return error != 0 ? error : ECHILD;
    }
    if (ReadValue(execPipe, error)) {
        return error != 0 ? error : ECHILD;
    }
    pid = service;
    return 0;
}

// Empty for a process that is gone or going: reading a dying process's arguments fails.
std::vector<std::string> CommandLineOf(pid_t pid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/cmdline";
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return {};
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(file, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    close(file);
    std::vector<std::string> args;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\0', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        args.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

int StartWith(const std::vector<std::string>& args, CInherited inherited, pid_t& pid) {
    pid = -1;
    if (args.empty() || args[0].empty() || args[0][0] != '/') {
        return ENOENT;
    }
    std::vector<std::string> copies = args;
    std::vector<char*> argv;
    for (std::string& arg : copies) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    int pidEnds[2];
    int execEnds[2];
    if (pipe2(pidEnds, O_CLOEXEC) != 0) {
        return errno;
    }
    if (pipe2(execEnds, O_CLOEXEC) != 0) {
        const int error = errno;
        close(pidEnds[0]);
        close(pidEnds[1]);
        return error;
    }
    const pid_t middle = fork();
    if (middle == 0) {
        close(pidEnds[0]);
        close(execEnds[0]);
        RunMiddle(argv.data(), pidEnds[1], execEnds[1], inherited);
    }
    const int forkError = errno;
    close(pidEnds[1]);
    close(execEnds[1]);
    const int result = middle < 0 ? forkError : ReadReports(pidEnds[0], execEnds[0], pid);
    close(pidEnds[0]);
    close(execEnds[0]);
    while (middle > 0 && waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    return result;
}

}  // namespace

int StartDetached(const std::vector<std::string>& args, pid_t& pid) {
    return StartWith(args, {}, pid);
}

int StartDetachedWithInput(const std::vector<std::string>& args, const std::string& input,
                           int childFd, pid_t& pid) {
    pid = -1;
    // The whole input must fit the pipe's buffer: nobody reads it before the program runs.
    if (childFd < 3 || input.size() > 4096) {
        return EINVAL;
    }
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return errno;
    }
    const bool written =
        write(ends[1], input.data(), input.size()) == static_cast<ssize_t>(input.size());
    const int writeError = errno;
    close(ends[1]);
    const int result = written ? StartWith(args, {ends[0], childFd}, pid) : writeError;
    close(ends[0]);
    return result;
}

bool IsServiceProcess(pid_t pid, const std::string& program, const std::string& name) {
    if (pid <= 0) {
        return false;
    }
    const std::vector<std::string> args = CommandLineOf(pid);
    // Position 0 for a binary; 1 or 2 behind an interpreter and its option.
    for (size_t at = 0; at < 3 && at + 1 < args.size(); ++at) {
        if (args[at] == program && args[at + 1] == name) {
            return true;
        }
    }
    return false;
}

pid_t FindServiceProcess(const std::string& program, const std::string& name) {
    DIR* proc = opendir("/proc");
    if (!proc) {
        return -1;
    }
    pid_t found = -1;
    while (const dirent* entry = readdir(proc)) {
        pid_t pid = 0;
        const std::string_view text = entry->d_name;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pid);
        if (error == std::errc() && end == text.data() + text.size() &&
            IsServiceProcess(pid, program, name)) {
            found = pid;
            break;
        }
    }
    closedir(proc);
    return found;
}

int AskToEnd(pid_t pid) {
    if (pid <= 0) {
        return ESRCH;
    }
    return kill(pid, SIGTERM) == 0 ? 0 : errno;
}

std::string ServiceProgramPath() {
    const char* standIn = std::getenv("TWINVALE_TVSERVICE");
    if (standIn && standIn[0] == '/') {
        return standIn;
    }
    const std::string own = OwnExecutable();
    const size_t slash = own.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return own.substr(0, slash + 1) + "tvservice";
}

}  // namespace tv
