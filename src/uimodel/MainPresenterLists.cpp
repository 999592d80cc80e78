#include <algorithm>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/TaskCounter.h"
#include "report/TaskLog.h"
#include "uimodel/MainPresenter.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

namespace {

constexpr char kAppKey[] = "";
constexpr char kSettings[] = "Settings";

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

// A name typed without a dot is a task list all the same.
std::string WithListExtension(std::string path) {
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.find('.') == std::string::npos) {
        path += ".tsl";
    }
    return path;
}

}  // namespace

bool CMainPresenter::RefuseWhileRunning() {
    if (AnyRunOutstanding()) {
        m_dialogs.Message(Text(IDS_MW_UNFINISHED_TASKS));
        return true;
    }
    return false;
}

// The question of the exit routine. False when the window is to stay: the user canceled, or
// a save that was asked for failed.
bool CMainPresenter::SavePrompt() {
    if (!m_bListChanged && !m_bEditsPending) {
        return true;
    }
    if (!(m_dwPreferences & pref::kAskSaveOnExit)) {
        return SaveList(false) != SaveResult::Failed;
    }
    switch (m_dialogs.AskYesNoCancel(Text(IDS_MW_LIST_CHANGED))) {
        case YesNoCancel::Yes:
            return SaveList(false) == SaveResult::Saved;
        case YesNoCancel::No:
            return true;
        case YesNoCancel::Cancel:
            break;
    }
    return false;
}

bool CMainPresenter::Save() {
    return SaveList(false) == SaveResult::Saved;
}

bool CMainPresenter::SaveAs() {
    return SaveList(true) == SaveResult::Saved;
}

CMainPresenter::SaveResult CMainPresenter::SaveList(bool askPath) {
    ApplyEdits();
    if (!askPath && !m_list.m_strPath.empty()) {
        return SaveTo(m_list.m_strPath);
    }
    const auto chosen =
        m_dialogs.SaveFile(FileKind::TaskList, Text(IDS_MW_SAVE_AS_TITLE), m_strLastDir);
    if (!chosen || chosen->empty()) {
        return SaveResult::Canceled;
    }
    const std::string path = WithListExtension(*chosen);
    m_strLastDir = FolderOf(path);
    // A new path renumbers the tasks, and a running task's id names its log and snapshots.
    if (path != m_list.m_strPath && RefuseWhileRunning()) {
        return SaveResult::Failed;
    }
    const SaveResult result = SaveTo(path);
    if (result == SaveResult::Saved) {
        m_app.RecentFiles().Add(path);
        if (m_pListener) {
            m_pListener->RecentChanged();
        }
    }
    return result;
}

CMainPresenter::SaveResult CMainPresenter::SaveTo(const std::string& path) {
    m_list.m_nHighestId = std::max(m_list.m_nHighestId, ReadTaskCounter(m_app.FileSystem()));
    if (!m_list.SaveFile(m_app.FileSystem(), path)) {
        m_dialogs.Message(Text(IDS_CANT_SAVE_TASK_LIST));
        return SaveResult::Failed;
    }
    m_bListChanged = false;
    if (m_nEditedRow >= 0 && m_nEditedRow < RowCount()) {
        m_edit.m_nTaskId = Task(m_nEditedRow).m_nTaskId;  // Save As gave it a fresh id
    }
    for (int row = 0; row < RowCount(); ++row) {
        RefreshLastRun(row);
    }
    if (m_pListener) {
        m_pListener->CaptionChanged();
        m_pListener->EditChanged();
    }
    return SaveResult::Saved;
}

void CMainPresenter::NewList() {
    if (RefuseWhileRunning() || !SavePrompt()) {
        return;
    }
    m_list = CTaskList();
    ListReplaced();
}

void CMainPresenter::OpenList() {
    if (RefuseWhileRunning() || !SavePrompt()) {
        return;
    }
    if (const auto chosen = m_dialogs.OpenFile(FileKind::TaskList, m_strLastDir)) {
        m_strLastDir = FolderOf(*chosen);
        LoadList(*chosen, false);
    }
}

bool CMainPresenter::OpenListFile(const std::string& path) {
    if (RefuseWhileRunning() || !SavePrompt()) {
        return false;
    }
    return LoadList(path, false);
}

void CMainPresenter::LoadAtStart(const std::string& path) {
    if (!path.empty()) {
        LoadList(path, true);
    }
}

void CMainPresenter::AdoptList(CTaskList list) {
    m_list = std::move(list);
    ListReplaced();
}

