#include "uimodel/RunQueue.h"

#include <algorithm>
#include <utility>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/Desktop.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/TaskListDocument.h"
#include "uimodel/UiDialogs.h"

namespace tv {

CRunQueue::CRunQueue(CMirrantApp& app, IUiDialogs& dialogs, CTaskListDocument& list,
                     IRunQueueHost& host)
    : m_app(app),
      m_dialogs(dialogs),
      m_list(list),
      m_host(host),
      m_dwPreferences(app.Preferences()),
      m_alive(std::make_shared<CRunQueue*>(this)) {}

// The window waits for the runs' ends before it lets the queue go; should runs still be going
// on, the launcher's destructor waits for them.
CRunQueue::~CRunQueue() {
    m_alive.reset();
    if (m_launcher) {
        m_launcher->CancelAll();
    }
}

void CRunQueue::AttachRunViews(IRunViews& views) {
    m_pViews = &views;
    CLauncherSettings settings;
    settings.m_dwPreferences = m_dwPreferences;
    settings.m_pPreview = &m_pViews->Preview();
    settings.m_pProfile = &m_app.Profile();
    settings.m_pFtpTimes = &m_app.FtpTimes();
    std::weak_ptr<CRunQueue*> alive = m_alive;
    settings.m_onDone = [alive, target = m_pViews](CElement& task, const CTaskDone& done) {
        target->Post([alive, &task, end = done.m_end, id = done.m_nMessageId] {
            if (const auto self = alive.lock()) {
                (*self)->OnRunDone(task, end, id);
            }
        });
    };
    m_launcher = std::make_unique<CTaskLauncher>(m_app.FileSystem(), std::move(settings));
}

bool CRunQueue::ShutdownPending() const {
    return m_launcher && m_launcher->ShutdownPending();
}

void CRunQueue::SetShutdownPending(bool pending) {
    if (m_launcher) {
        m_launcher->SetShutdownPending(pending);
    }
}

void CRunQueue::SetPreferences(uint32_t preferences) {
    m_dwPreferences = preferences;
    if (m_launcher) {
        m_launcher->SetPreferences(preferences);
    }
}

void CRunQueue::BeginSummary() {
    m_summary.clear();
    m_strFinishedIds.clear();
}

void CRunQueue::BeginSingle() {
    m_bSeveralStarted = false;
    m_bEndSound = false;
}

void CRunQueue::Start(const std::vector<int>& rows, RunCommand command, RunGroup group) {
    if (!m_pViews || rows.empty()) {
        return;
    }
    m_bSeveralStarted = group == RunGroup::Several;
    if ((m_dwPreferences & pref::kConsecutive) && rows.size() >= 2) {
        for (int row : rows) {
            m_queue.emplace_back(m_list.Task(row).m_nTaskId, command);
        }
        if (m_nQueueRunId < 0 && !m_bAsking) {
            StartNextQueued();
        }
    } else {
        for (int row : rows) {
            StartOne(m_list.Task(row), command);
        }
    }
    m_host.RunsChanged();
}

bool CRunQueue::StartOne(CElement& task, RunCommand command) {
    if (IsRunning(task) || !RunKindFor(task, command)) {
        return false;
    }
    ITaskObserver* observer =
        task.Has2(opt2::kSilent) ? nullptr : m_pViews->OpenProgress(task, ++m_nSequence);
    task.m_Run.Attach(observer, &m_pViews->Prompter(task));
    if (!m_launcher->LaunchOne(task, command, m_bSeveralStarted)) {
        if (observer) {
            m_pViews->CloseProgress(task);
        }
        task.m_Run.Detach();
        return false;
    }
    m_inFlight.insert(&task);
    if (observer) {
        m_withWindow.insert(&task);
    }
    ++m_nOutstanding;
    return true;
}

// The next queued task that can start; a task that was deleted or is running meanwhile is
// passed over.
void CRunQueue::StartNextQueued() {
    m_host.ApplyPendingEdits();
    while (!m_queue.empty()) {
        const auto [id, command] = m_queue.front();
        m_queue.pop_front();
        const int row = m_list.RowOfId(id);
        if (row >= 0 && StartOne(m_list.Task(row), command)) {
            m_nQueueRunId = id;
            return;
        }
    }
}

void CRunQueue::OnRunDone(CElement& task, RunEnd end, int messageId) {
    if (m_inFlight.erase(&task) == 0) {
        return;
    }
    --m_nOutstanding;
    m_launcher->Wait(task);  // the worker has made its last call: this only joins its thread
    const bool hadWindow = m_withWindow.erase(&task) > 0;
    task.m_Run.Detach();
    NoteRunEnd(task, end, messageId, hadWindow);
    if (m_host.RunEnded(task) == AfterRunEnd::Continue) {
        ContinueAfter(task, end);
    }
    m_host.RunsChanged();
}

void CRunQueue::ContinueAfter(const CElement& task, RunEnd end) {
    if (task.m_nTaskId == m_nQueueRunId) {
        m_nQueueRunId = -1;
        if (end == RunEnd::Canceled && !m_queue.empty()) {
            AskToStopTheQueue();
        }
        StartNextQueued();
    }
    FinishRuns(end != RunEnd::Error);
}

// The question holds the queue: a command given while it is open queues behind the tasks that
// waited before it and starts with them, and Yes stops only those.
void CRunQueue::AskToStopTheQueue() {
    const size_t waiting = m_queue.size();
    m_bAsking = true;
    const bool stop = m_dialogs.YesNo(LoadString(IDS_STOP_ALL_TASKS)) == PromptAnswer::Yes;
    m_bAsking = false;
    if (stop) {
        m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(
                                                             std::min(waiting, m_queue.size())));
    }
}

