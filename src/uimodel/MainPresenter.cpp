#include "uimodel/MainPresenter.h"

#include <algorithm>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "report/TaskLogLastRun.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

namespace {

// An empty location shows as an empty field, not as an FTP site without a name.
std::string LocationText(const CTag& tag) {
    if (tag.m_strPath.empty() && tag.m_strSiteName.empty()) {
        return {};
    }
    return tag.DisplayPath();
}

// Typing "(FTP)..." keeps an FTP location as it is; any other text is a folder path.
void TypePath(CTag& tag, const std::string& text) {
    if (text.starts_with(LoadString(IDS_FTP_PREFIX))) {
        return;
    }
    tag.m_strPath = text;
    if (!text.empty()) {
        tag.m_bIsFtp = 0;
    }
}

void SetBit(uint32_t& word, uint32_t bit, bool on) {
    word = on ? word | bit : word & ~bit;
}

}  // namespace

CMainPresenter::CMainPresenter(CMirrantApp& app, IUiDialogs& dialogs)
    : m_app(app),
      m_dialogs(dialogs),
      m_dwPreferences(app.Preferences()),
      m_strLastDir(app.LastDir()),
      m_alive(std::make_shared<CMainPresenter*>(this)) {
    m_edit.ResetToDefaults(m_app.ProgramDataFolder());
}

// The window waits for the runs' ends before it lets the presenter go; should runs still be
// going on, the launcher's destructor waits for them.
CMainPresenter::~CMainPresenter() {
    m_alive.reset();
    if (m_launcher) {
        m_launcher->CancelAll();
    }
}

std::string CMainPresenter::Text(int id) const {
    return LoadString(id);
}

std::string CMainPresenter::RowLastRun(int row) const {
    return row >= 0 && static_cast<size_t>(row) < m_lastRun.size() ? m_lastRun[row] : "";
}

std::string CMainPresenter::Caption() const {
    return Text(IDS_MW_CAPTION) + m_list.m_strPath;
}

void CMainPresenter::RefreshLastRun(int row) {
    if (row < 0 || row >= RowCount()) {
        return;
    }
    const CElement& task = row == m_nEditedRow ? m_edit : Task(row);
    m_lastRun.resize(m_list.m_Tasks.size());
    m_lastRun[row] = task.Kind() == TaskKind::Realtime
                         ? Text(IDS_MW_STOPPED)
                         : LastRunText(m_app.FileSystem(), Task(row).m_nTaskId);
    if (m_pListener) {
        m_pListener->RowChanged(row);
    }
}

int CMainPresenter::RowOfId(int taskId) const {
    for (int row = 0; row < RowCount(); ++row) {
        if (Task(row).m_nTaskId == taskId) {
            return row;
        }
    }
    return -1;
}

void CMainPresenter::SelectRows(std::vector<int> rows, int current) {
    std::erase_if(rows, [this](int row) { return row < 0 || row >= RowCount(); });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    m_selection = std::move(rows);
    if (current >= 0 && current < RowCount() && current != m_nEditedRow) {
        ApplyEdits();
        LoadEditCopy(current);
    }
}

// The view is told to select `row` alone; the edit copy follows it.
void CMainPresenter::SelectSingle(int row) {
    m_selection.clear();
    if (row >= 0 && row < RowCount()) {
        m_selection.push_back(row);
        LoadEditCopy(row);
    } else {
        ResetEditArea();
    }
    if (m_pListener) {
        m_pListener->SelectionChanged();
    }
}

void CMainPresenter::LoadEditCopy(int row) {
    m_edit = Task(row);
    m_nEditedRow = row;
    m_bEditsPending = false;
    m_nTargetRow = m_edit.m_Targets.empty() ? -1 : 0;
    m_targetSelection.assign(m_nTargetRow < 0 ? 0 : 1, 0);
    m_fieldLocation = CTag();
    m_typedOver.reset();
    if (m_pListener) {
        m_pListener->EditChanged();
    }
}

// No row is edited: the controls show the default settings.
void CMainPresenter::ResetEditArea() {
    m_edit = CElement();
    m_edit.ResetToDefaults(m_app.ProgramDataFolder());
    m_nEditedRow = -1;
    m_bEditsPending = false;
    m_nTargetRow = -1;
    m_targetSelection.clear();
    m_fieldLocation = CTag();
    m_typedOver.reset();
    if (m_pListener) {
        m_pListener->EditChanged();
    }
}

// Applying never refuses, except that a running task's record is left to its run: the edits
// stay pending until the run is over.
void CMainPresenter::ApplyEdits() {
    if (!m_bEditsPending) {
        return;
    }
    if (m_nEditedRow < 0 || m_nEditedRow >= RowCount()) {
        m_bEditsPending = false;
        return;
    }
    CElement& stored = *m_list.m_Tasks[m_nEditedRow];
    if (IsBusy(stored)) {
        return;
    }
    if (m_edit.m_strName.empty() && (SourceText().empty() || !HasTarget())) {
        return;
    }
    StoreEditCopy(stored);
    m_bEditsPending = false;
    m_bListChanged = true;
    RefreshLastRun(m_nEditedRow);
}

// A target typed into the field of a task without targets becomes its only target, so that
// what the window shows is what runs.
void CMainPresenter::StoreEditCopy(CElement& stored) {
    if (m_edit.m_Targets.empty() && !LocationText(m_fieldLocation).empty()) {
        m_edit.m_Targets.push_back(m_fieldLocation);
        m_fieldLocation = CTag();
        m_nTargetRow = 0;
        m_targetSelection = {0};
        if (m_pListener) {
            m_pListener->TargetsChanged();
        }
    }
    SetBit(m_edit.m_dwOptions2, opt2::kTargetsInTurn, m_edit.m_bTargetsInTurn != 0);
    const int id = stored.m_nTaskId;
    stored = m_edit;
    stored.m_nTaskId = id;
}

