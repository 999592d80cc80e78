#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/ServerChild.h"
#include "support/TestEnv.h"

namespace runtest {

// An independent mail server (aiosmtpd, from the Debian interpreter that has it) on 127.0.0.1.
// Each message it accepts becomes a file in `inbox`: "FROM sender", a "RCPT address" line per
// recipient, a blank line and the message as received. With a certificate (and its key) it
// requires STARTTLS and a login as user "tv", password "s3cret-pw". Stopped on destruction.
class CMailServer {
  public:
    explicit CMailServer(const std::filesystem::path& inbox, const std::string& cert = {},
                         const std::string& key = {})
        : m_inbox(Created(inbox)),
          m_server(kScript, {inbox.string(), cert, key},
                   (inbox.parent_path() / "smtpd.log").string()) {}
    CMailServer(const CMailServer&) = delete;
    CMailServer& operator=(const CMailServer&) = delete;

    std::string Address() const { return "127.0.0.1:" + std::to_string(Port()); }
    int Port() const { return m_server.Port(); }
    // The messages received so far, oldest first.
    std::vector<std::string> Messages() const {
        std::vector<std::filesystem::path> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_inbox)) {
            if (entry.path().extension() == ".eml") {
                names.push_back(entry.path());
            }
        }
        std::sort(names.begin(), names.end());
        std::vector<std::string> messages;
        for (const auto& name : names) {
            messages.push_back(tvtest::ReadFile(name));
        }
        return messages;
    }

  private:
    static constexpr const char* kScript =
        "import sys, os, ssl, socket, time\n"
        "from aiosmtpd.controller import Controller\n"
        "from aiosmtpd.smtp import AuthResult, LoginPassword\n"
        "inbox, cert, key = sys.argv[1:4]\n"
        "class Keep:\n"
        "    async def handle_DATA(self, server, session, envelope):\n"
        "        name = os.path.join(inbox, '%03d' % len(os.listdir(inbox)))\n"
        "        with open(name + '.part', 'wb') as f:\n"
        "            f.write(('FROM %s\\n' % envelope.mail_from).encode())\n"
        "            for r in envelope.rcpt_tos: f.write(('RCPT %s\\n' % r).encode())\n"
        "            f.write(b'\\n' + envelope.original_content)\n"
        "        os.rename(name + '.part', name + '.eml')\n"
        "        return '250 OK'\n"
        "def login(server, session, envelope, mechanism, data):\n"
        "    ok = isinstance(data, LoginPassword) and data.login == b'tv' and "
        "data.password == b's3cret-pw'\n"
        "    return AuthResult(success=ok, handled=False)\n"
        "options = {}\n"
        "if cert:\n"
        "    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)\n"
        "    context.load_cert_chain(cert, key)\n"
        "    options = dict(tls_context=context, require_starttls=True, "
        "authenticator=login, auth_required=True)\n"
        "s = socket.socket(); s.bind(('127.0.0.1', 0)); port = s.getsockname()[1]; s.close()\n"
        "c = Controller(Keep(), hostname='127.0.0.1', port=port, **options)\n"
        "c.start()\n"
        "print(port, flush=True)\n"
        "while True: time.sleep(3600)\n";
    static std::filesystem::path Created(const std::filesystem::path& inbox) {
        std::filesystem::create_directories(inbox);
        return inbox;
    }

    std::filesystem::path m_inbox;
    tvtest::CPythonServer m_server;
};

}  // namespace runtest
