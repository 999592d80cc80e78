#include "uimodel/TaskEditor.h"

#include <algorithm>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "task/PatternFile.h"
#include "uimodel/FtpDialogModel.h"
#include "uimodel/MainListener.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/RunQueue.h"
#include "uimodel/TaskListDocument.h"
#include "uimodel/UiDialogs.h"

namespace tv {

void CTaskEditor::AppendTask(std::unique_ptr<CElement> task) {
    SelectSingle(m_list.Append(std::move(task)));
    Tell(&IMainListener::FocusName);
}

// A new task starts from the defaults (or the pattern), never from the settings of the task
// that happened to be selected: its exclusions and schedule would follow it unseen.
void CTaskEditor::NewTask() {
    ApplyEdits();
    auto task = std::make_unique<CElement>();
    task->ResetToDefaults(m_app.ProgramDataFolder());
    LoadPattern(m_app.FileSystem(), m_app.ProgramDataFolder(), *task);
    AppendTask(std::move(task));
}

void CTaskEditor::ClearNewTaskPattern() {
    ClearPattern(m_app.FileSystem(), m_app.ProgramDataFolder());
}

void CTaskEditor::CloneTask() {
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

// The wizard's task is a new one: the edit lock of the selected task does not concern it.
void CTaskEditor::AppendWizardTask(const CElement& task) {
    ApplyEdits();
    AppendTask(std::make_unique<CElement>(task));
}

void CTaskEditor::UndoChanges() {
    if (EditsARow()) {
        LoadEditCopy(m_nEditedRow);
        m_list.RefreshLastRun(m_nEditedRow);
    }
}

void CTaskEditor::ClearAllFields() {
    if (Editable()) {
        m_edit.ResetToDefaults(m_app.ProgramDataFolder());
        ForgetTargetField(-1);
        MarkPending();
        Tell(&IMainListener::EditChanged);
    }
}

// Deleting drops the edits waiting for the edited row, even when the user then keeps the tasks.
void CTaskEditor::DeleteTasks(DeleteConfirm confirm) {
    if (m_selection.empty()) {
        return;
    }
    m_list.MarkChanged();
    m_bEditsPending = false;
    if (confirm == DeleteConfirm::Ask &&
        m_dialogs.YesNo(LoadString(IDS_MW_CONFIRM_DELETE)) != PromptAnswer::Yes) {
        return;
    }
    const int first = m_selection.front();
    std::vector<int> rows = m_selection;
    // From the bottom up, so that the rows still to be deleted keep their numbers.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        DeleteOne(*it);
    }
    m_nEditedRow = -1;
    Tell(&IMainListener::RowsReset);
    SelectSingle(std::min(first, m_list.RowCount() - 1));
}

bool CTaskEditor::DeleteOne(int row) {
    if (m_runs.IsRunning(m_list.Task(row))) {
        m_dialogs.Message(LoadString(IDS_MW_DELETE_RUNNING));
        return false;
    }
    if (m_releaseTask && !m_releaseTask(m_list.Task(row))) {
        return false;
    }
    m_list.Remove(row);
    return true;
}

void CTaskEditor::ShowTargetRow(int row) {
    if (row >= 0 && static_cast<size_t>(row) < m_edit.m_Targets.size() && row != m_nTargetRow) {
        m_nTargetRow = row;
        m_typedOver.reset();
        Tell(&IMainListener::TargetsChanged);
    }
}

void CTaskEditor::AddTarget() {
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
    Tell(&IMainListener::TargetsChanged);
}

void CTaskEditor::DeleteTargets() {
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
    ForgetTargetField(m_edit.m_Targets.empty() ? -1 : 0);
    MarkPending();
    Tell(&IMainListener::TargetsChanged);
}

void CTaskEditor::Swap() {
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
    Tell(&IMainListener::EditChanged);
}

namespace {

// A chosen folder or file makes the location a folder location.
void ChooseInto(CTag& tag, const std::string& path) {
    tag.ResetConnection();
    tag.m_bIsFtp = 0;
    tag.m_strPath = path;
}

}  // namespace

void CTaskEditor::BrowseSource() {
    if (!Editable()) {
        return;
    }
    if (const auto chosen = m_dialogs.ChooseLocation(m_edit.m_Source.m_strPath)) {
        ChooseInto(m_edit.m_Source, *chosen);
        MarkPending();
        Tell(&IMainListener::EditChanged);
    }
}

void CTaskEditor::BrowseTarget() {
    if (!Editable()) {
        return;
    }
    if (const auto chosen = m_dialogs.ChooseLocation(FieldLocation().m_strPath)) {
        if (m_nTargetRow >= 0 && !m_typedOver) {
            m_typedOver = m_edit.m_Targets[m_nTargetRow];
        }
        ChooseInto(FieldLocation(), *chosen);
        MarkPending();
        Tell(&IMainListener::EditChanged);
    }
}

const CTag& CTaskEditor::FtpLocation(Side side) const {
    return side == Side::Source ? m_edit.m_Source : FieldLocation();
}

// As with a chosen folder, a listed target that the field showed comes back on ADD.
void CTaskEditor::StoreFtpLocation(Side side, const CFtpDialogModel& dialog) {
    if (!Editable()) {
        return;
    }
    if (side == Side::Target && m_nTargetRow >= 0 && !m_typedOver) {
        m_typedOver = m_edit.m_Targets[m_nTargetRow];
    }
    dialog.StoreInto(side == Side::Source ? m_edit.m_Source : FieldLocation());
    MarkPending();
    Tell(&IMainListener::EditChanged);
}

void CTaskEditor::TakeStoredId() {
    if (EditsARow()) {
        m_edit.m_nTaskId = m_list.Task(m_nEditedRow).m_nTaskId;
    }
    Tell(&IMainListener::EditChanged);
}

}  // namespace tv
