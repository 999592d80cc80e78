#pragma once

#include <atomic>
#include <functional>

#include "app/RunWindows.h"
#include "ui/QtRunViews.h"

namespace tv {

class CMirrantApp;
class CProfile;

// The windows of a run of tasks from the command line or a launcher, without the main window:
// the progress windows, questions and previews the main window's runs show. The progress
// windows close by their own rules (at the end when "Close task's progress window if no errors
// occurred" holds and there were none, else when the user closes them). GUI thread, except
// for what IRunWindows says.
class CUnattendedWindows final : public IRunWindows {
  public:
    // `profile`: where the preview keeps its size.
    explicit CUnattendedWindows(CProfile& profile);

    ITaskObserver& Progress(CElement& task, int sequence) override;
    ITaskPrompter& Prompter(CElement& task) override;
    IPreviewHandler& Preview() override;
    void Serve(CTaskLauncher& launcher, const std::function<void()>& runs) override;
    void Quit() override;

    CQtRunViews& Views() { return m_views; }

  private:
    // The pending shutdown is the launcher's; nothing here was started as one of several by
    // a window command, so a finished progress window stays unless its options close it.
    class CLauncherBoard final : public IRunBoard {
      public:
        bool SeveralStarted() const override { return false; }
        bool ShutdownPending() const override;
        void SetShutdownPending(bool pending) override;

        CTaskLauncher* m_pLauncher = nullptr;
    };

    void CheckEnd(bool runsOver, const std::function<void()>& end);

    CLauncherBoard m_board;
    CQtRunViews m_views;
    std::atomic<bool> m_bQuit{false};
};

// Makes the windows' application object (unless there is one already), names the program to
// the desktop, takes the user's language, and calls `run` with the windows of an unattended
// run; returns what `run` returns. Main thread.
int RunWithWindows(int& argc, char** argv, CMirrantApp& app,
                   const std::function<int(IRunWindows&)>& run);

}  // namespace tv
