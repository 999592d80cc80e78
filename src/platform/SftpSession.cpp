#include "platform/SftpSession.h"

#include <libssh2.h>
#include <libssh2_sftp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/CurlCallbacks.h"
#include "platform/RemoteListing.h"
#include "platform/SftpHostKey.h"
#include "platform/SocketWait.h"

namespace tv {
namespace {

using Clock = std::chrono::steady_clock;

void InitLibssh2Once() {
    static const int init = libssh2_init(0);
    (void)init;
}

int KnownHostKeyBit(int type) {
    switch (type) {
        case LIBSSH2_HOSTKEY_TYPE_RSA:
            return LIBSSH2_KNOWNHOST_KEY_SSHRSA;
        case LIBSSH2_HOSTKEY_TYPE_DSS:
            return LIBSSH2_KNOWNHOST_KEY_SSHDSS;
        case LIBSSH2_HOSTKEY_TYPE_ECDSA_256:
            return LIBSSH2_KNOWNHOST_KEY_ECDSA_256;
        case LIBSSH2_HOSTKEY_TYPE_ECDSA_384:
            return LIBSSH2_KNOWNHOST_KEY_ECDSA_384;
        case LIBSSH2_HOSTKEY_TYPE_ECDSA_521:
            return LIBSSH2_KNOWNHOST_KEY_ECDSA_521;
        case LIBSSH2_HOSTKEY_TYPE_ED25519:
            return LIBSSH2_KNOWNHOST_KEY_ED25519;
        default:
            return LIBSSH2_KNOWNHOST_KEY_UNKNOWN;
    }
}

const char* HostKeyMethod(int knownHostKeyBits) {
    switch (knownHostKeyBits & LIBSSH2_KNOWNHOST_KEY_MASK) {
        case LIBSSH2_KNOWNHOST_KEY_SSHRSA:
            return "ssh-rsa";
        case LIBSSH2_KNOWNHOST_KEY_SSHDSS:
            return "ssh-dss";
        case LIBSSH2_KNOWNHOST_KEY_ECDSA_256:
            return "ecdsa-sha2-nistp256";
        case LIBSSH2_KNOWNHOST_KEY_ECDSA_384:
            return "ecdsa-sha2-nistp384";
        case LIBSSH2_KNOWNHOST_KEY_ECDSA_521:
            return "ecdsa-sha2-nistp521";
        case LIBSSH2_KNOWNHOST_KEY_ED25519:
            return "ssh-ed25519";
        default:
            return nullptr;
    }
}

// Answers every keyboard-interactive prompt with the site's password, as libcurl does.
void AnswerPrompts(const char*, int, const char*, int, int count,
                   const LIBSSH2_USERAUTH_KBDINT_PROMPT*, LIBSSH2_USERAUTH_KBDINT_RESPONSE* answers,
                   void** abstract) {
    const auto* site = static_cast<const CRemoteSite*>(*abstract);
    for (int i = 0; i < count; ++i) {
        answers[i].text = strdup(site->m_password.c_str());
        answers[i].length = answers[i].text ? static_cast<unsigned>(site->m_password.size()) : 0;
    }
}

}  // namespace

CSftpSession::CSftpSession(const CRemoteSite& site, CSftpEndpoint endpoint,
                           const std::atomic<bool>& cancel)
    : m_site(site), m_endpoint(std::move(endpoint)), m_cancel(cancel) {
    InitLibssh2Once();
}

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
    if (m_session == nullptr) {
        if (int error = Open(); error != 0) {
            Close(CloseMode::Abrupt);
            return error;
        }
    }
    m_bWhole = true;
    RestartDeadline();
    int error = request();
    // A refused request leaves the session usable; anything else may have broken it halfway.
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
    if (int error = ConnectSocket(); error != 0) {
        return error;
    }
    m_session =
        libssh2_session_init_ex(nullptr, nullptr, nullptr, const_cast<CRemoteSite*>(&m_site));
    if (m_session == nullptr) {
        m_error = "cannot start an SSH session";
        return EIO;
    }
    libssh2_session_set_blocking(m_session, 0);
    int rc = 0;
    if (int error = CheckHostKey(); error != 0) {
        return error;
    }
    if (int error = LogIn(); error != 0) {
        return error;
    }
    if (int error = Run(
            [&] {
                m_sftp = libssh2_sftp_init(m_session);
                return m_sftp != nullptr ? 0 : libssh2_session_last_errno(m_session);
            },
            rc);
        error != 0) {
        return error;
    }
    return rc == 0 ? 0 : Failed(rc, "starting SFTP");
}