// The list in memory is emptied first: a list that cannot be read leaves an empty window.
bool CMainPresenter::LoadList(const std::string& path, bool quiet) {
    m_list = CTaskList();
    CTaskList list;
    list.m_nHighestId = std::max(0, ReadTaskCounter(m_app.FileSystem()));
    CListLoadResult result = list.LoadFile(m_app.FileSystem(), path, m_app.Profile());
    if (result.m_outcome == CListLoadResult::Outcome::CannotOpen &&
        path.find('/') == std::string::npos) {
        result =
            list.LoadFile(m_app.FileSystem(), m_app.TaskListFolder() + "/" + path, m_app.Profile());
    }
    const bool loaded = result.m_outcome == CListLoadResult::Outcome::Loaded ||
                        result.m_outcome == CListLoadResult::Outcome::Damaged;
    if (loaded) {
        m_list = std::move(list);
        m_dwPreferences = static_cast<uint32_t>(
            m_app.Profile().GetProfileInt(kSettings, "DlgPref", pref::kDefault));
        if (m_launcher) {
            m_launcher->SetPreferences(m_dwPreferences);
        }
        m_app.RecentFiles().Add(m_list.m_strPath);
        m_app.Profile().WriteProfileString(kAppKey, "lasttl", m_list.m_strPath);
    }
    ListReplaced();
    if (!quiet && !loaded) {
        m_dialogs.Message(Text(result.m_outcome == CListLoadResult::Outcome::NotAList
                                   ? IDS_NOT_A_TASK_LIST
                                   : IDS_CANT_OPEN_FILE));
    } else if (!quiet && result.m_outcome == CListLoadResult::Outcome::Damaged) {
        m_dialogs.Message(Text(IDS_LIST_DAMAGED));
    }
    if (m_pListener) {
        m_pListener->RecentChanged();
    }
    return loaded;
}

// A list that a load repaired counts as changed, so that the exit routine offers to save it.
void CMainPresenter::ListReplaced() {
    m_bListChanged = m_list.m_bChanged;
    m_bEditsPending = false;
    m_selection.clear();
    m_nEditedRow = -1;
    m_lastRun.assign(m_list.m_Tasks.size(), {});
    for (int row = 0; row < RowCount(); ++row) {
        RefreshLastRun(row);
    }
    if (m_pListener) {
        m_pListener->RowsReset();
        m_pListener->CaptionChanged();
    }
    SelectSingle(RowCount() > 0 ? 0 : -1);
}

void CMainPresenter::LanguageChanged() {
    for (int row = 0; row < RowCount(); ++row) {
        RefreshLastRun(row);
    }
    if (m_pListener) {
        m_pListener->RowsReset();
        m_pListener->CaptionChanged();
        m_pListener->EditChanged();
    }
}

std::vector<std::string> CMainPresenter::RecentLists() const {
    return m_app.RecentFiles().Entries();
}

std::string CMainPresenter::RecentName(size_t index) const {
    return m_app.RecentFiles().DisplayName(index);
}

void CMainPresenter::ViewLog() {
    ApplyEdits();
    if (m_selection.empty()) {
        return;
    }
    const std::string path = LogPathOf(Task(m_selection.front()));
    CFileInfo st;
    if (m_app.FileSystem().Stat(path, st, LinkMode::Follow) != 0) {
        m_dialogs.Message(FormatText(Text(IDS_MW_NO_LOG).c_str(), path.c_str()));
    } else if (!OpenWithDesktop(path)) {
        m_dialogs.Message(FormatText(Text(IDS_MW_CANT_OPEN_LOG).c_str(), path.c_str()));
    }
}

void CMainPresenter::SetPreferences(uint32_t preferences) {
    m_dwPreferences = preferences;
    m_app.Profile().WriteProfileInt(kSettings, "DlgPref", static_cast<int>(preferences));
    if (m_launcher) {
        m_launcher->SetPreferences(preferences);
    }
}

void CMainPresenter::RequestExit() {
    if (m_bExitReady || m_exitState != ExitState::None) {
        return;
    }
    if (AnyRunOutstanding()) {
        if (m_dialogs.YesNo(Text(IDS_MW_UNFINISHED_TASKS)) != PromptAnswer::Yes) {
            return;
        }
        m_exitState = ExitState::WaitingForRuns;
        CancelAllRuns();
        if (m_pListener) {
            m_pListener->RunsChanged();
        }
        if (AnyRunOutstanding()) {
            return;  // the last run's end continues the routine
        }
    }
    ContinueExit();
}

void CMainPresenter::ContinueExit() {
    m_exitState = ExitState::None;
    if (!SavePrompt()) {
        return;
    }
    if (!m_list.m_strPath.empty()) {
        m_app.Profile().WriteProfileString(kAppKey, "lasttl", m_list.m_strPath);
    }
    if (!m_strLastDir.empty()) {
        m_app.Profile().WriteProfileString(kAppKey, "lastdir", m_strLastDir);
    }
    m_bExitReady = true;
    if (m_pListener) {
        m_pListener->ExitReady();
    }
}

}  // namespace tv
