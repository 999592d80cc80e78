#pragma once

#include <atomic>
#include <chrono>
#include <functional>

#include "task/TaskRunState.h"

namespace tv {

class CElement;
class CFtpTimeTable;
class CProfile;
class IDiscRecorder;
class IFileSystem;
class IPreviewHandler;
class IDryRunReport;

// What a finished run tells the one that launched it.
struct CTaskDone {
    RunEnd m_end = RunEnd::Normal;
    // After an error end under the policy "Ask to continue": the id of the text that ended
    // the run, so that it can be shown; else 0.
    int m_nMessageId = 0;
};

// Called on the worker thread as its very last action, after the run lock was left and the
// running flag cleared. It must not wait for the run's own thread.
using TaskDoneCallback = std::function<void(CElement& task, const CTaskDone& done)>;

// The waits between two steps of a recorder (after an erase, before a second burn): blocks the
// worker for `wait` or until the run is canceled.
using DiscWaitFn = std::function<void(std::chrono::milliseconds wait)>;

// What a run takes from its launcher.
// Who started a run; the log names the scheduler, since nobody watched that run.
enum class RunOrigin { User, Scheduler };

struct CRunEnvironment {
    explicit CRunEnvironment(IFileSystem& fs) : m_fs(fs) {}

    // The file system the run's local locations lie in, and the one of the files the program
    // keeps (log, snapshots, last synchronization, the run record's spool).
    IFileSystem& m_fs;
    IPreviewHandler* m_pPreview = nullptr;  // none: no preview is shown
    TaskDoneCallback m_onDone;
    // Several tasks were started together ("Don't show Preview window if several tasks
    // started" then holds back the preview).
    bool m_bSeveralTasksStarted = false;
    // The launcher's pending shutdown, cleared when a preview is refused.
    std::atomic<bool>* m_pShutdownPending = nullptr;
    // Where "Use targets consecutively" keeps its rotation; none: the user's profile.
    CProfile* m_pProfile = nullptr;
    // The FTP servers' LIST time shifts; read only while runs go on. None: no shift.
    const CFtpTimeTable* m_pFtpTimes = nullptr;
    RunOrigin m_origin = RunOrigin::User;
    // The recorders disc targets are burnt on; none: the system's.
    IDiscRecorder* m_pDiscRecorder = nullptr;
    // None: a sleep that a cancel cuts short.
    DiscWaitFn m_discWait;
    // A dry run: the run plans as usual, hands the plan here and changes nothing. None: a run.
    IDryRunReport* m_pDryRun = nullptr;
};

// One run of one task, from the start delay to the end: the body of the task's worker thread.
// The launcher has begun the run state (CTaskRunState::Begin). Blocks on disk I/O, on the
// programs run before the task and on every question and preview; canceled through the task's
// flags (IsTaskCanceled at every check point). 0 after a normal or canceled end, -1 after an
// error end. Every ending writes the log, ends the run state, tells the observer (TaskEnd) and
// then the launcher (m_onDone). A silent run has no progress window: the runner then makes no
// observer calls of its own.
int TaskThreadProc(CElement& task, const CRunEnvironment& env);

}  // namespace tv
