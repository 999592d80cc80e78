#include <memory>
#include <ostream>

#include "app/CommandLine.h"
#include "app/MirrantApp.h"
#include "app/Terminal.h"
#include "platform/Shutdown.h"
#include "run/TaskLauncher.h"
#include "task/Element.h"
#include "task/TaskList.h"

namespace tv {

namespace {

std::vector<CElement*> SelectTasks(CTaskList& list, const CMyComLineInfo& info, CTerminal& term) {
    std::vector<CElement*> selected;
    if (info.m_bAll) {
        for (auto& task : list.m_Tasks) {
            selected.push_back(task.get());
        }
        return selected;
    }
    for (int id : info.m_TaskIds) {
        const size_t before = selected.size();
        for (auto& task : list.m_Tasks) {
            if (task->m_nTaskId == id) {
                selected.push_back(task.get());
            }
        }
        if (selected.size() == before) {
            term.Line("mirrant: no task with the id " + std::to_string(id) + " in the list");
        }
    }
    return selected;
}

void ReplaceHosts(CElement& task, const CMyComLineInfo& info) {
    if (info.m_bSourceHost) {
        task.m_Source.m_strHost = info.m_strSourceHost;
    }
    if (info.m_bTargetHost) {
        for (CTag& target : task.m_Targets) {
            target.m_strHost = info.m_strTargetHost;
        }
    }
}

uint32_t RunPreferences(uint32_t preferences, const CMyComLineInfo& info) {
    if (info.m_bConsecutive) {
        return preferences | pref::kConsecutive;
    }
    return info.m_bSimultaneous ? preferences & ~pref::kConsecutive : preferences;
}

// A task that was not run at all (a real-time task, say) did not do what was asked of it.
int ExitCodeOf(const CElement& task) {
    if (task.m_Run.Ending() != RunEnd::Normal) {
        return kRunFailed;
    }
    return task.m_Run.Count(CTaskInfor::Errors) > 0 ? kRunLoggedErrors : kRunOk;
}

CListLoadResult LoadList(CTaskList& list, const std::string& path, CMirrantApp& app) {
    CListLoadResult result = list.LoadFile(app.FileSystem(), path, app.Profile());
    if (result.m_outcome == CListLoadResult::Outcome::CannotOpen &&
        path.find('/') == std::string::npos && !path.empty()) {
        result = list.LoadFile(app.FileSystem(), app.TaskListFolder() + "/" + path, app.Profile());
    }
    return result;
}

}  // namespace

int RunCommandLineTasks(CTaskList& list, const CMyComLineInfo& info, CMirrantApp& app,
                        std::ostream& err, bool* shutdown) {
    CTerminal terminal(err, IsTerminal(2), IsTerminal(0));
    const std::vector<CElement*> selected = SelectTasks(list, info, terminal);
    CTerminalPrompter prompter(terminal);
    CTerminalPreview preview(terminal);
    std::vector<std::unique_ptr<CTerminalObserver>> observers;
    for (CElement* task : selected) {
        ReplaceHosts(*task, info);
        observers.push_back(std::make_unique<CTerminalObserver>(
            terminal, task->m_nTaskId, info.m_bSilent || task->Has2(opt2::kSilent)));
        task->m_Run.Attach(observers.back().get(), terminal.CanAsk() ? &prompter : nullptr);
    }
    CLauncherSettings settings;
    settings.m_dwPreferences = RunPreferences(app.Preferences(), info);
    settings.m_pPreview = &preview;
    settings.m_pProfile = &app.Profile();
    CTaskLauncher launcher(app.FileSystem(), settings);
    bool interrupted = false;
    {
        // The launcher keeps every run in sight until it was joined, and a signal that comes
        // before the runs start keeps them from starting.
        CSignalCatcher catcher([&launcher] { launcher.CancelAll(); });
        launcher.Launch(selected, info.m_bReplace ? RunCommand::Replace : RunCommand::Sync);
        launcher.WaitAll();
        interrupted = catcher.Caught();
    }
    int code = kRunOk;
    for (CElement* task : selected) {
        terminal.Line(TaskSummary(*task));
        code = std::max(code, ExitCodeOf(*task));
        task->m_Run.Detach();
    }
    if (interrupted) {
        terminal.Line("mirrant: interrupted: the runs were canceled");
        code = kRunFailed;
    }
    *shutdown = !interrupted && (launcher.ShutdownPending() || info.m_bShutdown);
    return code;
}

int RunUnattended(CMirrantApp& app, const CMyComLineInfo& info, std::ostream& err) {
    CTaskList list;
    const CListLoadResult result = LoadList(list, info.m_strTaskList, app);
    if (!result.Ok()) {
        err << "mirrant: cannot load the task list '" << info.m_strTaskList << "'"
            << (result.m_strError.empty() ? "" : ": " + result.m_strError) << "\n";
        return kRunListNotLoaded;
    }
    bool shutdown = false;
    const int code = RunCommandLineTasks(list, info, app, err, &shutdown);
    std::string error;
    if (!app.Exit(&error)) {
        err << "mirrant: warning: cannot store the FTP time shifts: " << error << "\n";
    }
    if (shutdown && !ShutDownComputer()) {
        err << "mirrant: the computer could not be shut down\n";
    }
    return code;
}

}  // namespace tv
