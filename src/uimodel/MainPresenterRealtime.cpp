#include <cerrno>

#include "app/MirrantApp.h"
#include "auto/RealtimeToggle.h"
#include "base/PrintfFormat.h"
#include "base/StringTable.h"
#include "uimodel/MainPresenter.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

// Made for each use, so that the places follow the environment as it is then.
CRealtimeServices CMainPresenter::Services() const {
    return CRealtimeServices(m_app.FileSystem(), CServicePlaces::FromEnvironment());
}

bool CMainPresenter::EditedServiceRuns() const {
    const int row = m_editor.EditedRow();
    return row >= 0 && m_editor.EditCopy().Kind() == TaskKind::Realtime &&
           Services().IsRunning(m_doc.Task(row));
}

std::string CMainPresenter::SyncTip() const {
    return Text(SyncStops() ? IDS_MW_TIP_STOP : IDS_MW_TIP_EXECUTE);
}

bool CMainPresenter::SyncStops() const {
    return EditedServiceRuns();
}

// The list keeps its unsaved mark: the service was made from the task as it is now, but the
// file still holds the old task, and the user is asked to save it on the way out.
void CMainPresenter::ToggleRealtime(int row) {
    const CElement& task = m_doc.Task(row);
    const ListState list =
        m_doc.Changed() || m_editor.EditsPending() ? ListState::Unsaved : ListState::Saved;
    CLauncherSettings settings;
    settings.m_dwPreferences = m_dwPreferences;
    settings.m_pProfile = &m_app.Profile();
    settings.m_pFtpTimes = &m_app.FtpTimes();
    CRealtimeServices services = Services();
    const CToggleResult result = ToggleRealTimeTask(
        services, task, list,
        [&](const CElement& each) { RunInitialSync(m_app.FileSystem(), each, settings); });
    switch (result.m_outcome) {
        case ToggleOutcome::Started:
        case ToggleOutcome::Stopped:
            m_doc.RefreshLastRun(row);
            if (m_pListener) {
                m_pListener->EditChanged();
            }
            return;
        case ToggleOutcome::StopRefused:
            return;
        case ToggleOutcome::NeedPrivileges:
            m_dialogs.Message(Text(IDS_RT_NEED_ADMIN));
            return;
        case ToggleOutcome::NotLocal:
            m_dialogs.Message(Text(IDS_RT_NOT_LOCAL));
            return;
        case ToggleOutcome::CreateFailed:
            m_dialogs.Message(FormatText(Text(IDS_ERROR_CODE).c_str(), result.m_nError));
            return;
        case ToggleOutcome::OpenFailed:
            m_dialogs.Message(FormatText(Text(IDS_RT_OPEN_SERVICE_ERROR).c_str(), result.m_nError));
            return;
        case ToggleOutcome::StartFailed:
            m_dialogs.Message(
                FormatText(Text(IDS_RT_START_SERVICE_ERROR).c_str(), result.m_nError));
            return;
    }
}

void CMainPresenter::UpdateRealtimeService() {
    CRealtimeServices services = Services();
    if (!services.Open().Ok() || !services.Create(m_editor.EditCopy()).Ok()) {
        m_dialogs.Message(Text(IDS_RT_CANT_CREATE));
    }
}

// Every task is asked about, whatever its kind now: one that was a real-time task may still
// have its service.
bool CMainPresenter::ReleaseService(const CElement& task) {
    CRealtimeServices services = Services();
    if (!services.Exists(task)) {
        return true;
    }
    const CServiceResult removed = services.Delete(task);
    if (removed.m_status == ServiceStatus::StillRunning) {
        m_dialogs.Message(FormatText(Text(IDS_RT_STILL_RUNNING).c_str(), task.m_strName.c_str()));
    } else if (!removed.Ok()) {
        m_dialogs.Message(
            FormatText(Text(IDS_RT_CANT_REMOVE).c_str(), task.m_strName.c_str(), removed.m_nError));
    }
    return removed.Ok();
}

}  // namespace tv
