#include "platform/SftpSession.h"

#include <libssh/libssh.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/CurlCallbacks.h"
#include "platform/SftpHostKey.h"
#include "platform/SocketWait.h"
#include "platform/SshKeyCodec.h"

namespace tv {
namespace {

using Clock = std::chrono::steady_clock;

// AES-GCM first: with the processor's AES instructions it is the cheapest for both ends.
constexpr const char* kCiphers =
    "aes128-gcm@openssh.com,aes256-gcm@openssh.com,chacha20-poly1305@openssh.com,"
    "aes128-ctr,aes256-ctr";
constexpr size_t kReadBytes = 64u << 10;
constexpr size_t kCompactBytes = 1u << 20;

HostKeyMatch MatchOf(ssh_known_hosts_e state) {
    switch (state) {
        case SSH_KNOWN_HOSTS_OK:
            return HostKeyMatch::Known;
        // A key of another kind than the one known is no proof of the host either.
        case SSH_KNOWN_HOSTS_CHANGED:
        case SSH_KNOWN_HOSTS_OTHER:
            return HostKeyMatch::Changed;
        default:
            return HostKeyMatch::Unknown;
    }
}

}  // namespace

CSftpSession::CSftpSession(const CRemoteSite& site, CSftpEndpoint endpoint,
                           const std::atomic<bool>& cancel)
    : m_site(site), m_endpoint(std::move(endpoint)), m_cancel(cancel) {}

CSftpSession::~CSftpSession() {
    Close(CloseMode::Polite);
}

int CSftpSession::Connect() {
    return Do("", [] { return 0; });
}

void CSftpSession::Disconnect() {
    Close(CloseMode::Polite);
}

int CSftpSession::Do(const std::string& path, const std::function<int()>& request) {
    if (m_cancel) {
        Close(CloseMode::Abrupt);
        m_error = "cancelled";
        return ECANCELED;
    }
    if (path.find('\0') != std::string::npos) {
        m_error = "a name holds a NUL";
        return EINVAL;
    }
    if (m_ssh == nullptr) {
        if (int error = Open(); error != 0) {
            Close(CloseMode::Abrupt);
            return error;
        }
    }
    m_bWhole = true;
    RestartDeadline();
    int error = request();
    if (error != 0 && !m_bWhole) {
        Close(CloseMode::Abrupt);
    }
    return error;
}

void CSftpSession::RestartDeadline() {
    m_deadline = Clock::now() + std::chrono::seconds(m_site.m_lowSpeedSeconds);
}

int CSftpSession::Open() {
    long timeout = m_site.m_connectTimeoutMs > 0 ? m_site.m_connectTimeoutMs
                                                 : curlcb::kDefaultConnectTimeoutMs;
    m_deadline = Clock::now() + std::chrono::milliseconds(timeout);
    if (int error = ConnectTcp(m_endpoint.m_host, m_endpoint.m_port, {m_deadline, m_cancel},
                               m_socket, m_error);
        error != 0) {
        return error;
    }
    if (int error = OpenSsh(); error != 0) {
        return error;
    }
    if (int error = CheckHostKey(); error != 0) {
        return error;
    }
    if (int error = LogIn(); error != 0) {
        return error;
    }
    return StartSftp();
}

// libssh gets a duplicate of the socket, which it closes itself once it connected; shutting
// ours down still cuts the connection for both.
int CSftpSession::OpenSsh() {
    m_ssh = ssh_new();
    int shared = dup(m_socket);
    if (m_ssh == nullptr || shared < 0) {
        if (shared >= 0) {
            close(shared);
        }
        m_error = "cannot start an SSH session";
        return EIO;
    }
    const bool no = false;
    const int port = m_endpoint.m_port;
    ssh_options_set(m_ssh, SSH_OPTIONS_PROCESS_CONFIG, &no);
    ssh_options_set(m_ssh, SSH_OPTIONS_FD, &shared);
    ssh_options_set(m_ssh, SSH_OPTIONS_HOST, m_endpoint.m_host.c_str());
    ssh_options_set(m_ssh, SSH_OPTIONS_PORT, &port);
    ssh_options_set(m_ssh, SSH_OPTIONS_USER, m_site.m_user.c_str());
    // The same file as the other sessions of the site, and no other.
    ssh_options_set(m_ssh, SSH_OPTIONS_KNOWNHOSTS, m_endpoint.m_knownHosts.c_str());
    ssh_options_set(m_ssh, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, m_endpoint.m_knownHosts.c_str());
    ssh_options_set(m_ssh, SSH_OPTIONS_CIPHERS_C_S, kCiphers);
    ssh_options_set(m_ssh, SSH_OPTIONS_CIPHERS_S_C, kCiphers);
    ssh_set_blocking(m_ssh, 0);
    int rc = 0;
    if (int error = Run([&] { return ssh_connect(m_ssh); }, SSH_AGAIN, rc); error != 0) {
        return error;
    }
    return rc == SSH_OK ? 0 : Broken("the SSH handshake");
}

int CSftpSession::CheckHostKey() {
    ssh_key key = nullptr;
    char* text = nullptr;
    std::optional<std::string> blob;
    if (ssh_get_server_publickey(m_ssh, &key) == SSH_OK &&
        ssh_pki_export_pubkey_base64(key, &text) == SSH_OK) {
        blob = FromBase64(text);
    }
    ssh_string_free_char(text);
    ssh_key_free(key);
    if (!blob) {
        m_error = "the server showed no host key";
        return EPERM;
    }
    HostKeyMatch match = MatchOf(ssh_session_is_known_server(m_ssh));
    HostKeyVerdict verdict = JudgeHostKey(match, blob->data(), blob->size(), m_site,
                                          m_endpoint.m_hostEntry, m_endpoint.m_knownHosts);
    return HostKeyRefusal(verdict, m_endpoint.m_hostEntry, m_error);
}

// As CSftpSession: the key file, then the password, then keyboard-interactive with the
// password, each only when the site has what it needs and the server offers it.
int CSftpSession::LogIn() {
    int rc = 0;
    if (int error = Run([&] { return ssh_userauth_none(m_ssh, nullptr); }, SSH_AUTH_AGAIN, rc);
        error != 0 || rc == SSH_AUTH_SUCCESS) {
        return error;
    }
    if (rc == SSH_AUTH_ERROR) {
        return Broken("logging in");
    }
    const int methods = ssh_userauth_list(m_ssh, nullptr);
    if (int error = LogInWithKey(methods); error != EACCES) {
        return error;
    }
    if (!m_site.m_password.empty() && (methods & SSH_AUTH_METHOD_PASSWORD) != 0) {
        int error =
            Run([&] { return ssh_userauth_password(m_ssh, nullptr, m_site.m_password.c_str()); },
                SSH_AUTH_AGAIN, rc);
        if (error != 0 || rc == SSH_AUTH_SUCCESS) {
            return error;
        }
        if (rc == SSH_AUTH_ERROR) {
            return Broken("logging in");
        }
    }
    if (!m_site.m_password.empty() && (methods & SSH_AUTH_METHOD_INTERACTIVE) != 0) {
        if (int error = LogInInteractively(); error != EACCES) {
            return error;
        }
    }
    m_error = "the server refused the login as " + m_site.m_user;
    return EACCES;
}

// EACCES when the key was not taken, so that the next way may be tried.
int CSftpSession::LogInWithKey(int methods) {
    if (m_site.m_keyFile.empty() || (methods & SSH_AUTH_METHOD_PUBLICKEY) == 0) {
        return EACCES;
    }
    ssh_key key = nullptr;
    if (ssh_pki_import_privkey_file(m_site.m_keyFile.c_str(), "", nullptr, nullptr, &key) !=
        SSH_OK) {
        return EACCES;
    }
    int rc = 0;
    int error =
        Run([&] { return ssh_userauth_publickey(m_ssh, nullptr, key); }, SSH_AUTH_AGAIN, rc);
    ssh_key_free(key);
    if (error != 0) {
        return error;
    }
    return rc == SSH_AUTH_SUCCESS ? 0 : rc == SSH_AUTH_ERROR ? Broken("logging in") : EACCES;
}

// Every prompt is answered with the site's password, as the other sessions do.
int CSftpSession::LogInInteractively() {
    int rc = 0;
    for (int round = 0; round < 8; ++round) {
        if (int error = Run([&] { return ssh_userauth_kbdint(m_ssh, nullptr, nullptr); },
                            SSH_AUTH_AGAIN, rc);
            error != 0) {
            return error;
        }
        if (rc != SSH_AUTH_INFO) {
            break;
        }
        const int prompts = ssh_userauth_kbdint_getnprompts(m_ssh);
        for (int i = 0; i < prompts; ++i) {
            ssh_userauth_kbdint_setanswer(m_ssh, static_cast<unsigned>(i),
                                          m_site.m_password.c_str());
        }
    }
    return rc == SSH_AUTH_SUCCESS ? 0 : rc == SSH_AUTH_ERROR ? Broken("logging in") : EACCES;
}

int CSftpSession::StartSftp() {
    m_channel = ssh_channel_new(m_ssh);
    int rc = 0;
    if (m_channel == nullptr) {
        return Broken("opening a channel");
    }
    if (int error = Run([&] { return ssh_channel_open_session(m_channel); }, SSH_AGAIN, rc);
        error != 0 || rc != SSH_OK) {
        return error != 0 ? error : Broken("opening a channel");
    }
    if (int error =
            Run([&] { return ssh_channel_request_subsystem(m_channel, "sftp"); }, SSH_AGAIN, rc);
        error != 0 || rc != SSH_OK) {
        return error != 0 ? error : Broken("starting SFTP");
    }
    sftp::CRequest(m_outbox, sftp::Packet::Init, sftp::kVersion).End();
    sftp::CReply reply;
    for (bool got = false; !got;) {
        bool moved = false;
        int error = Pump(moved);
        error = error != 0 ? error : NextReply(reply, got);
        error = error != 0 || got || moved ? error : Wait();
        if (error != 0) {
            return error;
        }
    }
    if (reply.m_type != sftp::Packet::Version) {
        m_bWhole = false;
        m_error = "the server does not speak SFTP";
        return EIO;
    }
    return 0;
}

int CSftpSession::Run(const std::function<int()>& call, int again, int& rc) {
    while ((rc = call()) == again) {
        if (int error = Wait(); error != 0) {
            m_bWhole = false;
            return error;
        }
    }
    return 0;
}

int CSftpSession::Wait() {
    // Requests that wait in the outbox wait for the server to open the channel's window, which
    // comes as input.
    short events = POLLIN;
    if ((ssh_get_poll_flags(m_ssh) & SSH_WRITE_PENDING) != 0) {
        events |= POLLOUT;
    }
    if (int error = WaitOnSocket(m_socket, events, {m_deadline, m_cancel}, m_error); error != 0) {
        m_bWhole = false;
        return error;
    }
    return 0;
}

int CSftpSession::Pump(bool& moved) {
    moved = false;
    if (m_outSent < m_outbox.size()) {
        int sent = ssh_channel_write(m_channel, m_outbox.data() + m_outSent,
                                     static_cast<uint32_t>(m_outbox.size() - m_outSent));
        if (sent < 0) {
            return Broken("sending");
        }
        m_outSent += static_cast<size_t>(sent);
        moved = sent > 0;
        // New requests keep coming while older ones leave: what left goes, now and then.
        if (m_outSent == m_outbox.size() || m_outSent >= kCompactBytes) {
            m_outbox.erase(0, m_outSent);
            m_outSent = 0;
        }
    }
    if (ssh_blocking_flush(m_ssh, 0) == SSH_ERROR) {
        return Broken("sending");
    }
    if (int error = Receive(moved); error != 0) {
        return error;
    }
    if (moved) {
        RestartDeadline();
    }
    return 0;
}

// Input is taken only while no whole answer waits, so the inbox holds about one answer, and
// moving it to the front before a read costs little.
int CSftpSession::Receive(bool& moved) {
    while (!sftp::ReplyWaiting(InboxText(), m_inTaken)) {
        if (m_inbox.size() - m_inEnd < kReadBytes && m_inTaken > 0) {
            std::memmove(m_inbox.data(), m_inbox.data() + m_inTaken, m_inEnd - m_inTaken);
            m_inEnd -= m_inTaken;
            m_inTaken = 0;
        }
        if (m_inbox.size() - m_inEnd < kReadBytes) {
            m_inbox.resize(m_inEnd + kReadBytes);
        }
        const int got =
            ssh_channel_read_nonblocking(m_channel, m_inbox.data() + m_inEnd, kReadBytes, 0);
        if (got < 0 || (got == 0 && ssh_channel_is_eof(m_channel) != 0)) {
            return Broken("receiving");
        }
        if (got == 0) {
            break;
        }
        m_inEnd += static_cast<size_t>(got);
        moved = true;
    }
    return 0;
}

std::string_view CSftpSession::InboxText() const {
    return {m_inbox.data(), m_inEnd};
}

int CSftpSession::NextReply(sftp::CReply& reply, bool& got) {
    got = false;
    switch (sftp::TakeReply(InboxText(), m_inTaken, reply)) {
        case sftp::Take::Reply:
            got = true;
            break;
        case sftp::Take::NeedMore:
            break;
        case sftp::Take::Bad:
            m_bWhole = false;
            m_error = "the server's answer is out of step";
            return ECONNRESET;
    }
    if (m_inTaken == m_inEnd) {
        m_inTaken = 0;
        m_inEnd = 0;
    }
    return 0;
}

int CSftpSession::Await(uint32_t id, sftp::CReply& reply,
                        const std::function<void(sftp::CReply&)>& other) {
    for (;;) {
        bool moved = false;
        bool got = false;
        int error = Pump(moved);
        error = error != 0 ? error : NextReply(reply, got);
        if (error != 0) {
            return error;
        }
        if (got && reply.m_id == id) {
            return 0;
        }
        if (got && other) {
            other(reply);
        } else if (got) {
            Note(reply);
        } else if (!moved) {
            if (int waited = Wait(); waited != 0) {
                return waited;
            }
        }
    }
}

int CSftpSession::AwaitHandle(uint32_t id, const std::string& doing, std::string& handle) {
    sftp::CReply reply;
    if (int error = Await(id, reply); error != 0) {
        return error;
    }
    if (reply.m_type != sftp::Packet::Handle) {
        return Refused(reply, doing);
    }
    handle = std::move(reply.m_text);
    return 0;
}

int CSftpSession::Cancelled() {
    if (!m_cancel) {
        return 0;
    }
    m_bWhole = false;
    m_error = "cancelled";
    return ECANCELED;
}

int CSftpSession::Request(const std::string& doing, uint32_t id) {
    sftp::CReply reply;
    if (int error = Await(id, reply); error != 0) {
        return error;
    }
    return reply.m_type == sftp::Packet::Status && reply.m_status == sftp::kStatusOk
               ? 0
               : Refused(reply, doing);
}

int CSftpSession::Refused(const sftp::CReply& reply, const std::string& doing) {
    m_error =
        curlcb::Masked(doing + ": " + (reply.m_text.empty() ? "refused" : reply.m_text), m_site);
    // As the other sessions map them: what is missing or may not be touched is not there.
    const bool missing = reply.m_status == sftp::kStatusNoSuchFile ||
                         reply.m_status == sftp::kStatusPermissionDenied;
    return missing ? ENOENT : EIO;
}

int CSftpSession::Broken(const std::string& doing) {
    m_bWhole = false;
    const char* reason = m_ssh != nullptr ? ssh_get_error(m_ssh) : nullptr;
    m_error = curlcb::Masked(
        doing + ": " + (reason != nullptr && *reason ? reason : "the connection broke off"),
        m_site);
    return ECONNRESET;
}

void CSftpSession::Close(CloseMode mode) {
    if (m_socket >= 0 && mode == CloseMode::Abrupt) {
        shutdown(m_socket, SHUT_RDWR);
    }
    if (m_channel != nullptr) {
        ssh_channel_free(m_channel);
    }
    if (m_ssh != nullptr) {
        ssh_disconnect(m_ssh);
        ssh_free(m_ssh);
    }
    if (m_socket >= 0) {
        close(m_socket);
    }
    m_channel = nullptr;
    m_ssh = nullptr;
    m_socket = -1;
    m_outbox.clear();
    m_outSent = 0;
    m_inTaken = 0;
    m_inEnd = 0;
    m_writes = {};
}

}  // namespace tv
