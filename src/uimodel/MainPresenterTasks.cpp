#include <algorithm>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "report/TaskLog.h"
#include "task/PatternFile.h"
#include "uimodel/MainPresenter.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

void CMainPresenter::AppendTask(std::unique_ptr<CElement> task) {
    task->m_nTaskId = NewTaskId(m_app.FileSystem());
    m_list.m_Tasks.push_back(std::move(task));
    m_lastRun.resize(m_list.m_Tasks.size());
    m_bListChanged = true;
    if (m_pListener) {
        m_pListener->RowsReset();
    }
    const int row = RowCount() - 1;
    RefreshLastRun(row);
    SelectSingle(row);
    if (m_pListener) {
        m_pListener->FocusName();
    }
}

// A new task starts from the defaults (or the pattern), never from the settings of the task
// that happened to be selected: its exclusions and schedule would follow it unseen.
void CMainPresenter::NewTask() {
    ApplyEdits();
    auto task = std::make_unique<CElement>();
    task->ResetToDefaults(m_app.ProgramDataFolder());
    LoadPattern(m_app.FileSystem(), m_app.ProgramDataFolder(), *task);
    AppendTask(std::move(task));
}

void CMainPresenter::CloneTask() {
    ApplyEdits();
    if (SourceText().empty() || !HasTarget()) {
        return;
    }
    auto task = std::make_unique<CElement>(m_edit);
    if (task->m_Targets.empty()) {
        task->m_Targets.push_back(m_fieldLocation);
    }
    AppendTask(std::move(task));
}

void CMainPresenter::UndoChanges() {
    if (m_nEditedRow >= 0 && m_nEditedRow < RowCount()) {
        LoadEditCopy(m_nEditedRow);
        RefreshLastRun(m_nEditedRow);
    }
}

void CMainPresenter::ClearAllFields() {
    if (Editable()) {
        m_edit.ResetToDefaults(m_app.ProgramDataFolder());
        m_nTargetRow = -1;
        m_targetSelection.clear();
        m_fieldLocation = CTag();
        m_typedOver.reset();
        MarkPending();
        if (m_pListener) {
            m_pListener->EditChanged();
        }
    }
}

void CMainPresenter::DeleteTasks() {
    if (m_selection.empty()) {
        return;
    }
    m_bListChanged = true;
    m_bEditsPending = false;
    if ((m_dwPreferences & pref::kConfirmDelete) &&
        m_dialogs.YesNo(Text(IDS_MW_CONFIRM_DELETE)) != PromptAnswer::Yes) {
        return;
    }
    const int first = m_selection.front();
    std::vector<int> rows = m_selection;
    // From the bottom up, so that the rows still to be deleted keep their numbers.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        DeleteOne(*it);
    }
    m_nEditedRow = -1;
    if (m_pListener) {
        m_pListener->RowsReset();
    }
    SelectSingle(std::min(first, RowCount() - 1));
}

bool CMainPresenter::DeleteOne(int row) {
    CElement& task = *m_list.m_Tasks[row];
    if (IsBusy(task)) {
        m_dialogs.Message(Text(IDS_MW_DELETE_RUNNING));
        return false;
    }
    m_app.FileSystem().Unlink(DefaultLogPath(task.m_nTaskId));
    m_list.m_Tasks.erase(m_list.m_Tasks.begin() + row);
    if (static_cast<size_t>(row) < m_lastRun.size()) {
        m_lastRun.erase(m_lastRun.begin() + row);
    }
    return true;
}

void CMainPresenter::ShowTargetRow(int row) {
    if (row >= 0 && static_cast<size_t>(row) < m_edit.m_Targets.size() && row != m_nTargetRow) {
        m_nTargetRow = row;
        m_typedOver.reset();
        if (m_pListener) {
            m_pListener->TargetsChanged();
        }
    }
}

void CMainPresenter::AddTarget() {
    if (!Editable() || TargetText().empty()) {
        return;
    }
    const CTag added = FieldLocation();
    if (m_nTargetRow >= 0 && m_typedOver) {
        m_edit.m_Targets[m_nTargetRow] = *m_typedOver;
    }
    m_edit.m_Targets.push_back(added);
    m_nTargetRow = static_cast<int>(m_edit.m_Targets.size()) - 1;
    m_targetSelection = {m_nTargetRow};
    m_fieldLocation = CTag();
    m_typedOver.reset();
    MarkPending();
    if (m_pListener) {
        m_pListener->TargetsChanged();
    }
}

void CMainPresenter::DeleteTargets() {
    if (!Editable() || m_targetSelection.empty()) {
        return;
    }
    std::vector<int> rows = m_targetSelection;
    std::sort(rows.rbegin(), rows.rend());
    for (int row : rows) {
        if (row >= 0 && static_cast<size_t>(row) < m_edit.m_Targets.size()) {
            m_edit.m_Targets.erase(m_edit.m_Targets.begin() + row);
        }
    }
    m_nTargetRow = m_edit.m_Targets.empty() ? -1 : 0;
    m_targetSelection.assign(m_nTargetRow < 0 ? 0 : 1, 0);
    m_fieldLocation = CTag();
    m_typedOver.reset();
    MarkPending();
    if (m_pListener) {
        m_pListener->TargetsChanged();
    }
}

void CMainPresenter::Swap() {
    if (!Editable()) {
        return;
    }
    CTag& target = m_edit.m_Targets.empty() ? m_fieldLocation : m_edit.m_Targets.front();
    std::swap(m_edit.m_Source, target);
    if (!m_edit.m_Targets.empty()) {
        m_nTargetRow = 0;
        m_targetSelection = {0};
    }
    m_typedOver.reset();
    MarkPending();
    if (m_pListener) {
        m_pListener->EditChanged();
    }
}

namespace {

// A chosen folder or file makes the location a folder location.
void ChooseInto(CTag& tag, const std::string& path) {
    tag.ResetConnection();
    tag.m_bIsFtp = 0;
    tag.m_strPath = path;
}

}  // namespace

void CMainPresenter::BrowseSource() {
    if (!Editable()) {
        return;
    }
    if (const auto chosen = m_dialogs.ChooseLocation(m_edit.m_Source.m_strPath)) {
        ChooseInto(m_edit.m_Source, *chosen);
        MarkPending();
        if (m_pListener) {
            m_pListener->EditChanged();
        }
    }
}

void CMainPresenter::BrowseTarget() {
    if (!Editable()) {
        return;
    }
    if (const auto chosen = m_dialogs.ChooseLocation(FieldLocation().m_strPath)) {
        if (m_nTargetRow >= 0 && !m_typedOver) {
            m_typedOver = m_edit.m_Targets[m_nTargetRow];
        }
        ChooseInto(FieldLocation(), *chosen);
        MarkPending();
        if (m_pListener) {
            m_pListener->EditChanged();
        }
    }
}

}  // namespace tv
