#include "platform/SocketWait.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tv {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollSliceMs = 200;

// The server sends without TCP_NODELAY: a small packet that follows one we have not
// acknowledged waits for our delayed acknowledgement, 40 ms on Linux. That struck twice in every
// login and once in each burst of answers, such as the time and the close of an upload. Linux
// drops back to delayed acknowledgements by itself, so this is asked anew before every wait.
void AckAtOnce(int socket) {
    int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

int ConnectOne(const addrinfo& address, const CSocketWait& wait, int& socket, std::string& error) {
    socket = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        return ECONNREFUSED;
    }
    // Requests are small and each waits for its answer: Nagle's delay would hold every one
    // back until the server's delayed acknowledgement.
    int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    int result = connect(socket, address.ai_addr, address.ai_addrlen) == 0 ? 0 : errno;
    if (result == EINPROGRESS) {
        result = WaitOnSocket(socket, POLLOUT, wait, error);
        socklen_t size = sizeof(int);
        int status = 0;
        if (result == 0 && getsockopt(socket, SOL_SOCKET, SO_ERROR, &status, &size) == 0) {
            result = status;
        }
    }
    if (result != 0 && result != ECANCELED && result != ETIMEDOUT) {
        close(socket);
        socket = -1;
    }
    return result;
}

}  // namespace

int ConnectTcp(const std::string& host, int port, const CSocketWait& wait, int& socket,
               std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) {
        error = "cannot resolve " + host;
        return EHOSTUNREACH;
    }
    int result = ECONNREFUSED;
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        result = ConnectOne(*a, wait, socket, error);
        if (result == 0 || result == ECANCELED || result == ETIMEDOUT) {
            break;
        }
        result = ECONNREFUSED;
    }
    freeaddrinfo(found);
    if (result != 0) {
        if (socket >= 0) {
            close(socket);
            socket = -1;
        }
        error =
            result == ECANCELED ? "cancelled" : "cannot connect to " + host + " port " + service;
    }
    return result;
}

int WaitOnSocket(int socket, short events, const CSocketWait& wait, std::string& error) {
    for (;;) {
        if (wait.m_cancel) {
            error = "cancelled";
            return ECANCELED;
        }
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(wait.m_deadline - Clock::now());
        if (left.count() <= 0) {
            error = "the server did not answer in time";
            return ETIMEDOUT;
        }
        if ((events & POLLIN) != 0) {
            AckAtOnce(socket);
        }
        pollfd watched{socket, events, 0};
        int ready = poll(&watched, 1, static_cast<int>(std::min<long>(left.count(), kPollSliceMs)));
        if (ready > 0 || (ready < 0 && errno != EINTR)) {
            return 0;
        }
    }
}

}  // namespace tv
