#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "run/TaskRunner.h"
#include "task/Options.h"

namespace tv {

class CElement;
class CFtpTimeTable;
class CProfile;
class IFileSystem;
class IPreviewHandler;
class IDryRunReport;

// The commands that run tasks.
enum class RunCommand { Sync, Backup, Replace, Restore, EqualizeToTarget, EqualizeToSource };

// The run kind `command` gives `task`: Sync takes a synchronization task's mode (two-way or
// target update) and always a target update for a backup task; none for a real-time task,
// which the runner does not run.
std::optional<RunKind> RunKindFor(const CElement& task, RunCommand command);

// The preference bits a run of `task` works with: the application's, with the task's own
// error policy when it has "Overwrite common preferences".
uint32_t EffectivePreferences(const CElement& task, uint32_t appPreferences);

struct CLauncherSettings {
    uint32_t m_dwPreferences = pref::kDefault;   // the application preferences ("DlgPref")
    IPreviewHandler* m_pPreview = nullptr;       // none: no preview is shown
    TaskDoneCallback m_onDone;                   // the end of each run, on its worker thread
    CProfile* m_pProfile = nullptr;              // for "NextTags"; none: the user's profile
    const CFtpTimeTable* m_pFtpTimes = nullptr;  // the servers' LIST time shifts; none: none
    RunOrigin m_origin = RunOrigin::User;
    IDiscRecorder* m_pDiscRecorder = nullptr;  // none: the system's recorders
    DiscWaitFn m_discWait = nullptr;           // none: a sleep that a cancel cuts short
    IDryRunReport* m_pDryRun = nullptr;        // set: every run is a dry run reporting here
};

// Starts runs of tasks, each on a worker thread of its own, and waits for them. The caller
// attaches each task's observer and prompter (CTaskRunState::Attach) before launching it; the
// launcher begins the run state. Every run works in `fs` (see CRunEnvironment). The caller's
// thread (the GUI's or the command line's main thread) launches and waits; the launcher must
// outlive its runs (its destructor waits for them).
class CTaskLauncher {
  public:
    CTaskLauncher(IFileSystem& fs, CLauncherSettings settings);
    ~CTaskLauncher();
    CTaskLauncher(const CTaskLauncher&) = delete;
    CTaskLauncher& operator=(const CTaskLauncher&) = delete;

    // Starts the tasks in list order and returns how many were started; a task that is running
    // and a real-time task are passed over. With "Start tasks consecutively" in the
    // preferences it waits for each run while another task follows; after a canceled run it
    // asks "Stop all tasks?" (through that task's prompter; nobody to ask: No) and starts no
    // more on Yes. Otherwise it returns at once. Blocks only in consecutive mode.
    size_t Launch(const std::vector<CElement*>& tasks, RunCommand command);

    // The application preferences that the runs started from now on take. The thread that
    // launches.
    void SetPreferences(uint32_t preferences) { m_settings.m_dwPreferences = preferences; }

    // The main window's start of one task of a command: `severalStarted` when the command
    // concerned two or more tasks. It never waits; the window sequences consecutive runs
    // itself. A task with "Shutdown computer after finishing" makes the shutdown pending
    // except under Replace and Restore. False when the task was passed over.
    bool LaunchOne(CElement& task, RunCommand command, bool severalStarted);

    // Blocks until the run of `task` (if this launcher started one) has ended and joins its
    // thread; a second waiter for the same run returns at once. Not from a worker thread.
    void Wait(CElement& task);
    // Blocks until every run this launcher started has ended. Not from a worker thread.
    void WaitAll();
    // Any thread: cancels every run that is going on, also one that is being waited for, and
    // makes the Launch that is going on, or else the next one, start no further task (a
    // signal that comes just before the runs start must not be lost). LaunchOne is not held
    // back.
    void CancelAll();
    bool IsAnyRunning() const;

    // Set by a started task with "Shutdown computer after finishing"; cleared when a preview
    // is refused.
    bool ShutdownPending() const { return m_bShutdownPending.load(); }
    // Any thread: the shutdown check box of a progress window sets or clears it for all runs.
    void SetShutdownPending(bool pending) { m_bShutdownPending = pending; }
    // Shuts the computer down (platform shutdown layer) when a shutdown is pending and no run
    // is left; true when it did. Blocks on the shutdown command.
    bool ShutdownIfPending();

  private:
    // A run stays registered until its thread was joined, so that CancelAll and IsAnyRunning
    // see it while someone waits for it; its environment lives as long.
    struct CWorker {
        explicit CWorker(IFileSystem& fs) : m_env(fs) {}

        CElement* m_pTask = nullptr;
        CRunEnvironment m_env;
        std::thread m_thread;
        bool m_bJoining = false;
    };

    // Always: LaunchOne's start; NoShutdown: the same without making a shutdown pending;
    // UnlessStopped: Launch's start, which a CancelAll holds back.
    enum class StartMode { Always, NoShutdown, UnlessStopped };
    bool Start(CElement& task, RunKind kind, bool several, StartMode mode);
    void JoinWorkers(CElement* task);
    bool StopAfterCancel(CElement& task);

    IFileSystem& m_fs;
    CLauncherSettings m_settings;
    std::atomic<bool> m_bShutdownPending{false};
    std::atomic<bool> m_bStopStarting{false};
    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<CWorker>> m_workers;
};

}  // namespace tv
