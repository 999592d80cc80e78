#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/ServerChild.h"

namespace tvtest {

// A real web server on 127.0.0.1 (python3's http.server) serving the files of `root`; HTTPS
// when given a file with a certificate and its key. Every request adds its User-Agent as a
// line to `log`. Stopped on destruction.
class CWebServer {
  public:
    CWebServer(const std::string& root, const std::string& log, const std::string& tlsFile = {})
        : m_strScheme(tlsFile.empty() ? "http" : "https") {
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
            execl("/usr/bin/python3", "python3", "-c", kScript, root.c_str(), log.c_str(),
                  tlsFile.c_str(), nullptr);
            _exit(127);
        }
        close(fds[1]);
        FILE* out = fdopen(fds[0], "r");
        if (fscanf(out, "%d", &m_port) != 1) {
            m_port = 0;
        }
        fclose(out);
    }
    ~CWebServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    CWebServer(const CWebServer&) = delete;
    CWebServer& operator=(const CWebServer&) = delete;

    std::string Url(const std::string& file) const {
        return m_strScheme + "://127.0.0.1:" + std::to_string(m_port) + "/" + file;
    }

  private:
    static constexpr const char* kScript = R"(
import functools, http.server, sys
root, log, tls = sys.argv[1:4]
class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args): pass
    def do_GET(self):
        with open(log, 'a') as f: f.write(self.headers.get('User-Agent', '') + '\n')
        super().do_GET()
server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), functools.partial(Handler, directory=root))
if tls:
    import ssl
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(tls)
    server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
)";
    std::string m_strScheme;
    pid_t m_pid = -1;
    int m_port = 0;
};

}  // namespace tvtest
