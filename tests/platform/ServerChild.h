// The first steps of a forked child that becomes one of a test's servers.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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

// A server written in Python, run as `python3 -c script args...`, that prints the port it
// listens on as its first line. Port() is 0 when it did not start. Stopped on destruction.
class CPythonServer {
  public:
    CPythonServer(const char* script, const std::vector<std::string>& args) {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        const pid_t test = getpid();
        m_pid = fork();
        if (m_pid == 0) {
            BecomeTestServer(test);
            dup2(fds[1], 1);
            close(fds[0]);
            std::vector<char*> argv{const_cast<char*>("python3"), const_cast<char*>("-c"),
                                    const_cast<char*>(script)};
            for (const std::string& arg : args) {
                argv.push_back(const_cast<char*>(arg.c_str()));
            }
            argv.push_back(nullptr);
            execv("/usr/bin/python3", argv.data());
            _exit(127);
        }
        close(fds[1]);
        FILE* out = fdopen(fds[0], "r");
        if (fscanf(out, "%d", &m_port) != 1) {
            m_port = 0;
        }
        fclose(out);
    }
    ~CPythonServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    CPythonServer(const CPythonServer&) = delete;
    CPythonServer& operator=(const CPythonServer&) = delete;

    int Port() const { return m_port; }

  private:
    pid_t m_pid = -1;
    int m_port = 0;
};

}  // namespace tvtest
