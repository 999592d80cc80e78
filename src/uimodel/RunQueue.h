#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "run/TaskLauncher.h"
#include "uimodel/RunSummary.h"
#include "uimodel/RunViews.h"

namespace tv {

class CMirrantApp;
class CTaskListDocument;
class IUiDialogs;

// How many tasks the command that starts runs concerns: several share one summary box and one
// end sound, and their progress windows close on their own.
enum class RunGroup { One, Several };

// Whether the queue goes on after a run's end: starts the next queued run, shows the summary
// and shuts the computer down when that was asked for.
enum class AfterRunEnd { Continue, Stop };

// What the run queue needs from the window around it. GUI thread.
class IRunQueueHost {
  public:
    virtual ~IRunQueueHost() = default;
    // A queued run is about to start: what was typed into the window reaches its task first.
    virtual void ApplyPendingEdits() = 0;
    // The end of `task`'s run has been booked. Stop while the window is closing.
    virtual AfterRunEnd RunEnded(const CElement& task) = 0;
    // The shutdown asked for after the last run has begun: the window is to close.
    virtual void ShutdownStarted() = 0;
    // A run started or ended: what may be edited changed.
    virtual void RunsChanged() = 0;
};

// The runs started from the main window: all at once, or one after the other with "Start
// tasks consecutively"; their ends, which come back through IRunViews::Post; the summary box
// and the end sound after the last of several; the shutdown asked for. The tasks are rows of
// the list document, which must outlive the queue. GUI thread; nothing waits for a worker
// except to join one whose end has arrived (and the destructor, for runs still going on).
class CRunQueue : public IRunBoard {
  public:
    CRunQueue(CMirrantApp& app, IUiDialogs& dialogs, CTaskListDocument& list, IRunQueueHost& host);
    ~CRunQueue() override;
    CRunQueue(const CRunQueue&) = delete;
    CRunQueue& operator=(const CRunQueue&) = delete;

    // Before the first run. The views must outlive every run (see CancelAll).
    void AttachRunViews(IRunViews& views);
    // Runs started from now on work with these bits.
    void SetPreferences(uint32_t preferences);

    // A command that starts its own summary: the ends of earlier runs stay out of it.
    void BeginSummary();
    // A run that is no part of a command of several tasks (Restore): the end sound that
    // several runs collected is dropped.
    void BeginSingle();
    // Starts the tasks of `rows`; a task that is running, or a real-time task, is passed over.
    // Nothing starts before AttachRunViews.
    void Start(const std::vector<int>& rows, RunCommand command, RunGroup group);

    bool IsRunning(const CElement& task) const {
        return m_inFlight.contains(const_cast<CElement*>(&task));
    }
    int Outstanding() const { return m_nOutstanding; }
    // Queued runs count as well.
    bool AnyOutstanding() const { return m_nOutstanding > 0 || !m_queue.empty(); }
    // Cancels every run and forgets queued ones; the ends still arrive through Post.
    void CancelAll();
    void ClearEndSound() { m_bEndSound = false; }

    // IRunBoard.
    bool SeveralStarted() const override { return m_bSeveralStarted; }
    bool ShutdownPending() const override;
    void SetShutdownPending(bool pending) override;

  private:
    bool StartOne(CElement& task, RunCommand command);
    void StartNextQueued();
    // "Stop all tasks?" after a canceled run of the queue.
    void AskToStopTheQueue();
    void OnRunDone(CElement& task, RunEnd end, int messageId);
    void NoteRunEnd(const CElement& task, RunEnd end, int messageId, bool hadWindow);
    void ContinueAfter(const CElement& task, RunEnd end);
    void FinishRuns(bool mayShutDown);

    CMirrantApp& m_app;
    IUiDialogs& m_dialogs;
    CTaskListDocument& m_list;
    IRunQueueHost& m_host;
    IRunViews* m_pViews = nullptr;
    uint32_t m_dwPreferences;

    // Started runs whose end has not been handled yet, and runs waiting for their turn.
    std::unique_ptr<CTaskLauncher> m_launcher;
    std::shared_ptr<CRunQueue*> m_alive;
    std::set<CElement*> m_inFlight;
    std::set<CElement*> m_withWindow;
    // Consecutive runs: task ids with their command, in start order, and the queued run
    // that is going on (-1: none).
    std::deque<std::pair<int, RunCommand>> m_queue;
    int m_nQueueRunId = -1;
    bool m_bAsking = false;  // "Stop all tasks?" is open
    int m_nOutstanding = 0;
    int m_nSequence = 0;
    bool m_bSeveralStarted = false;
    bool m_bEndSound = false;
    std::string m_strEndSound;
    std::vector<CRunSummaryRow> m_summary;
    std::string m_strFinishedIds;
};

}  // namespace tv
