#pragma once

#include <functional>

#include "run/TaskLauncher.h"

namespace tv {

class CElement;
class CRealtimeServices;
class IFileSystem;

// Whether the task list that holds the task has changes not saved yet: its service may then
// be out of date.
enum class ListState { Saved, Unsaved };

enum class ToggleOutcome {
    Started,
    Stopped,
    StopRefused,     // the service had not stopped in time; nothing changed
    NeedPrivileges,  // the services folder may not be written
    NotLocal,        // a location is not a local folder, or there is no target
    CreateFailed,
    OpenFailed,
    StartFailed,
};

struct CToggleResult {
    ToggleOutcome m_outcome = ToggleOutcome::Started;
    int m_nError = 0;  // the errno value of a failure
};

// Runs the one-time synchronization of a task whose service is about to start; returns when
// it has ended.
using InitialSyncFn = std::function<void(const CElement& task)>;

// The Execute command of a real-time task: a running service is stopped; otherwise the service
// is made when missing, the task synchronized once through `initialSync` (unless "Do not
// initialize synchronization") and the service started. With `list` Unsaved an existing
// service is removed first, so that it is made again from the task as it is now (a running one
// is only stopped and removed). Blocks on disk I/O, the initial synchronization and a stop
// (up to the services' stop wait); GUI thread; not cancellable.
CToggleResult ToggleRealTimeTask(CRealtimeServices& services, const CElement& task, ListState list,
                                 const InitialSyncFn& initialSync);

// The one-time synchronization: a silent copy of `task` made a synchronization task of the
// same mode, run through a launcher of its own with `settings`, waited for and discarded.
// Blocks until the run has ended; the thread that launches runs (the GUI's).
void RunInitialSync(IFileSystem& fs, const CElement& task, CLauncherSettings settings);

}  // namespace tv
