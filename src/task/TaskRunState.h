#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "task/Options.h"
#include "task/Side.h"
#include "task/TaskInfor.h"
#include "task/TaskObserver.h"

namespace tv {

// What the passes of a run changed, summed over its targets.
struct CChangeCounts {
    uint32_t m_nCopiedFromSource = 0;
    uint32_t m_nCopiedFromTarget = 0;
    uint32_t m_nDeletedInSource = 0;
    uint32_t m_nDeletedInTarget = 0;
};

// What a task record carries while it runs, and keeps after the run for those who report on
// it. It belongs to one record: a copy of the record starts idle, and assigning a record
// leaves the run state of the destination as it was.
//
// A run goes Begin, SelectTarget for each target, End. "The run's threads" are its worker and
// the investigation threads the worker starts and joins. After End the records, the counts
// and the ending stay for readers until the next Begin.
class CTaskRunState {
  public:
    CTaskRunState() = default;
    CTaskRunState(const CTaskRunState&) {}
    CTaskRunState& operator=(const CTaskRunState&) { return *this; }

    // The thread that launches: claims the task and starts its run afresh (the kind, the
    // preferences, one empty record per target with the first one current; no cancel, pause,
    // counts, display paths or ending). The records spool their lines to `spoolFolder`
    // (RunSpoolFolder) of `spoolFs` (none: they keep them in memory). False, changing nothing,
    // while the task runs. Never blocks.
    bool Begin(RunKind kind, uint32_t preferences, size_t targets, IFileSystem* spoolFs = nullptr,
               const std::string& spoolFolder = {});
    // The run's last step, on its worker: no record is current any more, the ending is kept
    // and the task is free for the next Begin.
    void End(RunEnd end);
    // Any thread.
    bool IsRunning() const { return m_bRunning.load(); }
    // How the last run ended; None while a run is going on and before the first. Any thread.
    RunEnd Ending() const { return m_end.load(); }
    // The run's threads, and windows while the run goes on.
    RunKind Kind() const { return m_kind; }

    // Who hears the run and who answers its questions (none: nobody). The thread that
    // launches sets them before Begin and clears them once the run has ended.
    void Attach(ITaskObserver* observer, ITaskPrompter* prompter);
    void Detach() { Attach(nullptr, nullptr); }
    // The run's threads.
    ITaskObserver* Observer() const { return m_pObserver; }
    ITaskPrompter* Prompter() const { return m_pPrompter; }

    // Any thread: the user's cancel, whoever passes it on (the window, a signal, a refused
    // preview). The run stops at its next check; a paused run is woken to see it at once.
    void RequestCancel();
    // Any thread.
    bool CancelRequested() const { return m_bCancelRequested.load(); }
    void SetPaused(bool paused);
    bool IsPaused() const { return m_bPaused.load(); }
    // The run's threads: blocks while the run is paused; returns the cancel flag.
    bool WaitWhilePaused();

    // The preference bits taken at Begin. Any thread.
    uint32_t Preferences() const { return m_dwPreferences.load(); }
    ErrorPolicy Policy() const;
    // Any thread of the run: an Abort switches the policy to "stop" for the rest of the run.
    void SetPolicy(ErrorPolicy policy);

    // The worker, before each target: makes the target's record current (none past the last)
    // and forgets an investigation failure of the target before.
    void SelectTarget(size_t index);
    // The investigation threads: a side failed, so that the other one may stop early.
    void SetInvestigationFailed() { m_bInvestigationFailed = true; }
    bool InvestigationFailed() const { return m_bInvestigationFailed.load(); }

    // The run's threads: a line for the current target's record; dropped when none is current.
    // Now and then blocks on disk I/O (the record spools its lines).
    void Record(CTaskInfor::List list, std::string line);
    void RecordError(std::string line) { Record(CTaskInfor::Errors, std::move(line)); }
    // The run's threads: the lines of `list` in the current target's record so far.
    size_t CurrentCount(CTaskInfor::List list) const;
    // Once the run has ended: each target's record in target order, and the lines of `list`
    // over all of them.
    const std::vector<std::unique_ptr<CTaskInfor>>& Records() const { return m_records; }
    size_t Count(CTaskInfor::List list) const;

    // The worker, after a target's pass.
    void AddChanges(const CChangeCounts& counts);
    // Any thread; the whole run's once it has ended.
    CChangeCounts Changes() const;

    // The folder each side is investigating, or the file being copied. The run's threads set
    // them; the progress window reads them when an event says that they moved on.
    void SetDisplayPath(Side side, std::string path);
    std::string DisplayPath(Side side) const;
    void ClearDisplayPaths();

  private:
    // Set by Begin, cleared by End.
    std::atomic<bool> m_bRunning{false};
    // Set by RequestCancel from any thread; cleared by Begin.
    std::atomic<bool> m_bCancelRequested{false};
    // Set by the window's thread; cleared by Begin; waited on by the run's threads.
    std::atomic<bool> m_bPaused{false};
    // Set by the investigation threads; cleared by the worker between targets.
    std::atomic<bool> m_bInvestigationFailed{false};
    // Set by Begin; only the error policy bits change later, from any thread of the run.
    std::atomic<uint32_t> m_dwPreferences{pref::kDefault};
    // Written by End; read by anyone once the run has ended.
    std::atomic<RunEnd> m_end{RunEnd::None};
    // Written by Begin on the launching thread before the worker starts; read by the run's
    // threads and the windows.
    RunKind m_kind = RunKind::Synchronize;
    // Written by the launching thread while no run goes on; read by the run's threads.
    ITaskObserver* m_pObserver = nullptr;
    ITaskPrompter* m_pPrompter = nullptr;
    // Made by Begin; read once the run has ended. Lines reach them through m_pCurrent, which
    // the worker moves only while no other thread of the run goes on.
    std::vector<std::unique_ptr<CTaskInfor>> m_records;
    CTaskInfor* m_pCurrent = nullptr;

    // Guards what follows and pairs with m_pauseChanged.
    mutable std::mutex m_mutex;
    std::condition_variable m_pauseChanged;
    // Added to by the worker; read by the windows once the run has ended.
    CChangeCounts m_changes;
    // Written by the run's threads; read by the progress window.
    std::string m_displayPath[2];
};

}  // namespace tv
