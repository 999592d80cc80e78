#include <utility>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "uimodel/MainPresenter.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

void CMainPresenter::SetStatus(int id, std::string names) {
    m_nStatusId = id;
    m_strStatusNames = std::move(names);
    ShowStatus();
}

void CMainPresenter::ShowStatus() {
    std::string text;
    if (m_nStatusId != 0) {
        text = m_strStatusNames.empty()
                   ? Text(m_nStatusId)
                   : FormatText(Text(m_nStatusId).c_str(), m_strStatusNames.c_str());
    }
    if (text != m_strStatus) {
        m_strStatus = std::move(text);
        if (m_pListener) {
            m_pListener->StatusChanged();
        }
    }
}

// A command that starts nothing says why in the status line.
bool CMainPresenter::SayNothingToStart(const std::vector<int>& rows) {
    if (!rows.empty()) {
        return false;
    }
    SetStatus(m_doc.RowCount() == 0 ? IDS_NOTHING_TO_RUN : IDS_NOTHING_SELECTED);
    return true;
}

// Real-time tasks are passed over by every command; the status line names them, and is emptied
// when none was.
void CMainPresenter::SayPassedOver(const std::vector<int>& rows) {
    std::string names;
    for (int row : rows) {
        const CElement& task = m_doc.Task(row);
        if (task.Kind() == TaskKind::Realtime) {
            names += (names.empty() ? "\"" : ", \"") + task.m_strName + "\" (" +
                     std::to_string(task.m_nTaskId) + ")";
        }
    }
    const int id = names.empty() ? 0 : IDS_REALTIME_PASSED_OVER;
    SetStatus(id, std::move(names));
}

// Real-time rows start or stop their services; the other rows run as one command.
void CMainPresenter::Synch() {
    m_editor.ApplyEdits();
    const std::vector<int> selection = m_editor.Selection();
    std::vector<int> runs;
    for (const int row : selection) {
        if (m_doc.Task(row).Kind() == TaskKind::Realtime) {
            ToggleRealtime(row);
        } else {
            runs.push_back(row);
        }
    }
    if (runs.empty() && !selection.empty()) {
        return;
    }
    m_runs.BeginSummary();
    StartCommand(runs, RunCommand::Sync, GroupOf(selection));
}

void CMainPresenter::Backup() {
    Synch();
}

void CMainPresenter::SynchAll() {
    std::vector<int> rows(static_cast<size_t>(m_doc.RowCount()));
    for (int row = 0; row < m_doc.RowCount(); ++row) {
        rows[row] = row;
    }
    m_runs.BeginSummary();
    StartCommand(rows, RunCommand::Sync, RunGroup::Several);
}

void CMainPresenter::Replace() {
    m_runs.BeginSummary();
    StartCommand(m_editor.Selection(), RunCommand::Replace, GroupOf(m_editor.Selection()));
}

void CMainPresenter::Restore() {
    m_editor.ApplyEdits();
    if (SayNothingToStart(m_editor.Selection())) {
        return;
    }
    m_runs.BeginSingle();
    if (m_dialogs.OkCancel(Text(IDS_MW_CONFIRM_RESTORE))) {
        StartCommand({m_editor.Selection().front()}, RunCommand::Restore, RunGroup::One);
    }
}

void CMainPresenter::EqualizeToTarget() {
    if (!SayNothingToStart(m_editor.Selection())) {
        StartCommand({m_editor.Selection().front()}, RunCommand::EqualizeToTarget, RunGroup::One);
    }
}

void CMainPresenter::EqualizeToSource() {
    if (!SayNothingToStart(m_editor.Selection())) {
        StartCommand({m_editor.Selection().front()}, RunCommand::EqualizeToSource, RunGroup::One);
    }
}

RunGroup CMainPresenter::GroupOf(const std::vector<int>& rows) {
    return rows.size() >= 2 ? RunGroup::Several : RunGroup::One;
}

void CMainPresenter::StartCommand(std::vector<int> rows, RunCommand command, RunGroup group) {
    m_editor.ApplyEdits();
    if (SayNothingToStart(rows) || m_exitState != ExitState::None || m_afterRuns) {
        return;
    }
    SayPassedOver(rows);
    m_runs.Start(rows, command, group);
}

void CMainPresenter::ApplyPendingEdits() {
    m_editor.ApplyEdits();
}

// A routine that waits for canceled runs goes on after the last end; the queue then stops,
// since the routine may replace the list that holds `task`.
AfterRunEnd CMainPresenter::RunEnded(const CElement& task) {
    m_doc.RefreshLastRun(m_doc.RowOf(task));
    if (m_exitState != ExitState::WaitingForRuns && !m_afterRuns) {
        return AfterRunEnd::Continue;
    }
    if (!m_runs.AnyOutstanding()) {
        const std::function<void()> after = std::exchange(m_afterRuns, {});
        if (m_exitState == ExitState::WaitingForRuns) {
            ContinueExit();
        } else {
            SetStatus(0);
            after();
        }
    }
    return AfterRunEnd::Stop;
}

void CMainPresenter::ShutdownStarted() {
    RequestExit();
}

void CMainPresenter::RunsChanged() {
    if (m_pListener) {
        m_pListener->RunsChanged();
    }
}

}  // namespace tv
