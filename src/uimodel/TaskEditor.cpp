#include "uimodel/TaskEditor.h"

#include <algorithm>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "uimodel/LocationField.h"
#include "uimodel/MainListener.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/RunQueue.h"
#include "uimodel/TaskListDocument.h"
#include "uimodel/UiDialogs.h"

namespace tv {

namespace {

void SetBit(uint32_t& word, uint32_t bit, bool on) {
    word = on ? word | bit : word & ~bit;
}

}  // namespace

CTaskEditor::CTaskEditor(CMirrantApp& app, IUiDialogs& dialogs, CTaskListDocument& list,
                         const CRunQueue& runs)
    : m_app(app), m_dialogs(dialogs), m_list(list), m_runs(runs) {
    m_edit.ResetToDefaults(m_app.ProgramDataFolder());
}

void CTaskEditor::Tell(void (IMainListener::*event)()) {
    if (m_pListener) {
        (m_pListener->*event)();
    }
}

bool CTaskEditor::EditsARow() const {
    return m_nEditedRow >= 0 && m_nEditedRow < m_list.RowCount();
}

void CTaskEditor::SelectRows(std::vector<int> rows, int current) {
    std::erase_if(rows, [this](int row) { return row < 0 || row >= m_list.RowCount(); });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    m_selection = std::move(rows);
    if (current >= 0 && current < m_list.RowCount() && current != m_nEditedRow) {
        ApplyEdits();
        LoadEditCopy(current);
    }
}

// The view is told to select `row` alone; the edit copy follows it.
void CTaskEditor::SelectSingle(int row) {
    m_selection.clear();
    if (row >= 0 && row < m_list.RowCount()) {
        m_selection.push_back(row);
        LoadEditCopy(row);
    } else {
        ResetEditArea();
    }
    Tell(&IMainListener::SelectionChanged);
}

void CTaskEditor::ForgetRows() {
    m_bEditsPending = false;
    m_selection.clear();
    m_nEditedRow = -1;
}

void CTaskEditor::LoadEditCopy(int row) {
    m_edit = m_list.Task(row);
    m_nEditedRow = row;
    m_bEditsPending = false;
    ForgetTargetField(m_edit.m_Targets.empty() ? -1 : 0);
    Tell(&IMainListener::EditChanged);
}

void CTaskEditor::ForgetTargetField(int shownRow) {
    m_nTargetRow = shownRow;
    m_targetSelection = shownRow < 0 ? std::vector<int>() : std::vector<int>{shownRow};
    m_fieldLocation = CTag();
    m_typedOver.reset();
}

// No row is edited: the controls show the default settings.
void CTaskEditor::ResetEditArea() {
    m_edit = CElement();
    m_edit.ResetToDefaults(m_app.ProgramDataFolder());
    m_nEditedRow = -1;
    m_bEditsPending = false;
    ForgetTargetField(-1);
    Tell(&IMainListener::EditChanged);
}

// Applying never refuses, except that a running task's record is left to its run: the edits
// stay pending until the run is over.
void CTaskEditor::ApplyEdits() {
    if (!m_bEditsPending) {
        return;
    }
    if (!EditsARow()) {
        m_bEditsPending = false;
        return;
    }
    CElement& stored = m_list.Task(m_nEditedRow);
    if (m_runs.IsRunning(stored)) {
        return;
    }
    if (m_edit.m_strName.empty() && (SourceText().empty() || !HasTarget())) {
        return;
    }
    StoreEditCopy(stored);
    m_bEditsPending = false;
    m_list.MarkChanged();
    m_list.RefreshLastRun(m_nEditedRow);
}

// A target typed into the field of a task without targets becomes its only target, so that
// what the window shows is what runs.
void CTaskEditor::StoreEditCopy(CElement& stored) {
    if (m_edit.m_Targets.empty() && !LocationFieldText(m_fieldLocation).empty()) {
        m_edit.m_Targets.push_back(m_fieldLocation);
        m_fieldLocation = CTag();
        m_nTargetRow = 0;
        m_targetSelection = {0};
        Tell(&IMainListener::TargetsChanged);
    }
    SetBit(m_edit.m_dwOptions2, opt2::kTargetsInTurn, m_edit.m_bTargetsInTurn != 0);
    const int id = stored.m_nTaskId;
    stored = m_edit;
    stored.m_nTaskId = id;
}

std::string CTaskEditor::SourceText() const {
    return LocationFieldText(m_edit.m_Source);
}

CTag& CTaskEditor::FieldLocation() {
    return m_nTargetRow >= 0 ? m_edit.m_Targets[m_nTargetRow] : m_fieldLocation;
}

const CTag& CTaskEditor::FieldLocation() const {
    return m_nTargetRow >= 0 ? m_edit.m_Targets[m_nTargetRow] : m_fieldLocation;
}

std::string CTaskEditor::TargetText() const {
    return LocationFieldText(FieldLocation());
}

bool CTaskEditor::HasTarget() const {
    return !m_edit.m_Targets.empty() || !TargetText().empty();
}

std::vector<std::string> CTaskEditor::TargetRows() const {
    std::vector<std::string> rows;
    for (const CTag& target : m_edit.m_Targets) {
        rows.push_back(LocationFieldText(target));
    }
    return rows;
}

std::string CTaskEditor::TaskIdText() const {
    return m_nEditedRow < 0 ? std::string()
                            : FormatText(LoadString(IDS_MW_TASK_ID).c_str(), m_edit.m_nTaskId);
}

int CTaskEditor::ModeIndex() const {
    return m_edit.Mode() == 0 ? 0 : 1;
}

// The kind bits can hold a fourth value that no radio button stands for; such a task shows as
// a synchronization task.
int CTaskEditor::KindIndex() const {
    const int kind = static_cast<int>(m_edit.Kind());
    return kind <= static_cast<int>(TaskKind::Realtime) ? kind : 0;
}

bool CTaskEditor::ArchiveTarget() const {
    return m_edit.Has3(opt3::kArchiveTarget);
}

bool CTaskEditor::IncludeSubfolders() const {
    return m_edit.Has1(opt1::kIncludeSubfolders);
}

bool CTaskEditor::PreviewChecked() const {
    return m_edit.Has1(opt1::kPreview);
}

bool CTaskEditor::Locked() const {
    return m_edit.Has3(opt3::kLockSettings);
}

EditAccess CTaskEditor::Access() const {
    if (!EditsARow()) {
        return EditAccess::NoTask;
    }
    if (m_runs.IsRunning(m_list.Task(m_nEditedRow))) {
        return EditAccess::Running;
    }
    return Locked() ? EditAccess::Locked : EditAccess::Open;
}

bool CTaskEditor::LockBoxEnabled() const {
    const EditAccess access = Access();
    return access == EditAccess::Open || access == EditAccess::Locked;
}

void CTaskEditor::SetNameText(const std::string& text) {
    if (Editable() && text != m_edit.m_strName) {
        m_edit.m_strName = text;
        MarkPending();
    }
}

void CTaskEditor::SetSourceText(const std::string& text) {
    if (Editable() && text != SourceText()) {
        TypeLocationPath(m_edit.m_Source, text);
        MarkPending();
    }
}

// Typing over a listed target changes it; ADD then puts it back and appends what was typed.
void CTaskEditor::SetTargetText(const std::string& text) {
    if (!Editable() || text == TargetText()) {
        return;
    }
    if (m_nTargetRow >= 0 && !m_typedOver) {
        m_typedOver = m_edit.m_Targets[m_nTargetRow];
    }
    TypeLocationPath(FieldLocation(), text);
    MarkPending();
    if (m_nTargetRow >= 0) {
        Tell(&IMainListener::TargetsChanged);
    }
}

void CTaskEditor::SetMode(int index) {
    if (Editable() && index != ModeIndex()) {
        m_edit.m_dwOptions = (m_edit.m_dwOptions & ~opt1::kModeMask) | (index == 0 ? 0u : 1u);
        MarkPending();
    }
}

void CTaskEditor::SetKind(int index) {
    if (!Editable() || index == KindIndex() || index < 0 || index > 2) {
        return;
    }
    m_edit.m_dwOptions = (m_edit.m_dwOptions & ~opt1::kKindMask) |
                         (static_cast<uint32_t>(index) << opt1::kKindShift);
    if (static_cast<TaskKind>(index) == TaskKind::Realtime) {
        m_edit.m_dwOptions = (m_edit.m_dwOptions & ~opt1::kModeMask) | 1u;
    }
    MarkPending();
    m_list.RefreshLastRun(m_nEditedRow);
    Tell(&IMainListener::EditChanged);
}

void CTaskEditor::SetTargetsUsage(int index) {
    if (Editable() && index != TargetsUsageIndex()) {
        m_edit.m_bTargetsInTurn = index == 1 ? 1 : 0;
        MarkPending();
    }
}

void CTaskEditor::SetArchiveTarget(bool on) {
    SetEditOption(m_edit.m_dwOptions3, opt3::kArchiveTarget, on);
}

void CTaskEditor::SetIncludeSubfolders(bool on) {
    SetEditOption(m_edit.m_dwOptions, opt1::kIncludeSubfolders, on);
}

void CTaskEditor::SetPreview(bool on) {
    SetEditOption(m_edit.m_dwOptions, opt1::kPreview, on);
}

void CTaskEditor::SetEditOption(uint32_t& word, uint32_t bit, bool on) {
    if (Editable() && on != ((word & bit) != 0)) {
        SetBit(word, bit, on);
        MarkPending();
    }
}

bool CTaskEditor::SetLocked(bool on) {
    if (!LockBoxEnabled() || on == Locked()) {
        return Locked();
    }
    if (!on && m_dialogs.YesNo(LoadString(IDS_MW_CONFIRM_UNLOCK)) != PromptAnswer::Yes) {
        return true;
    }
    SetBit(m_edit.m_dwOptions3, opt3::kLockSettings, on);
    MarkPending();
    return on;
}

}  // namespace tv
