#include "auto/RealtimeToggle.h"

#include "auto/RealtimeService.h"
#include "task/Element.h"

namespace tv {

namespace {

CToggleResult Failure(ToggleOutcome outcome, const CServiceResult& result) {
    if (result.m_status == ServiceStatus::NoAccess) {
        return {ToggleOutcome::NeedPrivileges, result.m_nError};
    }
    if (result.m_status == ServiceStatus::NotLocal) {
        return {ToggleOutcome::NotLocal, 0};
    }
    return {outcome, result.m_nError};
}

CToggleResult StopOutcome(const CServiceResult& result) {
    if (result.m_status == ServiceStatus::StillRunning) {
        return {ToggleOutcome::StopRefused, 0};
    }
    return result.Ok() ? CToggleResult{ToggleOutcome::Stopped, 0}
                       : Failure(ToggleOutcome::CreateFailed, result);
}

}  // namespace

CToggleResult ToggleRealTimeTask(CRealtimeServices& services, const CElement& task, ListState list,
                                 const InitialSyncFn& initialSync) {
    if (CServiceResult opened = services.Open(); !opened.Ok()) {
        return Failure(ToggleOutcome::CreateFailed, opened);
    }
    const bool running = services.IsRunning(task);
    if (list == ListState::Unsaved && services.Exists(task)) {
        CServiceResult deleted = services.Delete(task);
        if (running || !deleted.Ok()) {
            return StopOutcome(deleted);
        }
    } else if (running) {
        return StopOutcome(services.Stop(task));
    }
    if (!services.Exists(task)) {
        if (CServiceResult created = services.Create(task); !created.Ok()) {
            return Failure(ToggleOutcome::CreateFailed, created);
        }
    }
    if (!task.m_bServiceNoInitialSync && initialSync) {
        initialSync(task);
    }
    const CServiceResult started = services.Start(task);
    if (started.m_status == ServiceStatus::Missing) {
        return {ToggleOutcome::OpenFailed, started.m_nError};
    }
    return started.Ok() ? CToggleResult{ToggleOutcome::Started, 0}
                        : Failure(ToggleOutcome::StartFailed, started);
}

void RunInitialSync(IFileSystem& fs, const CElement& task, CLauncherSettings settings) {
    CElement copy = task;
    copy.m_dwOptions &= ~opt1::kKindMask;
    copy.m_dwOptions2 |= opt2::kSilent;
    settings.m_pPreview = nullptr;
    settings.m_onDone = nullptr;
    CTaskLauncher launcher(fs, std::move(settings));
    if (launcher.LaunchOne(copy, RunCommand::Sync, false)) {
        launcher.Wait(copy);
    }
}

}  // namespace tv
