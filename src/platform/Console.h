#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include <signal.h>

namespace tv {

// Whether standard input (0) or standard error (2) is an interactive terminal.
bool IsTerminal(int fd);

// Keeps what is typed on the terminal at `fd` from being shown while it lives (a password);
// nothing changes when `fd` is no terminal. The thread that reads.
class CEchoOff {
  public:
    explicit CEchoOff(int fd);
    ~CEchoOff();
    CEchoOff(const CEchoOff&) = delete;
    CEchoOff& operator=(const CEchoOff&) = delete;

  private:
    int m_fd;
    bool m_bChanged = false;
    unsigned m_savedFlags = 0;
};

// Turns SIGINT and SIGTERM into a call of `onSignal` on a thread of its own, outside any
// signal handler. The signals are blocked in the calling thread first, so construct it before
// the threads that must not receive them; the thread's mask is restored when it is
// destroyed. Main thread.
class CSignalCatcher {
  public:
    explicit CSignalCatcher(std::function<void()> onSignal);
    ~CSignalCatcher();
    CSignalCatcher(const CSignalCatcher&) = delete;
    CSignalCatcher& operator=(const CSignalCatcher&) = delete;

    bool Caught() const { return m_bCaught; }

  private:
    void Wait();

    std::function<void()> m_onSignal;
    std::atomic<bool> m_bCaught{false};
    std::atomic<bool> m_bStopping{false};
    sigset_t m_savedMask{};
    std::thread m_thread;
};

}  // namespace tv