int CSftpSession::ConnectSocket() {
    return ConnectTcp(m_endpoint.m_host, m_endpoint.m_port, {m_deadline, m_cancel}, m_socket,
                      m_error);
}

int CSftpSession::CheckHostKey() {
    int rc = 0;
    LIBSSH2_KNOWNHOSTS* hosts = libssh2_knownhost_init(m_session);
    if (hosts == nullptr) {
        m_error = "cannot read known_hosts";
        return EIO;
    }
    libssh2_knownhost_readfile(hosts, m_endpoint.m_knownHosts.c_str(),
                               LIBSSH2_KNOWNHOST_FILE_OPENSSH);
    PreferKnownKeyType(hosts);
    int error = Run([&] { return libssh2_session_handshake(m_session, m_socket); }, rc);
    if (error == 0 && rc != 0) {
        error = Failed(rc, "the SSH handshake");
    }
    size_t length = 0;
    int type = 0;
    const char* key = error == 0 ? libssh2_session_hostkey(m_session, &length, &type) : nullptr;
    if (error == 0 && key == nullptr) {
        m_error = "the server showed no host key";
        error = EPERM;
    }
    if (error == 0) {
        int port = m_endpoint.m_port != 22 ? m_endpoint.m_port : -1;
        int check = libssh2_knownhost_checkp(
            hosts, m_endpoint.m_host.c_str(), port, key, length,
            LIBSSH2_KNOWNHOST_TYPE_PLAIN | LIBSSH2_KNOWNHOST_KEYENC_RAW | KnownHostKeyBit(type),
            nullptr);
        HostKeyMatch match = check == LIBSSH2_KNOWNHOST_CHECK_MATCH      ? HostKeyMatch::Known
                             : check == LIBSSH2_KNOWNHOST_CHECK_MISMATCH ? HostKeyMatch::Changed
                                                                         : HostKeyMatch::Unknown;
        HostKeyVerdict verdict = JudgeHostKey(match, key, length, m_site, m_endpoint.m_hostEntry,
                                              m_endpoint.m_knownHosts);
        error = HostKeyRefusal(verdict, m_endpoint.m_hostEntry, m_error);
    }
    libssh2_knownhost_free(hosts);
    return error;
}

// The server is asked for the kind of key known_hosts holds for it, so that a host known by
// one of its keys is not taken for an unknown one.
void CSftpSession::PreferKnownKeyType(LIBSSH2_KNOWNHOSTS* hosts) {
    libssh2_knownhost* entry = nullptr;
    while (libssh2_knownhost_get(hosts, &entry, entry) == 0) {
        const char* method = HostKeyMethod(entry->typemask);
        if (method != nullptr && entry->name != nullptr &&
            (entry->name == m_endpoint.m_hostEntry || entry->name == m_endpoint.m_host)) {
            libssh2_session_method_pref(m_session, LIBSSH2_METHOD_HOSTKEY, method);
            return;
        }
    }
}

// The key file first, then the password, then keyboard-interactive with the password, each
// only when the site has what it needs and the server offers it.
int CSftpSession::LogIn() {
    const std::string& user = m_site.m_user;
    auto length = static_cast<unsigned>(user.size());
    int rc = 0;
    char* offered = nullptr;
    int error = Run(
        [&] {
            offered = libssh2_userauth_list(m_session, user.c_str(), length);
            return offered != nullptr || libssh2_userauth_authenticated(m_session)
                       ? 0
                       : libssh2_session_last_errno(m_session);
        },
        rc);
    if (error != 0 || rc != 0 || offered == nullptr) {
        return error != 0 ? error : rc != 0 ? Failed(rc, "asking how to log in") : 0;
    }
    // A refused attempt lets the next one go on; a lost connection ends the login.
    auto lost = [&] {
        int mapped = rc < 0 ? Failed(rc, "logging in") : 0;
        return mapped == ECONNRESET || mapped == ETIMEDOUT ? mapped : 0;
    };
    std::string methods = offered;
    if (!m_site.m_keyFile.empty() && methods.find("publickey") != std::string::npos) {
        std::string publicKey = m_site.m_keyFile + ".pub";
        const char* pub = access(publicKey.c_str(), R_OK) == 0 ? publicKey.c_str() : nullptr;
        error = Run(
            [&] {
                return libssh2_userauth_publickey_fromfile_ex(m_session, user.c_str(), length, pub,
                                                              m_site.m_keyFile.c_str(), "");
            },
            rc);
        if (error != 0 || rc == 0 || lost() != 0) {
            return error != 0 ? error : lost();
        }
    }
    if (!m_site.m_password.empty() && methods.find("password") != std::string::npos) {
        error = Run(
            [&] {
                return libssh2_userauth_password_ex(
                    m_session, user.c_str(), length, m_site.m_password.c_str(),
                    static_cast<unsigned>(m_site.m_password.size()), nullptr);
            },
            rc);
        if (error != 0 || rc == 0 || lost() != 0) {
            return error != 0 ? error : lost();
        }
    }
    if (!m_site.m_password.empty() && methods.find("keyboard-interactive") != std::string::npos) {
        error = Run(
            [&] {
                return libssh2_userauth_keyboard_interactive_ex(m_session, user.c_str(), length,
                                                                AnswerPrompts);
            },
            rc);
        if (error != 0 || rc == 0 || lost() != 0) {
            return error != 0 ? error : lost();
        }
    }
    m_error = "the server refused the login as " + user;
    return EACCES;
}

