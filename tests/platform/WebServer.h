#pragma once

#include <string>

#include "platform/ServerChild.h"

namespace tvtest {

// A real web server on 127.0.0.1 (python3's http.server) serving the files of `root`; HTTPS
// when given a file with a certificate and its key. Every request adds its User-Agent as a
// line to `log`. Stopped on destruction.
class CWebServer {
  public:
    CWebServer(const std::string& root, const std::string& log, const std::string& tlsFile = {})
        : m_strScheme(tlsFile.empty() ? "http" : "https"),
          m_server(kScript, {root, log, tlsFile}) {}

    std::string Url(const std::string& file) const {
        return m_strScheme + "://127.0.0.1:" + std::to_string(m_server.Port()) + "/" + file;
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
    CPythonServer m_server;
};

}  // namespace tvtest
