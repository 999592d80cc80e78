#pragma once

#include <csignal>

namespace tv {

// SIGTERM (logout, kill), SIGINT and SIGHUP turned into a byte on a pipe, so that an event
// loop can end the program its orderly way instead of dying in the middle of a copy: the
// handler only writes that byte. The handlers of before come back when it is destroyed. One
// at a time per process; main thread.
class CQuitSignals {
  public:
    CQuitSignals();
    ~CQuitSignals();
    CQuitSignals(const CQuitSignals&) = delete;
    CQuitSignals& operator=(const CQuitSignals&) = delete;

    // Readable once a signal came; -1 when the pipe could not be made (the signals then keep
    // their default action).
    int Descriptor() const { return m_read; }
    // Empties the pipe; whether a signal had come. Never blocks.
    bool Take();

  private:
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

    int m_read = -1;
    int m_write = -1;
    struct sigaction m_saved[sizeof(kSignals) / sizeof(kSignals[0])] = {};
};

}  // namespace tv