void CSftpSession::Close(CloseMode mode) {
    if (m_socket >= 0 && mode == CloseMode::Abrupt) {
        // Every call below then fails at once instead of waiting for a server that is gone.
        shutdown(m_socket, SHUT_RDWR);
    }
    if (m_session != nullptr) {
        libssh2_session_set_blocking(m_session, 1);
        libssh2_session_set_timeout(m_session, 1000);
        if (m_sftp != nullptr) {
            libssh2_sftp_shutdown(m_sftp);
        }
        libssh2_session_disconnect(m_session, "done");
        libssh2_session_free(m_session);
    }
    if (m_socket >= 0) {
        close(m_socket);
    }
    m_sftp = nullptr;
    m_session = nullptr;
    m_socket = -1;
}

int CSftpSession::Wait() {
    int directions = libssh2_session_block_directions(m_session);
    short events = 0;
    if ((directions & LIBSSH2_SESSION_BLOCK_INBOUND) != 0) {
        events |= POLLIN;
    }
    if ((directions & LIBSSH2_SESSION_BLOCK_OUTBOUND) != 0) {
        events |= POLLOUT;
    }
    return WaitForSocket(events != 0 ? events : POLLIN);
}

int CSftpSession::WaitForSocket(short events) {
    return WaitOnSocket(m_socket, events, {m_deadline, m_cancel}, m_error);
}

int CSftpSession::Run(const std::function<int()>& call, int& rc) {
    while ((rc = call()) == LIBSSH2_ERROR_EAGAIN) {
        if (int error = Wait(); error != 0) {
            m_bWhole = false;
            return error;
        }
    }
    return 0;
}

int CSftpSession::Failed(int rc, const std::string& doing) {
    char* message = nullptr;
    libssh2_session_last_error(m_session, &message, nullptr, 0);
    if (rc != LIBSSH2_ERROR_SFTP_PROTOCOL) {
        m_bWhole = false;
    }
    m_error = curlcb::Masked(doing + ": " + (message != nullptr ? message : "failed"), m_site);
    switch (rc) {
        case LIBSSH2_ERROR_SFTP_PROTOCOL: {
            unsigned long status = m_sftp != nullptr ? libssh2_sftp_last_error(m_sftp) : 0;
            // As libcurl maps them: a folder that is missing or may not be read is not there.
            bool missing = status == LIBSSH2_FX_NO_SUCH_FILE || status == LIBSSH2_FX_NO_SUCH_PATH ||
                           status == LIBSSH2_FX_PERMISSION_DENIED;
            return missing ? ENOENT : EIO;
        }
        case LIBSSH2_ERROR_SOCKET_SEND:
        case LIBSSH2_ERROR_SOCKET_RECV:
        case LIBSSH2_ERROR_SOCKET_DISCONNECT:
        case LIBSSH2_ERROR_SOCKET_NONE:
        case LIBSSH2_ERROR_BANNER_RECV:
        case LIBSSH2_ERROR_CHANNEL_CLOSED:
        case LIBSSH2_ERROR_CHANNEL_EOF_SENT:
            return ECONNRESET;
        case LIBSSH2_ERROR_AUTHENTICATION_FAILED:
        case LIBSSH2_ERROR_PUBLICKEY_UNVERIFIED:
        case LIBSSH2_ERROR_FILE:
            return EACCES;
        case LIBSSH2_ERROR_TIMEOUT:
        case LIBSSH2_ERROR_SOCKET_TIMEOUT:
            return ETIMEDOUT;
        default:
            return EIO;
    }
}

}  // namespace tv
