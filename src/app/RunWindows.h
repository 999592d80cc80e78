#pragma once

#include <functional>

#include "run/Preview.h"
#include "task/TaskObserver.h"

namespace tv {

class CElement;
class CMirrantApp;
class CTaskLauncher;

// The windows of an unattended run when there is a display: a progress window per run that is
// not silent, its questions in boxes and its previews. The windows' side implements it; the
// command line attaches what it hands out to the runs and lets it serve them.
class IRunWindows {
  public:
    virtual ~IRunWindows() = default;
    // Main thread, before the runs start. The observer of `task`'s run; the progress window
    // (placed by `sequence`) opens with the run's first report, so that a run waiting for its
    // turn shows none yet. Lives as long as this object.
    virtual ITaskObserver& Progress(CElement& task, int sequence) = 0;
    // Main thread. The questions of `task`'s run, each in a box that names the task.
    virtual ITaskPrompter& Prompter(CElement& task) = 0;
    virtual IPreviewHandler& Preview() = 0;
    // Main thread. Calls `runs` on a thread of its own and keeps the windows going meanwhile;
    // returns once `runs` has returned and the last window has closed (or Quit was called).
    // The progress windows' shutdown box shows and sets `launcher`'s pending shutdown. Blocks.
    virtual void Serve(CTaskLauncher& launcher, const std::function<void()>& runs) = 0;
    // Any thread. Serve returns as soon as the runs have, whichever windows are still open.
    virtual void Quit() = 0;
};

// Shows the windows of an unattended run on a started application: calls `run` with them and
// returns what it returns. Main thread; makes the windows' application object.
using RunWindowsEntry =
    std::function<int(CMirrantApp& app, const std::function<int(IRunWindows&)>& run)>;

}  // namespace tv
