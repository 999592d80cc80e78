// A server that takes connections on 127.0.0.1 and never says a word: what a client does when
// the other side goes quiet.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tvtest {

// Listens on a free port until destroyed; Port() is 0 when it could not.
class CSilentListener {
  public:
    CSilentListener() : m_socket(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (bind(m_socket, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            listen(m_socket, 4) == 0 &&
            getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
            m_port = ntohs(address.sin_port);
        }
    }
    ~CSilentListener() { close(m_socket); }
    CSilentListener(const CSilentListener&) = delete;
    CSilentListener& operator=(const CSilentListener&) = delete;

    int Port() const { return m_port; }

  private:
    int m_socket;
    int m_port = 0;
};

}  // namespace tvtest
