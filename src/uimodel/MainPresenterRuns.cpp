#include <algorithm>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/Desktop.h"
#include "uimodel/MainPresenter.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

std::string RunSummaryText(const CElement& task, bool errorEnd) {
    const CTaskRunState& run = task.m_Run;
    const std::string counts = LoadString(IDS_MW_SUMMARY_COUNTS);
    std::string text =
        FormatText(LoadString(IDS_MW_SUMMARY_TASK).c_str(), task.m_nTaskId, task.m_strName.c_str());
    text += "\n" + LoadString(IDS_MW_SUMMARY_COPIED) +
            FormatText(counts.c_str(), static_cast<int>(run.m_nCopiedFromSource.load()),
                       static_cast<int>(run.m_nCopiedFromTarget.load()));
    text += "       " + LoadString(IDS_MW_SUMMARY_DELETED) +
            FormatText(counts.c_str(), static_cast<int>(run.m_nDeletedInSource.load()),
                       static_cast<int>(run.m_nDeletedInTarget.load()));
    size_t errors = 0;
    for (const auto& infor : run.m_TaskInfors) {
        errors += infor->Count(CTaskInfor::Errors);
    }
    if (errors > 0) {
        text += (errorEnd ? "\n!!!" + LoadString(IDS_MW_SUMMARY_ERRORS) + " "
                          : "\n" + LoadString(IDS_MW_SUMMARY_ERRORS)) +
                FormatText(" %d", static_cast<int>(errors));
    }
    return text;
}

void CMainPresenter::AttachRunViews(IRunViews& views) {
    m_pViews = &views;
    CLauncherSettings settings;
    settings.m_dwPreferences = m_dwPreferences;
    settings.m_pPreview = &m_pViews->Preview();
    settings.m_pProfile = &m_app.Profile();
    std::weak_ptr<CMainPresenter*> alive = m_alive;
    settings.m_onDone = [alive, target = m_pViews](CElement& task, const CTaskDone& done) {
        target->Post([alive, &task, end = done.m_end, id = done.m_nMessageId] {
            if (const auto self = alive.lock()) {
                (*self)->OnRunDone(task, end, id);
            }
        });
    };
    m_launcher = std::make_unique<CTaskLauncher>(m_app.FileSystem(), std::move(settings));
}

bool CMainPresenter::ShutdownPending() const {
    return m_launcher && m_launcher->ShutdownPending();
}

void CMainPresenter::SetShutdownPending(bool pending) {
    if (m_launcher) {
        m_launcher->SetShutdownPending(pending);
    }
}

void CMainPresenter::SayRealtimeLater(const std::vector<int>& rows) {
    for (int row : rows) {
        if (Task(row).Kind() == TaskKind::Realtime) {
            m_dialogs.Message(Text(IDS_MW_REALTIME_LATER));
            return;
        }
    }
}

void CMainPresenter::Synch() {
    ApplyEdits();
    SayRealtimeLater(m_selection);
    m_strSummary.clear();
    m_strFinishedIds.clear();
    StartCommand(m_selection, RunCommand::Sync, m_selection.size() >= 2);
}

void CMainPresenter::Backup() {
    Synch();
}

void CMainPresenter::SynchAll() {
    std::vector<int> rows(static_cast<size_t>(RowCount()));
    for (int row = 0; row < RowCount(); ++row) {
        rows[row] = row;
    }
    m_strSummary.clear();
    m_strFinishedIds.clear();
    StartCommand(rows, RunCommand::Sync, true);
}

void CMainPresenter::Replace() {
    m_strSummary.clear();
    m_strFinishedIds.clear();
    StartCommand(m_selection, RunCommand::Replace, m_selection.size() >= 2);
}

void CMainPresenter::Restore() {
    ApplyEdits();
    if (m_selection.empty()) {
        return;
    }
    m_bSeveralStarted = false;
    m_bEndSound = false;
    if (m_dialogs.OkCancel(Text(IDS_MW_CONFIRM_RESTORE))) {
        StartCommand({m_selection.front()}, RunCommand::Restore, false);
    }
}

void CMainPresenter::EqualizeToTarget() {
    if (!m_selection.empty()) {
        StartCommand({m_selection.front()}, RunCommand::EqualizeToTarget, false);
    }
}

void CMainPresenter::EqualizeToSource() {
    if (!m_selection.empty()) {
        StartCommand({m_selection.front()}, RunCommand::EqualizeToSource, false);
    }
}

