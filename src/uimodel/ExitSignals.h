#pragma once

#include "platform/QuitSignals.h"
#include "uimodel/MainPresenter.h"

namespace tv {

// The signals that end a session (SIGTERM at logout or from kill, SIGINT, SIGHUP) as requests
// of the exit routine, which then cancels the runs and stores what the window keeps. While it
// lives the signals only make Descriptor() readable; the window's event loop watches it and
// calls Readable(). Main thread.
class CExitSignals {
  public:
    explicit CExitSignals(CMainPresenter& presenter) : m_presenter(presenter) {}

    int Descriptor() const { return m_signals.Descriptor(); }
    void Readable() {
        if (m_signals.Take()) {
            m_presenter.RequestExit(ExitCause::Signal);
        }
    }

  private:
    CMainPresenter& m_presenter;
    CQuitSignals m_signals;
};

}  // namespace tv
