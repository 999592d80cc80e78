#pragma once

#include <functional>

#include "run/Preview.h"
#include "task/TaskObserver.h"

namespace tv {

class CElement;

// The run bookkeeping of the main window that progress windows read and write.
class IRunBoard {
  public:
    virtual ~IRunBoard() = default;
    // GUI thread. Several tasks were started by the command that started this run.
    virtual bool SeveralStarted() const = 0;
    // GUI thread. The pending shutdown after the last run, for all runs.
    virtual bool ShutdownPending() const = 0;
    virtual void SetShutdownPending(bool pending) = 0;
};

// What the main window needs from the windows of a run. The Qt side implements it with the
// progress and preview windows; tests of the main window's presenter with recorders.
class IRunViews {
  public:
    virtual ~IRunViews() = default;
    // GUI thread. Opens the progress window of a run that is about to start (`sequence`
    // places it) and returns the observer the run reports to. The observer lives until the
    // run has ended and its window has been closed.
    virtual ITaskObserver* OpenProgress(CElement& task, int sequence) = 0;
    // GUI thread. Asks the progress window of a running task to close, as its Cancel does.
    virtual void CloseProgress(CElement& task) = 0;
    // GUI thread. The questions of `task`'s runs, shown on the GUI thread while the worker
    // waits; each names the task. The prompter lives as long as the views.
    virtual ITaskPrompter& Prompter(CElement& task) = 0;
    // The preview window, shown on the GUI thread while the worker waits.
    virtual IPreviewHandler& Preview() = 0;
    // Any thread: runs `fn` on the GUI thread later (how the end of a run is posted).
    virtual void Post(std::function<void()> fn) = 0;
};

}  // namespace tv