void CMainPresenter::MarkPending() {
    m_bEditsPending = true;
}

std::string CMainPresenter::SourceText() const {
    return LocationText(m_edit.m_Source);
}

CTag& CMainPresenter::FieldLocation() {
    return m_nTargetRow >= 0 ? m_edit.m_Targets[m_nTargetRow] : m_fieldLocation;
}

const CTag& CMainPresenter::FieldLocation() const {
    return m_nTargetRow >= 0 ? m_edit.m_Targets[m_nTargetRow] : m_fieldLocation;
}

std::string CMainPresenter::TargetText() const {
    return LocationText(FieldLocation());
}

bool CMainPresenter::HasTarget() const {
    return !m_edit.m_Targets.empty() || !TargetText().empty();
}

std::vector<std::string> CMainPresenter::TargetRows() const {
    std::vector<std::string> rows;
    for (const CTag& target : m_edit.m_Targets) {
        rows.push_back(LocationText(target));
    }
    return rows;
}

std::string CMainPresenter::TaskIdText() const {
    return m_nEditedRow < 0 ? std::string()
                            : FormatText(Text(IDS_MW_TASK_ID).c_str(), m_edit.m_nTaskId);
}

int CMainPresenter::ModeIndex() const {
    return m_edit.Mode() == 0 ? 0 : 1;
}

// The kind bits can hold a fourth value that no radio button stands for; such a task shows as
// a synchronization task.
int CMainPresenter::KindIndex() const {
    const int kind = static_cast<int>(m_edit.Kind());
    return kind <= static_cast<int>(TaskKind::Realtime) ? kind : 0;
}

bool CMainPresenter::ArchiveTarget() const {
    return m_edit.Has3(opt3::kArchiveTarget);
}

bool CMainPresenter::IncludeSubfolders() const {
    return m_edit.Has1(opt1::kIncludeSubfolders);
}

bool CMainPresenter::PreviewChecked() const {
    return m_edit.Has1(opt1::kPreview);
}

bool CMainPresenter::Locked() const {
    return m_edit.Has3(opt3::kLockSettings);
}

bool CMainPresenter::EditReadOnly() const {
    return m_nEditedRow >= 0 && m_nEditedRow < RowCount() && IsBusy(Task(m_nEditedRow));
}

// Real-time tasks are not started from this window yet, so none is ever shown as running.
std::string CMainPresenter::SyncTip() const {
    return Text(IDS_MW_TIP_EXECUTE);
}

void CMainPresenter::SetNameText(const std::string& text) {
    if (Editable() && text != m_edit.m_strName) {
        m_edit.m_strName = text;
        MarkPending();
    }
}

void CMainPresenter::SetSourceText(const std::string& text) {
    if (Editable() && text != SourceText()) {
        TypePath(m_edit.m_Source, text);
        MarkPending();
    }
}

// Typing over a listed target changes it; ADD then puts it back and appends what was typed.
void CMainPresenter::SetTargetText(const std::string& text) {
    if (!Editable() || text == TargetText()) {
        return;
    }
    if (m_nTargetRow >= 0 && !m_typedOver) {
        m_typedOver = m_edit.m_Targets[m_nTargetRow];
    }
    TypePath(FieldLocation(), text);
    MarkPending();
    if (m_nTargetRow >= 0 && m_pListener) {
        m_pListener->TargetsChanged();
    }
}

void CMainPresenter::SetMode(int index) {
    if (Editable() && index != ModeIndex()) {
        m_edit.m_dwOptions = (m_edit.m_dwOptions & ~opt1::kModeMask) | (index == 0 ? 0u : 1u);
        MarkPending();
    }
}

void CMainPresenter::SetKind(int index) {
    if (!Editable() || index == KindIndex() || index < 0 || index > 2) {
        return;
    }
    m_edit.m_dwOptions = (m_edit.m_dwOptions & ~opt1::kKindMask) |
                         (static_cast<uint32_t>(index) << opt1::kKindShift);
    if (static_cast<TaskKind>(index) == TaskKind::Realtime) {
        m_edit.m_dwOptions = (m_edit.m_dwOptions & ~opt1::kModeMask) | 1u;
    }
    MarkPending();
    RefreshLastRun(m_nEditedRow);
    if (m_pListener) {
        m_pListener->EditChanged();
    }
}

void CMainPresenter::SetTargetsUsage(int index) {
    if (Editable() && index != TargetsUsageIndex()) {
        m_edit.m_bTargetsInTurn = index == 1 ? 1 : 0;
        MarkPending();
    }
}

void CMainPresenter::SetArchiveTarget(bool on) {
    SetEditOption(m_edit.m_dwOptions3, opt3::kArchiveTarget, on);
}

void CMainPresenter::SetIncludeSubfolders(bool on) {
    SetEditOption(m_edit.m_dwOptions, opt1::kIncludeSubfolders, on);
}

void CMainPresenter::SetPreview(bool on) {
    SetEditOption(m_edit.m_dwOptions, opt1::kPreview, on);
}

void CMainPresenter::SetEditOption(uint32_t& word, uint32_t bit, bool on) {
    if (Editable() && on != ((word & bit) != 0)) {
        SetBit(word, bit, on);
        MarkPending();
    }
}

bool CMainPresenter::SetLocked(bool on) {
    if (!Editable() || on == Locked()) {
        return Locked();
    }
    if (!on && m_dialogs.YesNo(Text(IDS_MW_CONFIRM_UNLOCK)) != PromptAnswer::Yes) {
        return true;
    }
    SetBit(m_edit.m_dwOptions3, opt3::kLockSettings, on);
    MarkPending();
    return on;
}

}  // namespace tv