void CMainPresenter::StartCommand(std::vector<int> rows, RunCommand command, bool several) {
    ApplyEdits();
    if (m_exitState != ExitState::None || !m_pViews || rows.empty()) {
        return;
    }
    m_bSeveralStarted = several;
    if ((m_dwPreferences & pref::kConsecutive) && rows.size() >= 2) {
        for (int row : rows) {
            m_queue.emplace_back(Task(row).m_nTaskId, command);
        }
        if (m_nQueueRunId < 0) {
            StartNextQueued();
        }
    } else {
        for (int row : rows) {
            StartOne(*m_list.m_Tasks[row], command);
        }
    }
    if (m_pListener) {
        m_pListener->RunsChanged();
    }
}

bool CMainPresenter::StartOne(CElement& task, RunCommand command) {
    if (IsBusy(task) || RunKindFor(task, command) < 0) {
        return false;
    }
    ITaskObserver* observer =
        task.Has2(opt2::kSilent) ? nullptr : m_pViews->OpenProgress(task, ++m_nSequence);
    task.m_Run.m_pObserver = observer;
    task.m_Run.m_pPrompter = &m_pViews->Prompter();
    if (!m_launcher->LaunchOne(task, command, m_bSeveralStarted)) {
        if (observer) {
            m_pViews->CloseProgress(task);
        }
        task.m_Run.m_pObserver = nullptr;
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
void CMainPresenter::StartNextQueued() {
    ApplyEdits();
    while (!m_queue.empty()) {
        const auto [id, command] = m_queue.front();
        m_queue.pop_front();
        const int row = RowOfId(id);
        if (row >= 0 && StartOne(*m_list.m_Tasks[row], command)) {
            m_nQueueRunId = id;
            return;
        }
    }
}

int CMainPresenter::RowOf(const CElement& task) const {
    for (int row = 0; row < RowCount(); ++row) {
        if (m_list.m_Tasks[row].get() == &task) {
            return row;
        }
    }
    return -1;
}

void CMainPresenter::OnRunDone(CElement& task, RunEnd end, int messageId) {
    if (m_inFlight.erase(&task) == 0) {
        return;
    }
    --m_nOutstanding;
    m_launcher->Wait(task);  // the worker has made its last call: this only joins its thread
    const bool hadWindow = m_withWindow.erase(&task) > 0;
    task.m_Run.m_pObserver = nullptr;
    task.m_Run.m_pPrompter = nullptr;
    NoteRunEnd(task, end, messageId, hadWindow);
    RefreshLastRun(RowOf(task));
    if (m_exitState == ExitState::WaitingForRuns) {
        if (!AnyRunOutstanding()) {
            ContinueExit();
        }
    } else {
        if (task.m_nTaskId == m_nQueueRunId) {
            m_nQueueRunId = -1;
            if (end == RunEnd::Canceled && !m_queue.empty() &&
                m_dialogs.YesNo(LoadString(IDS_STOP_ALL_TASKS)) == PromptAnswer::Yes) {
                m_queue.clear();
            }
            StartNextQueued();
        }
        FinishRuns(end != RunEnd::Error);
    }
    if (m_pListener) {
        m_pListener->RunsChanged();
    }
}

void CMainPresenter::NoteRunEnd(const CElement& task, RunEnd end, int messageId, bool hadWindow) {
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
        if (task.m_Run.m_bCanceledByUser) {
            SetShutdownPending(false);
        }
    }
    if (!silent && !(m_dwPreferences & pref::kCloseProgressIfOk) && m_bSeveralStarted) {
        if (!m_strSummary.empty()) {
            m_strSummary += "\n";
        }
        m_strSummary += RunSummaryText(task, end == RunEnd::Error);
    }
    m_strFinishedIds += FormatText(" %d", task.m_nTaskId);
}

// After the last outstanding run (queued ones count): the end sound and the summary box, or
// the shutdown that was asked for.
void CMainPresenter::FinishRuns(bool mayShutDown) {
    if (AnyRunOutstanding()) {
        return;
    }
    if (!ShutdownPending()) {
        const std::string summary = std::exchange(m_strSummary, {});
        const std::string ids = std::exchange(m_strFinishedIds, {});
        if (std::exchange(m_bEndSound, false)) {
            PlaySoundFile(m_strEndSound);
        }
        if (!summary.empty()) {
            m_dialogs.Message(summary, Text(IDS_MW_SUMMARY_CAPTION) + ids);
        }
    }
    if (mayShutDown && ShutdownPending() && m_launcher->ShutdownIfPending()) {
        RequestExit();
    }
}

void CMainPresenter::CancelAllRuns() {
    m_queue.clear();
    m_nQueueRunId = -1;
    for (CElement* task : m_inFlight) {
        if (m_withWindow.contains(task)) {
            m_pViews->CloseProgress(*task);
        }
        task->m_Run.RequestCancel(true);
    }
    if (m_launcher) {
        m_launcher->CancelAll();
    }
}

}  // namespace tv
