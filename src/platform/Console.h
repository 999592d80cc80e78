#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace tv {

// Whether standard input (0) or standard error (2) is an interactive terminal.
bool IsTerminal(int fd);

// Turns SIGINT and SIGTERM into a call of `onSignal` on a thread of its own, outside any
// signal handler. The signals are blocked in the calling thread first, so construct it before
// the threads that must not receive them. Main thread.
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
    std::thread m_thread;
};

}  // namespace tv
