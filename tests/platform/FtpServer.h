#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace tvtest {

// A real FTP server (pyftpdlib, from the Debian interpreter that has it) on 127.0.0.1, serving
// `root` to user "tv", password "s3cret-pw", its log in `log`; with a certificate and key file it
// speaks explicit TLS. Stopped on destruction.
class CFtpServer {
  public:
    CFtpServer(const std::string& root, const std::string& log, const std::string& certFile = {}) {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        std::string script =
            "import sys\n"
            "from pyftpdlib.authorizers import DummyAuthorizer\n"
            "from pyftpdlib.handlers import FTPHandler, TLS_FTPHandler\n"
            "from pyftpdlib.servers import FTPServer\n"
            "a = DummyAuthorizer()\n"
            "a.add_user('tv', 's3cret-pw', sys.argv[1], perm='elradfmwMT')\n"
            "h = TLS_FTPHandler if sys.argv[2] else FTPHandler\n"
            "if sys.argv[2]: h.certfile = sys.argv[2]\n"
            "h.authorizer = a\n"
            "s = FTPServer(('127.0.0.1', 0), h)\n"
            "print(s.socket.getsockname()[1], flush=True)\n"
            "s.serve_forever()\n";
        m_pid = fork();
        if (m_pid == 0) {
            dup2(fds[1], 1);
            freopen(log.c_str(), "w", stderr);
            close(fds[0]);
            execl("/usr/bin/python3", "python3", "-c", script.c_str(), root.c_str(),
                  certFile.c_str(), nullptr);
            _exit(127);
        }
        close(fds[1]);
        FILE* out = fdopen(fds[0], "r");
        if (fscanf(out, "%d", &m_port) != 1) {
            m_port = 0;
        }
        fclose(out);
    }
    ~CFtpServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    CFtpServer(const CFtpServer&) = delete;
    CFtpServer& operator=(const CFtpServer&) = delete;

    int Port() const { return m_port; }

  private:
    pid_t m_pid = -1;
    int m_port = 0;
};

}  // namespace tvtest
