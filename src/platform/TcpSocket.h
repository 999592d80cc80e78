#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

// Why the last step of a socket failed.
enum class SocketError { None, Create, Connect, TimedOut, Closed, Io, Tls, Canceled };

// True when the user (or the run) gave up; asked several times a second while a step waits.
using CancelCheck = std::function<bool()>;

class CTlsSession;

// A TCP client connection that can be upgraded to TLS in mid-stream (STARTTLS). Every step
// waits at most the time-out given for it and gives way to a cancel within a tenth of a
// second, so a server that stops answering never holds its caller for longer. One thread at a
// time; every step blocks on the network.
class CTcpSocket {
  public:
    CTcpSocket();
    ~CTcpSocket();
    CTcpSocket(const CTcpSocket&) = delete;
    CTcpSocket& operator=(const CTcpSocket&) = delete;

    void SetCancelCheck(CancelCheck canceled) { m_canceled = std::move(canceled); }

    // Resolves `host` and connects to the first of its addresses that accepts within
    // `timeout`. Closes a connection made before.
    bool Connect(const std::string& host, int port, std::chrono::milliseconds timeout);
    // The next line without its line end ("\n", with a "\r" before it taken off). A line longer
    // than `maxBytes` comes in pieces of `maxBytes`. None on time-out, close or error.
    std::optional<std::string> ReadLine(size_t maxBytes, std::chrono::milliseconds timeout);
    bool WriteAll(std::string_view data, std::chrono::milliseconds timeout);
    // Makes the connection TLS. The server's certificate must be vouched for by the system's
    // CA store (or the CA file named by SSL_CERT_FILE) and name `host`. Whatever the server
    // sent before the handshake is dropped, so that nobody can slip in answers unprotected.
    bool StartTls(const std::string& host, std::chrono::milliseconds timeout);
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    SocketError LastError() const { return m_error; }
    // The system's or the TLS library's words for the last failure; may be empty.
    const std::string& ErrorDetail() const { return m_strDetail; }

  private:
    using Deadline = std::chrono::steady_clock::time_point;
    enum class Wait { Read, Write };

    bool Fail(SocketError error, std::string detail = {});
    // Waits until the socket is ready for `wait`; false (with the reason set) on time-out or
    // cancel.
    bool WaitReady(Wait wait, Deadline deadline);
    bool ConnectTo(const void* address, unsigned length, Deadline deadline);
    // Reads what is there into m_in; false with the reason set on close, error or time-out.
    bool Fill(Deadline deadline);

    int m_fd = -1;
    std::unique_ptr<CTlsSession> m_tls;
    std::string m_in;  // received, not yet handed out
    CancelCheck m_canceled;
    SocketError m_error = SocketError::None;
    std::string m_strDetail;
};

// This computer's host name; "localhost" when the system has none to give.
std::string LocalHostName();

}  // namespace tv
