#pragma once

#include <atomic>
#include <chrono>
#include <string>

namespace tv {

// The clock of a session's waits: one to reach the server, and one per transfer that any progress
// restarts.
struct CSocketWait {
    std::chrono::steady_clock::time_point m_deadline;
    const std::atomic<bool>& m_cancel;
};

// A non-blocking TCP connection to `host` (each address in turn) with TCP_NODELAY, so that the
// time-out and a cancel are both seen. 0 with `socket` set; else ECANCELED, ETIMEDOUT,
// EHOSTUNREACH or ECONNREFUSED with the reason in `error`. Blocks; the caller's thread.
int ConnectTcp(const std::string& host, int port, const CSocketWait& wait, int& socket,
               std::string& error);

// Waits until `socket` is ready for `events`, looking at the cancel every 200 ms: 0, ECANCELED or
// ETIMEDOUT past the deadline, with the reason in `error`. Before each wait for input, asks the
// kernel to acknowledge at once what arrives.
int WaitOnSocket(int socket, short events, const CSocketWait& wait, std::string& error);

}  // namespace tv
