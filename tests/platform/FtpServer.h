#pragma once

#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/ServerChild.h"
#include "support/TestEnv.h"

namespace tvtest {

// How the server speaks TLS: not at all, after AUTH TLS (the data connections protected only when
// the client asks, or required to be), or from the first byte.
enum class FtpTls { None, Explicit, ExplicitDataRequired, Implicit };

// A self-signed certificate for 127.0.0.1, in `cert` (what a client trusts) and `both` (with its
// key, what the server loads).
inline bool MakeTestCertificate(const std::filesystem::path& cert,
                                const std::filesystem::path& both) {
    std::filesystem::path key = both.parent_path() / (both.filename().string() + ".key");
    std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1"
        " -addext subjectAltName=IP:127.0.0.1 -keyout '" +
        key.string() + "' -out '" + cert.string() + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) {
        return false;
    }
    WriteFile(both, ReadFile(cert) + ReadFile(key));
    return true;
}

// How a plain server may differ from the usual one: a port of the test's choosing (to come back
// where a killed one was), data connections slowed to some bytes a second each way, and listings
// by LIST alone (no MLSD, no MLST).
struct CFtpQuirks {
    int m_port = 0;  // 0: any free one
    int m_bytesPerSecond = 0;
    bool m_bListOnly = false;
    bool m_bLogCommands = false;  // every command in the log, as "<- COMMAND args"
};

// A real FTP server (pyftpdlib, from the Debian interpreter that has it) on 127.0.0.1, serving
// `root` to user "tv", password "s3cret-pw", its log in `log`; TLS modes need a file holding the
// certificate and its key. With `clientCaFile` a TLS client must show a certificate that file
// vouches for. Stopped on destruction.
class CFtpServer {
  public:
    CFtpServer(const std::string& root, const std::string& log, const std::string& certFile = {},
               FtpTls tls = FtpTls::Explicit, const std::string& clientCaFile = {},
               const CFtpQuirks& quirks = {})
        : m_server(kScript,
                   {root, certFile, TlsArgument(tls), clientCaFile, std::to_string(quirks.m_port),
                    std::to_string(quirks.m_bytesPerSecond), quirks.m_bListOnly ? "1" : "0",
                    quirks.m_bLogCommands ? "1" : "0"},
                   log) {}

    // Ends the server with `signal` (SIGKILL: an outage that tells no client) and waits for it.
    void Stop(int signal) { m_server.Stop(signal); }
    CFtpServer(const CFtpServer&) = delete;
    CFtpServer& operator=(const CFtpServer&) = delete;

    int Port() const { return m_server.Port(); }
    pid_t Pid() const { return m_server.Pid(); }

  private:
    static constexpr const char* kScript =
        "import sys\n"
        "from pyftpdlib.authorizers import DummyAuthorizer\n"
        "from pyftpdlib.handlers import FTPHandler, TLS_FTPHandler, TLS_DTPHandler\n"
        "from pyftpdlib.servers import FTPServer\n"
        "a = DummyAuthorizer()\n"
        "a.add_user('tv', 's3cret-pw', sys.argv[1], perm='elradfmwMT')\n"
        // A client that starts the data connection's handshake before its RETR/STOR would
        // otherwise find that connection closed as idle.
        "class Dtp(TLS_DTPHandler):\n"
        "    def readable(self):\n"
        "        return self._ssl_accepting or super().readable()\n"
        "TLS_FTPHandler.dtp_handler = Dtp\n"
        "class Implicit(TLS_FTPHandler):\n"
        "    def handle(self):\n"
        "        self.secure_connection(self.ssl_context)\n"
        "        super().handle()\n"
        "mode = sys.argv[3] if sys.argv[2] else 'none'\n"
        "h = {'none': FTPHandler, 'implicit': Implicit}.get(mode, TLS_FTPHandler)\n"
        "if sys.argv[2]: h.certfile = sys.argv[2]\n"
        "h.tls_control_required = mode != 'none'\n"
        "h.tls_data_required = mode == 'data'\n"
        "if sys.argv[4]:\n"
        "    from OpenSSL import SSL\n"
        "    c = h.get_ssl_context()\n"
        "    c.set_verify(SSL.VERIFY_PEER | SSL.VERIFY_FAIL_IF_NO_PEER_CERT, lambda *x: "
        "x[-1])\n"
        "    c.load_verify_locations(sys.argv[4])\n"
        // Data connections resume the control connection's session, which OpenSSL allows
        // with client certificates only inside a named session context.
        "    c.set_session_id(b'tv-test')\n"
        "if int(sys.argv[6]):\n"
        "    from pyftpdlib.handlers import ThrottledDTPHandler\n"
        "    class Slow(ThrottledDTPHandler):\n"
        "        read_limit = write_limit = int(sys.argv[6])\n"
        "    h.dtp_handler = Slow\n"
        "if sys.argv[7] == '1':\n"
        "    h.proto_cmds = {k: v for k, v in h.proto_cmds.items() if k not in ('MLSD', "
        "'MLST')}\n"
        "if sys.argv[8] == '1':\n"
        "    import logging\n"
        "    logging.basicConfig(level=logging.DEBUG)\n"
        "h.authorizer = a\n"
        "s = FTPServer(('127.0.0.1', int(sys.argv[5])), h)\n"
        "print(s.socket.getsockname()[1], flush=True)\n"
        "s.serve_forever()\n";

    static const char* TlsArgument(FtpTls tls) {
        switch (tls) {
            case FtpTls::Explicit:
                return "explicit";
            case FtpTls::ExplicitDataRequired:
                return "data";
            case FtpTls::Implicit:
                return "implicit";
            default:
                return "none";
        }
    }

    CPythonServer m_server;
};

}  // namespace tvtest
