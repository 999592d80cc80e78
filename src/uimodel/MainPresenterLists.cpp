#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"
#include "uimodel/MainPresenter.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

// A list is not replaced or renumbered under running tasks. The question offers to cancel
// them; then `afterRuns` carries the command out once their ends have arrived.
bool CMainPresenter::RefuseWhileRunning(std::function<void()> afterRuns) {
    if (!m_runs.AnyOutstanding()) {
        return false;
    }
    if (m_afterRuns || m_dialogs.YesNo(Text(IDS_MW_UNFINISHED_TASKS)) != PromptAnswer::Yes) {
        return true;
    }
    m_afterRuns = std::move(afterRuns);
    SetStatus(IDS_WAITING_FOR_CANCELED);
    m_runs.CancelAll();
    if (m_pListener) {
        m_pListener->RunsChanged();
    }
    return true;
}

// The question of the exit routine. False when the window is to stay: the user canceled, or
// a save that was asked for failed.
bool CMainPresenter::SavePrompt() {
    if (!m_doc.Changed() && !m_editor.EditsPending()) {
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
    m_editor.ApplyEdits();
    if (savePath == SavePath::Current && !m_doc.Path().empty()) {
        return SaveTo(m_doc.Path());
    }
    const auto path = m_doc.ChooseSavePath();
    if (!path) {
        return SaveResult::Canceled;
    }
    // A new path renumbers the tasks, and a running task's id names its log and snapshots.
    const auto saveThere = [this, there = *path] {
        const SaveResult result = SaveTo(there);
        if (result == SaveResult::Saved) {
            m_doc.AddRecent(there);
        }
        return result;
    };
    if (*path != m_doc.Path() && RefuseWhileRunning([saveThere] { saveThere(); })) {
        return SaveResult::Failed;
    }
    return saveThere();
}

CMainPresenter::SaveResult CMainPresenter::SaveTo(const std::string& path) {
    if (!m_doc.SaveTo(path)) {
        return SaveResult::Failed;
    }
    m_editor.TakeStoredId();  // Save As gave the edited task a fresh id
    return SaveResult::Saved;
}

void CMainPresenter::NewList() {
    if (RefuseWhileRunning([this] { NewList(); }) || !SavePrompt()) {
        return;
    }
    m_editor.ForgetRows();
    m_doc.Replace(CTaskList());
    m_editor.SelectSingle(-1);
}

void CMainPresenter::OpenList() {
    if (RefuseWhileRunning([this] { OpenList(); }) || !SavePrompt()) {
        return;
    }
    if (const auto chosen = m_doc.ChooseListToOpen()) {
        LoadList(*chosen, LoadNotice::Tell);
    }
}

bool CMainPresenter::OpenListFile(const std::string& path) {
    if (RefuseWhileRunning([this, path] { OpenListFile(path); }) || !SavePrompt()) {
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
    m_editor.ForgetRows();
    m_doc.Replace(std::move(list));
    m_editor.SelectSingle(m_doc.RowCount() > 0 ? 0 : -1);
}

// A loaded list brings the preferences of the profile as they are now.
bool CMainPresenter::LoadList(const std::string& path, LoadNotice notice) {
    m_editor.ForgetRows();
    const CListLoadResult result = m_doc.Load(path);
    const CListLoadResult::Outcome outcome = result.m_outcome;
    const bool loaded =
        outcome == CListLoadResult::Outcome::Loaded || outcome == CListLoadResult::Outcome::Damaged;
    if (loaded) {
        m_dwPreferences = static_cast<uint32_t>(m_app.Profile().GetProfileInt(
            profkey::kSettings, profkey::kPreferences, pref::kDefault));
        m_runs.SetPreferences(m_dwPreferences);
    }
    m_editor.SelectSingle(m_doc.RowCount() > 0 ? 0 : -1);
    if (notice == LoadNotice::Quiet) {
        return loaded;
    }
    int textId = IDS_LIST_DAMAGED;
    if (!loaded) {
        textId = outcome == CListLoadResult::Outcome::NotAList ? IDS_NOT_A_TASK_LIST
                                                               : IDS_CANT_OPEN_FILE;
    } else if (outcome != CListLoadResult::Outcome::Damaged) {
        return loaded;
    }
    m_dialogs.Message(DetailedMessage(Text(textId), {path, result.m_strError}));
    return loaded;
}

}  // namespace tv
