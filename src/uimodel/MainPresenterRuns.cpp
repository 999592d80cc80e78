#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "uimodel/MainPresenter.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

void CMainPresenter::SayRealtimeLater(const std::vector<int>& rows) {
    for (int row : rows) {
        if (m_doc.Task(row).Kind() == TaskKind::Realtime) {
            m_dialogs.Message(Text(IDS_MW_REALTIME_LATER));
            return;
        }
    }
}

void CMainPresenter::Synch() {
    m_editor.ApplyEdits();
    SayRealtimeLater(m_editor.Selection());
    m_runs.BeginSummary();
    StartCommand(m_editor.Selection(), RunCommand::Sync, GroupOf(m_editor.Selection()));
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
    if (m_editor.Selection().empty()) {
        return;
    }
    m_runs.BeginSingle();
    if (m_dialogs.OkCancel(Text(IDS_MW_CONFIRM_RESTORE))) {
        StartCommand({m_editor.Selection().front()}, RunCommand::Restore, RunGroup::One);
    }
}

void CMainPresenter::EqualizeToTarget() {
    if (!m_editor.Selection().empty()) {
        StartCommand({m_editor.Selection().front()}, RunCommand::EqualizeToTarget, RunGroup::One);
    }
}

void CMainPresenter::EqualizeToSource() {
    if (!m_editor.Selection().empty()) {
        StartCommand({m_editor.Selection().front()}, RunCommand::EqualizeToSource, RunGroup::One);
    }
}

RunGroup CMainPresenter::GroupOf(const std::vector<int>& rows) {
    return rows.size() >= 2 ? RunGroup::Several : RunGroup::One;
}

void CMainPresenter::StartCommand(std::vector<int> rows, RunCommand command, RunGroup group) {
    m_editor.ApplyEdits();
    if (m_exitState == ExitState::None) {
        m_runs.Start(rows, command, group);
    }
}

void CMainPresenter::ApplyPendingEdits() {
    m_editor.ApplyEdits();
}

AfterRunEnd CMainPresenter::RunEnded(const CElement& task) {
    m_doc.RefreshLastRun(m_doc.RowOf(task));
    if (m_exitState != ExitState::WaitingForRuns) {
        return AfterRunEnd::Continue;
    }
    if (!m_runs.AnyOutstanding()) {
        ContinueExit();
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
