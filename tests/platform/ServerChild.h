// The first steps of a forked child that becomes one of a test's servers.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace tvtest {

// The server dies with the test process: a test that aborts (a sanitizer report, a crash) must
// not leave a server behind that holds the test runner's output open. A test that caught
// signals itself may have blocked them; stopping the server must still reach it.
inline void BecomeTestServer(pid_t testProcess) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != testProcess) {
        _exit(127);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

// A server program started with `argv` (looked up in PATH) that tells how to reach it in the
// first line it prints; its standard error goes to `errorLog` when one is named. FirstLine() is
// empty when it did not start. Stopped on destruction.
class CServerProcess {
  public:
    explicit CServerProcess(const std::vector<std::string>& argv,
                            const std::string& errorLog = {}) {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        const pid_t test = getpid();
        m_pid = fork();
        if (m_pid == 0) {
            BecomeTestServer(test);
            dup2(fds[1], 1);
            if (!errorLog.empty()) {
                freopen(errorLog.c_str(), "w", stderr);
            }
            close(fds[0]);
            std::vector<char*> args;
            for (const std::string& arg : argv) {
                args.push_back(const_cast<char*>(arg.c_str()));
            }
            args.push_back(nullptr);
            execvp(args[0], args.data());
            _exit(127);
        }
        close(fds[1]);
        FILE* out = fdopen(fds[0], "r");
        char line[512] = {};
        if (fgets(line, sizeof line, out) != nullptr) {
            m_firstLine = line;
            m_firstLine.erase(m_firstLine.find_last_not_of('\n') + 1);
        }
        fclose(out);
    }
    ~CServerProcess() { Stop(SIGTERM); }
    CServerProcess(const CServerProcess&) = delete;
    CServerProcess& operator=(const CServerProcess&) = delete;

    // Ends the server with `signal` (SIGKILL: an outage that tells no client) and waits for it.
    void Stop(int signal) {
        if (m_pid > 0) {
            kill(m_pid, signal);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }
    const std::string& FirstLine() const { return m_firstLine; }
    pid_t Pid() const { return m_pid; }

  private:
    pid_t m_pid = -1;
    std::string m_firstLine;
};

// A server written in Python, run as `python3 -c script args...`, that prints the port it
// listens on as its first line. Port() is 0 when it did not start.
class CPythonServer : public CServerProcess {
  public:
    CPythonServer(const char* script, const std::vector<std::string>& args,
                  const std::string& errorLog = {})
        : CServerProcess(Command(script, args), errorLog) {}

    int Port() const { return std::atoi(FirstLine().c_str()); }

  private:
    static std::vector<std::string> Command(const char* script,
                                            const std::vector<std::string>& args) {
        std::vector<std::string> command{"/usr/bin/python3", "-c", script};
        command.insert(command.end(), args.begin(), args.end());
        return command;
    }
};

}  // namespace tvtest
