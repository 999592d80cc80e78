#include "run/TaskLauncher.h"

#include <algorithm>
#include <system_error>

#include "base/StringTable.h"
#include "platform/Shutdown.h"
#include "task/Element.h"

namespace tv {

std::optional<RunKind> RunKindFor(const CElement& task, RunCommand command) {
    if (task.Kind() == TaskKind::Realtime) {
        return std::nullopt;
    }
    switch (command) {
        case RunCommand::Sync:
            return task.Kind() == TaskKind::BackupRestore || task.Mode() != 0
                       ? RunKind::UpdateTarget
                       : RunKind::Synchronize;
        case RunCommand::Backup:
            return RunKind::UpdateTarget;
        case RunCommand::Replace:
            return RunKind::Replace;
        case RunCommand::Restore:
            return RunKind::Restore;
        case RunCommand::EqualizeToTarget:
            return RunKind::EqualizeToTarget;
        case RunCommand::EqualizeToSource:
            return RunKind::EqualizeToSource;
    }
    return std::nullopt;
}

uint32_t EffectivePreferences(const CElement& task, uint32_t appPreferences) {
    if (!task.Has3(opt3::kOwnPreferences)) {
        return appPreferences;
    }
    return (appPreferences & ~pref::kPolicyMask) | static_cast<uint32_t>(task.OwnPolicy());
}

CTaskLauncher::CTaskLauncher(IFileSystem& fs, CLauncherSettings settings)
    : m_fs(fs), m_settings(std::move(settings)) {}

CTaskLauncher::~CTaskLauncher() {
    WaitAll();
}

size_t CTaskLauncher::Launch(const std::vector<CElement*>& tasks, RunCommand command) {
    const bool several = tasks.size() >= 2;
    const bool consecutive = m_settings.m_dwPreferences & pref::kConsecutive;
    size_t started = 0;
    for (size_t i = 0; i < tasks.size() && !m_bStopStarting; ++i) {
        CElement& task = *tasks[i];
        const std::optional<RunKind> kind = RunKindFor(task, command);
        if (!kind || !Start(task, *kind, several, StartMode::UnlessStopped)) {
            continue;
        }
        ++started;
        if (consecutive && i + 1 < tasks.size()) {
            Wait(task);
            if (task.m_Run.Ending() == RunEnd::Canceled && StopAfterCancel(task)) {
                break;
            }
        }
    }
    m_bStopStarting = false;
    return started;
}

bool CTaskLauncher::LaunchOne(CElement& task, RunCommand command, bool severalStarted) {
    const std::optional<RunKind> kind = RunKindFor(task, command);
    const bool mayShutDown = command != RunCommand::Replace && command != RunCommand::Restore;
    return kind && Start(task, *kind, severalStarted,
                         mayShutDown ? StartMode::Always : StartMode::NoShutdown);
}

// The run is begun and registered under the lock that CancelAll takes: a cancel either comes
// first (and Launch starts nothing more) or finds the run registered, never in between where
// beginning the run would clear it.
bool CTaskLauncher::Start(CElement& task, RunKind kind, bool several, StartMode mode) {
    if (!task.m_Run.IsRunning()) {
        JoinWorkers(&task);  // the last run of this task is over: its thread is at its end
    }
    std::lock_guard lock(m_mutex);
    if (mode == StartMode::UnlessStopped && m_bStopStarting) {
        return false;
    }
    if (!task.m_Run.Begin(kind, EffectivePreferences(task, m_settings.m_dwPreferences),
                          task.m_Targets.size(), m_settings.m_pDryRun ? nullptr : &m_fs,
                          RunSpoolFolder())) {
        return false;
    }
    if (mode != StartMode::NoShutdown && task.Has2(opt2::kShutdown)) {
        m_bShutdownPending = true;
    }
    auto worker = std::make_unique<CWorker>(m_fs);
    worker->m_pTask = &task;
    worker->m_env.m_pPreview = m_settings.m_pPreview;
    worker->m_env.m_onDone = m_settings.m_onDone;
    worker->m_env.m_bSeveralTasksStarted = several;
    worker->m_env.m_pShutdownPending = &m_bShutdownPending;
    worker->m_env.m_pProfile = m_settings.m_pProfile;
    worker->m_env.m_pFtpTimes = m_settings.m_pFtpTimes;
    worker->m_env.m_pDiscRecorder = m_settings.m_pDiscRecorder;
    worker->m_env.m_discWait = m_settings.m_discWait;
    worker->m_env.m_origin = m_settings.m_origin;
    worker->m_env.m_pDryRun = m_settings.m_pDryRun;
    // Registered before the thread starts, so that CancelAll reaches a run from its first step.
    CWorker& registered = *m_workers.emplace_back(std::move(worker));
    try {
        registered.m_thread =
            std::thread([&task, env = &registered.m_env] { TaskThreadProc(task, *env); });
    } catch (const std::system_error&) {
        m_workers.pop_back();
        task.m_Run.End(RunEnd::Error);
        return false;
    }
    return true;
}

// Joins the threads of `task` (every task when null) outside the lock, so that a run may
// still reach its end meanwhile and be canceled while it is waited for.
void CTaskLauncher::JoinWorkers(CElement* task) {
    std::vector<CWorker*> joining;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& worker : m_workers) {
            if ((!task || worker->m_pTask == task) && !worker->m_bJoining) {
                worker->m_bJoining = true;
                joining.push_back(worker.get());
            }
        }
    }
    for (CWorker* worker : joining) {
        if (worker->m_thread.joinable()) {
            worker->m_thread.join();
        }
    }
    std::lock_guard lock(m_mutex);
    std::erase_if(m_workers, [&](const auto& worker) {
        return std::find(joining.begin(), joining.end(), worker.get()) != joining.end();
    });
}

void CTaskLauncher::Wait(CElement& task) {
    JoinWorkers(&task);
}

void CTaskLauncher::WaitAll() {
    JoinWorkers(nullptr);
}

void CTaskLauncher::CancelAll() {
    std::lock_guard lock(m_mutex);
    m_bStopStarting = true;
    for (const auto& worker : m_workers) {
        if (worker->m_pTask->m_Run.IsRunning()) {
            worker->m_pTask->m_Run.RequestCancel();
        }
    }
}

bool CTaskLauncher::IsAnyRunning() const {
    std::lock_guard lock(m_mutex);
    for (const auto& worker : m_workers) {
        if (worker->m_pTask->m_Run.IsRunning()) {
            return true;
        }
    }
    return false;
}

bool CTaskLauncher::ShutdownIfPending() {
    if (!m_bShutdownPending || IsAnyRunning()) {
        return false;
    }
    m_bShutdownPending = false;
    return ShutDownComputer();
}

// Nobody to ask: the other tasks still run, as they were asked for.
bool CTaskLauncher::StopAfterCancel(CElement& task) {
    ITaskPrompter* prompter = task.m_Run.Prompter();
    return prompter && prompter->YesNo(LoadString(IDS_STOP_ALL_TASKS)) == PromptAnswer::Yes;
}

}  // namespace tv
