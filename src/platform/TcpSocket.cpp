#include "platform/TcpSocket.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/TlsSession.h"

namespace tv {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks at the cancel check.
constexpr auto kCancelSlice = std::chrono::milliseconds(100);
constexpr size_t kReceiveBytes = 4096;

std::string ErrnoText(int error) {
    return std::strerror(error);
}

}  // namespace

CTcpSocket::CTcpSocket() = default;

CTcpSocket::~CTcpSocket() {
    Close();
}

bool CTcpSocket::Fail(SocketError error, std::string detail) {
    m_error = error;
    m_strDetail = std::move(detail);
    return false;
}

bool CTcpSocket::WaitReady(Wait wait, Deadline deadline) {
    pollfd entry{m_fd, static_cast<short>(wait == Wait::Read ? POLLIN : POLLOUT), 0};
    for (;;) {
        if (m_canceled && m_canceled()) {
            return Fail(SocketError::Canceled);
        }
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) {
            return Fail(SocketError::TimedOut);
        }
        const auto slice = std::min<Clock::duration>(left, kCancelSlice);
        const int ms =
            static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(slice).count());
        const int ready = poll(&entry, 1, ms);
        if (ready > 0) {
            return true;  // errors and hang-ups show in the read or write that follows
        }
        if (ready < 0 && errno != EINTR) {
            return Fail(SocketError::Io, ErrnoText(errno));
        }
    }
}

bool CTcpSocket::ConnectTo(const void* address, unsigned length, Deadline deadline) {
    if (connect(m_fd, static_cast<const sockaddr*>(address), length) == 0) {
        return true;
    }
    if (errno != EINPROGRESS) {
        return Fail(SocketError::Connect, ErrnoText(errno));
    }
    if (!WaitReady(Wait::Write, deadline)) {
        return false;
    }
    int error = 0;
    socklen_t size = sizeof error;
    getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size);
    return error == 0 || Fail(SocketError::Connect, ErrnoText(error));
}

bool CTcpSocket::Connect(const std::string& host, int port, std::chrono::milliseconds timeout) {
    Close();
    m_error = SocketError::None;
    const Deadline deadline = Clock::now() + timeout;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int resolved = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (resolved != 0) {
        return Fail(SocketError::Connect, gai_strerror(resolved));
    }
    bool connected = false;
    for (const addrinfo* a = found; a != nullptr && !connected; a = a->ai_next) {
        m_fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (m_fd < 0) {
            Fail(SocketError::Create, ErrnoText(errno));
            continue;
        }
        connected = ConnectTo(a->ai_addr, a->ai_addrlen, deadline);
        if (!connected) {
            ::close(m_fd);
            m_fd = -1;
            if (m_error == SocketError::Canceled || m_error == SocketError::TimedOut) {
                break;
            }
        }
    }
    freeaddrinfo(found);
    return connected;
}

bool CTcpSocket::Fill(Deadline deadline) {
    char buffer[kReceiveBytes];
    for (;;) {
        size_t got = 0;
        Wait wait = Wait::Read;
        if (m_tls) {
            const TlsStep step = m_tls->Read(buffer, sizeof buffer, &got);
            if (step == TlsStep::Closed) {
                return Fail(SocketError::Closed);
            }
            if (step == TlsStep::Failed) {
                return Fail(SocketError::Tls, m_tls->Error());
            }
            wait = step == TlsStep::WantWrite ? Wait::Write : Wait::Read;
        } else {
            const ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
            if (n == 0) {
                return Fail(SocketError::Closed);
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                return Fail(SocketError::Io, ErrnoText(errno));
            }
            got = n > 0 ? static_cast<size_t>(n) : 0;
        }
        if (got > 0) {
            m_in.append(buffer, got);
            return true;
        }
        if (!WaitReady(wait, deadline)) {
            return false;
        }
    }
}

std::optional<std::string> CTcpSocket::ReadLine(size_t maxBytes,
                                                std::chrono::milliseconds timeout) {
    if (!IsOpen()) {
        Fail(SocketError::Closed);
        return std::nullopt;
    }
    const Deadline deadline = Clock::now() + timeout;
    for (;;) {
        const size_t end = m_in.find('\n');
        if (end != std::string::npos && end <= maxBytes) {
            std::string line = m_in.substr(0, end);
            m_in.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return line;
        }
        if (m_in.size() >= maxBytes) {
            std::string piece = m_in.substr(0, maxBytes);
            m_in.erase(0, maxBytes);
            return piece;
        }
        if (!Fill(deadline)) {
            return std::nullopt;
        }
    }
}

bool CTcpSocket::WriteAll(std::string_view data, std::chrono::milliseconds timeout) {
    if (!IsOpen()) {
        return Fail(SocketError::Closed);
    }
    const Deadline deadline = Clock::now() + timeout;
    while (!data.empty()) {
        size_t put = 0;
        Wait wait = Wait::Write;
        if (m_tls) {
            const TlsStep step = m_tls->Write(data.data(), data.size(), &put);
            if (step == TlsStep::Closed || step == TlsStep::Failed) {
                return Fail(SocketError::Tls, m_tls->Error());
            }
            wait = step == TlsStep::WantRead ? Wait::Read : Wait::Write;
        } else {
            const ssize_t n = send(m_fd, data.data(), data.size(), MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                return Fail(SocketError::Io, ErrnoText(errno));
            }
            put = n > 0 ? static_cast<size_t>(n) : 0;
        }
        data.remove_prefix(put);
        if (put == 0 && !WaitReady(wait, deadline)) {
            return false;
        }
    }
    return true;
}

bool CTcpSocket::StartTls(const std::string& host, std::chrono::milliseconds timeout) {
    if (!IsOpen()) {
        return Fail(SocketError::Closed);
    }
    m_in.clear();
    std::string error;
    m_tls = CTlsSession::Create(m_fd, host, &error);
    if (!m_tls) {
        return Fail(SocketError::Tls, error);
    }
    const Deadline deadline = Clock::now() + timeout;
    for (;;) {
        const TlsStep step = m_tls->Handshake();
        if (step == TlsStep::Done) {
            return true;
        }
        if (step == TlsStep::Closed || step == TlsStep::Failed) {
            const std::string reason = m_tls->Error();
            m_tls.reset();  // no close notice after a failed handshake
            return Fail(SocketError::Tls, reason);
        }
        if (!WaitReady(step == TlsStep::WantRead ? Wait::Read : Wait::Write, deadline)) {
            m_tls.reset();
            return false;
        }
    }
}

void CTcpSocket::Close() {
    if (m_tls) {
        m_tls->Shutdown();
        m_tls.reset();
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_in.clear();
}

std::string LocalHostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "localhost";
    }
    return name;
}

}  // namespace tv
