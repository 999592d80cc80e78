#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/FileTime.h"
#include "task/Options.h"
#include "task/Side.h"
#include "task/TaskInfor.h"
#include "task/TaskObserver.h"

namespace tv {

// What a task record carries while it runs. It belongs to one record: a copy of the record
// starts idle, and assigning a record leaves the run state of the destination as it was.
class CTaskRunState {
  public:
    CTaskRunState() = default;
    CTaskRunState(const CTaskRunState&) {}
    CTaskRunState& operator=(const CTaskRunState&) { return *this; }

    std::atomic<bool> m_bRunning{false};
    std::atomic<bool> m_bCancelRequested{false};
    std::atomic<bool> m_bCanceledByUser{false};
    std::atomic<bool> m_bInvestigationFailed{false};
    // The preference bits copied at launch; the error policy bits may be switched to "stop"
    // by an Abort from any thread of the run.
    std::atomic<uint32_t> m_dwPrefCopy{pref::kDefault};
    RunKind m_runKind = RunKind::Synchronize;
    std::mutex m_runLock;

    ITaskObserver* m_pObserver = nullptr;
    ITaskPrompter* m_pPrompter = nullptr;

    std::vector<std::unique_ptr<CTaskInfor>> m_TaskInfors;
    CTaskInfor* m_pCurInfor = nullptr;

    // Written by the worker; read once the run has ended (the launcher joined its thread).
    std::string m_strStartText;  // "Task started: " and the time
    std::string m_strEndText;    // "Task ended: " or "Task canceled by user " and the time
    FileTime m_previousRun = 0;  // the log file's last-write time before this run, or 0
    std::atomic<RunEnd> m_runEnd{RunEnd::None};
    std::atomic<int> m_nEndMessageId{0};  // the text id of an end on an error, or 0

    // Progress of the run, for anyone watching it. Reset at the start of a run.
    std::atomic<bool> m_bLastTarget{false};   // the last target of the list is being processed
    std::atomic<bool> m_bTargetPhase{false};  // a target is past its investigation
    std::atomic<uint32_t> m_nCopiedFromSource{0};
    std::atomic<uint32_t> m_nCopiedFromTarget{0};
    std::atomic<uint32_t> m_nDeletedInSource{0};
    std::atomic<uint32_t> m_nDeletedInTarget{0};

    // Any thread. Wakes a paused worker so that it sees the cancel at once.
    void RequestCancel(bool byUser);
    void SetPaused(bool paused);
    bool IsPaused() const { return m_bPaused.load(); }
    // Blocks while the run is paused; returns the cancel flag.
    bool WaitWhilePaused();

    ErrorPolicy Policy() const;
    void SetPolicy(ErrorPolicy policy);

    // The folder each side is investigating, or the file being copied, for the progress window.
    void SetDisplayPath(Side side, std::string path);
    std::string DisplayPath(Side side) const;
    void ClearDisplayPaths();

  private:
    std::atomic<bool> m_bPaused{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_pauseChanged;
    std::string m_displayPath[2];
};

}  // namespace tv
