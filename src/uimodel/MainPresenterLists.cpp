#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/Desktop.h"
#include "platform/FileOps.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"
#include "report/TaskLog.h"
#include "uimodel/MainPresenter.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

bool CMainPresenter::RefuseWhileRunning() {
    if (m_runs.AnyOutstanding()) {
        m_dialogs.Message(Text(IDS_MW_UNFINISHED_TASKS));
        return true;
    }
    return false;
}

// The question of the exit routine. False when the window is to stay: the user canceled, or
// a save that was asked for failed.
bool CMainPresenter::SavePrompt() {
    if (!m_doc.Changed() && !m_bEditsPending) {
        return true;
    }
    if (!(m_dwPreferences & pref::kAskSaveOnExit)) {
        return SaveList(SavePath::Current) != SaveResult::Failed;
    }
    switch (m_dialogs.AskYesNoCancel(Text(IDS_MW_LIST_CHANGED))) {
        case YesNoCancel::Yes:
            return SaveList(SavePath::Current) == SaveResult::Saved;
        case YesNoCancel::No:
            return true;
        case YesNoCancel::Cancel:
            break;
    }
    return false;
}

bool CMainPresenter::Save() {
    return SaveList(SavePath::Current) == SaveResult::Saved;
}

bool CMainPresenter::SaveAs() {
    return SaveList(SavePath::Ask) == SaveResult::Saved;
}

CMainPresenter::SaveResult CMainPresenter::SaveList(SavePath savePath) {
    ApplyEdits();
    if (savePath == SavePath::Current && !m_doc.Path().empty()) {
        return SaveTo(m_doc.Path());
    }
    const auto path = m_doc.ChooseSavePath();
    if (!path) {
        return SaveResult::Canceled;
    }
    // A new path renumbers the tasks, and a running task's id names its log and snapshots.
    if (*path != m_doc.Path() && RefuseWhileRunning()) {
        return SaveResult::Failed;
    }
    const SaveResult result = SaveTo(*path);
    if (result == SaveResult::Saved) {
        m_doc.AddRecent(*path);
    }
    return result;
}

CMainPresenter::SaveResult CMainPresenter::SaveTo(const std::string& path) {
    if (!m_doc.SaveTo(path)) {
        return SaveResult::Failed;
    }
    if (m_nEditedRow >= 0 && m_nEditedRow < m_doc.RowCount()) {
        m_edit.m_nTaskId = m_doc.Task(m_nEditedRow).m_nTaskId;  // Save As gave it a fresh id
    }
    if (m_pListener) {
        m_pListener->EditChanged();
    }
    return SaveResult::Saved;
}

void CMainPresenter::NewList() {
    if (RefuseWhileRunning() || !SavePrompt()) {
        return;
    }
    ForgetRows();
    m_doc.Replace(CTaskList());
    SelectSingle(-1);
}

void CMainPresenter::OpenList() {
    if (RefuseWhileRunning() || !SavePrompt()) {
        return;
    }
    if (const auto chosen = m_doc.ChooseListToOpen()) {
        LoadList(*chosen, LoadNotice::Tell);
    }
}

bool CMainPresenter::OpenListFile(const std::string& path) {
    if (RefuseWhileRunning() || !SavePrompt()) {
        return false;
    }
    return LoadList(path, LoadNotice::Tell);
}

void CMainPresenter::LoadAtStart(const std::string& path) {
    if (!path.empty()) {
        LoadList(path, LoadNotice::Quiet);
    }
}

void CMainPresenter::AdoptList(CTaskList list) {
    ForgetRows();
    m_doc.Replace(std::move(list));
    SelectSingle(m_doc.RowCount() > 0 ? 0 : -1);
}

// A loaded list brings the preferences of the profile as they are now.
bool CMainPresenter::LoadList(const std::string& path, LoadNotice notice) {
    ForgetRows();
    const CListLoadResult::Outcome outcome = m_doc.Load(path);
    const bool loaded =
        outcome == CListLoadResult::Outcome::Loaded || outcome == CListLoadResult::Outcome::Damaged;
    if (loaded) {
        m_dwPreferences = static_cast<uint32_t>(m_app.Profile().GetProfileInt(
            profkey::kSettings, profkey::kPreferences, pref::kDefault));
        m_runs.SetPreferences(m_dwPreferences);
    }
    SelectSingle(m_doc.RowCount() > 0 ? 0 : -1);
    if (notice == LoadNotice::Quiet) {
        return loaded;
    }
    if (!loaded) {
        m_dialogs.Message(Text(outcome == CListLoadResult::Outcome::NotAList ? IDS_NOT_A_TASK_LIST
                                                                             : IDS_CANT_OPEN_FILE));
    } else if (outcome == CListLoadResult::Outcome::Damaged) {
        m_dialogs.Message(Text(IDS_LIST_DAMAGED));
    }
    return loaded;
}

// Before the rows are replaced: nothing refers to the old ones any more.
void CMainPresenter::ForgetRows() {
    m_bEditsPending = false;
    m_selection.clear();
    m_nEditedRow = -1;
}

void CMainPresenter::LanguageChanged() {
    m_doc.RefreshAllLastRuns();
    if (m_pListener) {
        m_pListener->RowsReset();
        m_pListener->CaptionChanged();
        m_pListener->EditChanged();
    }
}

void CMainPresenter::ViewLog() {
    ApplyEdits();
    if (m_selection.empty()) {
        return;
    }
    const std::string path = LogPathOf(m_doc.Task(m_selection.front()));
    CFileStat st;
    if (LocalFileOps().Stat(path, st, true) != 0) {
        m_dialogs.Message(FormatText(Text(IDS_MW_NO_LOG).c_str(), path.c_str()));
    } else if (!OpenWithDesktop(path)) {
        m_dialogs.Message(FormatText(Text(IDS_MW_CANT_OPEN_LOG).c_str(), path.c_str()));
    }
}

void CMainPresenter::SetPreferences(uint32_t preferences) {
    m_dwPreferences = preferences;
    m_app.Profile().WriteProfileInt(profkey::kSettings, profkey::kPreferences,
                                    static_cast<int>(preferences));
    m_runs.SetPreferences(preferences);
}

void CMainPresenter::RequestExit() {
    if (m_bExitReady || m_exitState != ExitState::None) {
        return;
    }
    if (m_runs.AnyOutstanding()) {
        if (m_dialogs.YesNo(Text(IDS_MW_UNFINISHED_TASKS)) != PromptAnswer::Yes) {
            return;
        }
        m_exitState = ExitState::WaitingForRuns;
        m_runs.CancelAll();
        if (m_pListener) {
            m_pListener->RunsChanged();
        }
        if (m_runs.AnyOutstanding()) {
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
    m_doc.RememberForNextStart();
    m_bExitReady = true;
    if (m_pListener) {
        m_pListener->ExitReady();
    }
}

}  // namespace tv
