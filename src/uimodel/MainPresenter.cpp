#include "uimodel/MainPresenter.h"

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"
#include "report/TaskLog.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

CMainPresenter::CMainPresenter(CMirrantApp& app, IUiDialogs& dialogs)
    : m_app(app),
      m_dialogs(dialogs),
      m_dwPreferences(app.Preferences()),
      m_doc(app, dialogs),
      m_runs(app, dialogs, m_doc, *this),
      m_editor(app, dialogs, m_doc, m_runs) {
    m_editor.SetReleaseTask([this](const CElement& task) { return ReleaseService(task); });
}

CMainPresenter::~CMainPresenter() = default;

void CMainPresenter::SetListener(IMainListener* listener) {
    m_pListener = listener;
    m_doc.SetListener(listener);
    m_editor.SetListener(listener);
}

std::string CMainPresenter::Text(int id) const {
    return LoadString(id);
}

std::string CMainPresenter::RowLastRun(int row) const {
    if (row < 0 || row >= m_doc.RowCount()) {
        return {};
    }
    if (m_runs.IsRunning(m_doc.Task(row))) {
        return Text(IDS_MW_RUNNING);
    }
    const CElement& shown = row == m_editor.EditedRow() ? m_editor.EditCopy() : m_doc.Task(row);
    if (shown.Kind() != TaskKind::Realtime) {
        return m_doc.LastRun(row);
    }
    return Text(Services().IsRunning(m_doc.Task(row)) ? IDS_MW_RUNNING : IDS_MW_STOPPED);
}

void CMainPresenter::DeleteTasks() {
    std::vector<int> ids;
    for (const int row : m_editor.Selection()) {
        ids.push_back(m_doc.Task(row).m_nTaskId);
    }
    m_editor.DeleteTasks((m_dwPreferences & pref::kConfirmDelete) ? DeleteConfirm::Ask
                                                                  : DeleteConfirm::DontAsk);
    RemoveJobsOfDeleted(ids);
}

void CMainPresenter::LanguageChanged() {
    m_doc.RefreshAllLastRuns();
    ShowStatus();
    if (m_pListener) {
        m_pListener->RowsReset();
        m_pListener->CaptionChanged();
        m_pListener->EditChanged();
    }
}

void CMainPresenter::ViewLog() {
    m_editor.ApplyEdits();
    if (m_editor.Selection().empty()) {
        return;
    }
    const std::string path = LogPathOf(m_doc.Task(m_editor.Selection().front()));
    CFileInfo info;
    if (m_app.FileSystem().Stat(path, info, LinkMode::Follow) != 0) {
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

void CMainPresenter::RequestExit(ExitCause cause) {
    if (m_bExitReady || m_exitState != ExitState::None) {
        return;
    }
    m_exitCause = cause;
    if (m_runs.AnyOutstanding()) {
        if (cause == ExitCause::User &&
            m_dialogs.YesNo(Text(IDS_MW_UNFINISHED_TASKS)) != PromptAnswer::Yes) {
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
    // A signal that came while the user's question was open has ended the routine already.
    if (m_bExitReady) {
        return;
    }
    if (!(m_exitCause == ExitCause::Signal ? SaveBeforeSignalExit() : SavePrompt())) {
        return;
    }
    m_doc.RememberForNextStart();
    m_bExitReady = true;
    if (m_pListener) {
        m_pListener->ExitReady();
    }
}

// The answer that changes nothing more: the list file is written only where the user said
// never to ask, and a failed write does not keep a program that was told to end.
bool CMainPresenter::SaveBeforeSignalExit() {
    const bool changed = m_doc.Changed() || m_editor.EditsPending();
    if (changed && !(m_dwPreferences & pref::kAskSaveOnExit) && !m_doc.Path().empty()) {
        SaveList(SavePath::Current);
    }
    return true;
}

}  // namespace tv