void CRunQueue::NoteRunEnd(const CElement& task, RunEnd end, int messageId, bool hadWindow) {
    const bool silent = task.Has2(opt2::kSilent);
    if (end == RunEnd::Error) {
        if (messageId != 0) {
            SetShutdownPending(false);
        }
    } else {
        if (task.m_bFinishSound && !silent) {
            if (m_bSeveralStarted) {
                m_bEndSound = true;
                m_strEndSound = task.m_strFinishSound;
            } else if (!hadWindow) {
                PlaySoundFile(task.m_strFinishSound);
            }
        }
        if (task.m_Run.CancelRequested()) {
            SetShutdownPending(false);
        }
    }
    if (!silent && !(m_dwPreferences & pref::kCloseProgressIfOk) && m_bSeveralStarted) {
        m_summary.push_back(SummaryRowOf(task, end == RunEnd::Error));
    }
    m_strFinishedIds += FormatText(" %d", task.m_nTaskId);
}

// After the last outstanding run (queued ones count): the end sound and the summary box, or
// the shutdown that was asked for.
void CRunQueue::FinishRuns(bool mayShutDown) {
    if (AnyOutstanding()) {
        return;
    }
    if (!ShutdownPending()) {
        const std::vector<CRunSummaryRow> summary = std::exchange(m_summary, {});
        const std::string ids = std::exchange(m_strFinishedIds, {});
        if (std::exchange(m_bEndSound, false)) {
            PlaySoundFile(m_strEndSound);
        }
        if (!summary.empty()) {
            m_dialogs.Summary(summary, LoadString(IDS_MW_SUMMARY_CAPTION) + ids);
        }
    }
    if (mayShutDown && ShutdownPending() && m_launcher->ShutdownIfPending()) {
        m_host.ShutdownStarted();
    }
}

void CRunQueue::CancelAll() {
    m_queue.clear();
    m_nQueueRunId = -1;
    for (CElement* task : m_inFlight) {
        if (m_withWindow.contains(task)) {
            m_pViews->CloseProgress(*task);
        }
        task->m_Run.RequestCancel();
    }
    if (m_launcher) {
        m_launcher->CancelAll();
    }
}

}  // namespace tv
