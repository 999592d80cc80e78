#include <algorithm>
#include <memory>
#include <mutex>
#include <ostream>

#include "app/CommandLine.h"
#include "app/DryRunPrinter.h"
#include "app/MirrantApp.h"
#include "app/Terminal.h"
#include "platform/Console.h"
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

// SIGINT and SIGTERM cancel the runs and close the windows. The signals are caught from before
// the windows' application starts its threads, so that none of them ends the process; a
// signal that comes before the runs start keeps them from starting.
class CRunCanceler {
  public:
    CRunCanceler() : m_catcher([this] { Cancel(); }) {}

    // Main thread, before the runs start and until they have ended.
    void Arm(CTaskLauncher* launcher, IRunWindows* windows) {
        std::lock_guard lock(m_mutex);
        m_pLauncher = launcher;
        m_pWindows = windows;
        if (launcher && m_catcher.Caught()) {
            launcher->CancelAll();
        }
    }
    bool Caught() const { return m_catcher.Caught(); }

  private:
    // The catcher's thread.
    void Cancel() {
        std::lock_guard lock(m_mutex);
        if (m_pLauncher) {
            m_pLauncher->CancelAll();
        }
        if (m_pWindows) {
            m_pWindows->Quit();
        }
    }

    std::mutex m_mutex;
    CTaskLauncher* m_pLauncher = nullptr;
    IRunWindows* m_pWindows = nullptr;
    CSignalCatcher m_catcher;  // last: it calls on the members above
};

// The selected runs of one command line with what they report to: the terminal, or for the
// runs that are not silent, the windows.
class CCommandLineRuns {
  public:
    CCommandLineRuns(const CMyComLineInfo& info, CMirrantApp& app, std::ostream& out,
                     std::ostream& err, CRunCanceler& canceler)
        : m_info(info),
          m_app(app),
          m_canceler(canceler),
          m_terminal(err, IsTerminal(2), IsTerminal(0) && !info.m_bByScheduler),
          m_prompter(m_terminal),
          m_preview(m_terminal),
          m_dryRun(out, info.m_dryRun) {}

    void Select(CTaskList& list) { m_selected = SelectTasks(list, m_info, m_terminal); }
    // The switch "S" and the task's silent mode keep a run out of the windows; a dry run
    // shows none.
    bool AnyWindow() const {
        return !m_info.m_bSilent && !Dry() &&
               std::any_of(m_selected.begin(), m_selected.end(),
                           [](const CElement* task) { return !task->Has2(opt2::kSilent); });
    }
    // Main thread. Blocks until the runs have ended and, with `windows`, their windows closed.
    int Run(IRunWindows* windows, bool* shutdown);

  private:
    void Attach(IRunWindows* windows);
    bool Dry() const { return m_info.m_dryRun != DryRunOutput::None; }

    const CMyComLineInfo& m_info;
    CMirrantApp& m_app;
    CRunCanceler& m_canceler;
    CTerminal m_terminal;
    CTerminalPrompter m_prompter;
    CTerminalPreview m_preview;
    CDryRunPrinter m_dryRun;
    std::vector<CElement*> m_selected;
    std::vector<std::unique_ptr<CTerminalObserver>> m_observers;
};

void CCommandLineRuns::Attach(IRunWindows* windows) {
    int sequence = 0;
    for (CElement* task : m_selected) {
        ReplaceHosts(*task, m_info);
        const bool silent = m_info.m_bSilent || task->Has2(opt2::kSilent);
        if (windows && !silent) {
            task->m_Run.Attach(&windows->Progress(*task, sequence++), &windows->Prompter(*task));
            continue;
        }
        m_observers.push_back(
            std::make_unique<CTerminalObserver>(m_terminal, task->m_nTaskId, silent));
        // A dry run asks nothing: a question takes the answer that changes nothing more, as
        // in a run that nobody watches.
        task->m_Run.Attach(m_observers.back().get(),
                           m_terminal.CanAsk() && !Dry() ? &m_prompter : nullptr);
    }
}

int CCommandLineRuns::Run(IRunWindows* windows, bool* shutdown) {
    Attach(windows);
    CLauncherSettings settings;
    settings.m_dwPreferences = RunPreferences(m_app.Preferences(), m_info);
    settings.m_pPreview = windows ? &windows->Preview() : &m_preview;
    settings.m_pProfile = &m_app.Profile();
    settings.m_pFtpTimes = &m_app.FtpTimes();
    settings.m_origin = m_info.m_bByScheduler ? RunOrigin::Scheduler : RunOrigin::User;
    settings.m_pDryRun = Dry() ? &m_dryRun : nullptr;
    CTaskLauncher launcher(m_app.FileSystem(), settings);
    // The switch "D" is the same pending shutdown that a task's option sets: the progress
    // windows show it, and the user who clears it there keeps the computer on.
    launcher.SetShutdownPending(m_info.m_bShutdown && !Dry());
    // The launcher keeps every run in sight until it was joined.
    m_canceler.Arm(&launcher, windows);
    const RunCommand command = m_info.m_bRestore   ? RunCommand::Restore
                               : m_info.m_bReplace ? RunCommand::Replace
                                                   : RunCommand::Sync;
    const auto runs = [&] {
        launcher.Launch(m_selected, command);
        launcher.WaitAll();
    };
    if (windows) {
        windows->Serve(launcher, runs);
    } else {
        runs();
    }
    m_canceler.Arm(nullptr, nullptr);
    const bool interrupted = m_canceler.Caught();
    int code = kRunOk;
    for (CElement* task : m_selected) {
        if (Dry()) {
            m_dryRun.PrintCounts(*task);
        } else {
            m_terminal.Line(TaskSummary(*task));
        }
        code = std::max(code, ExitCodeOf(*task));
        task->m_Run.Detach();
    }
    if (interrupted) {
        m_terminal.Line("mirrant: interrupted: the runs were canceled");
        code = kRunFailed;
    }
    *shutdown = !Dry() && !interrupted && launcher.ShutdownPending();
    if (Dry() && !m_dryRun.Ok()) {
        m_terminal.Line("mirrant: the plan could not be written to standard output");
        code = kRunFailed;
    }
    return code;
}

}  // namespace

int RunCommandLineTasks(CTaskList& list, const CMyComLineInfo& info, CMirrantApp& app,
                        std::ostream& out, std::ostream& err, const RunWindowsEntry& windows,
                        bool* shutdown) {
    CRunCanceler canceler;
    CCommandLineRuns runs(info, app, out, err, canceler);
    runs.Select(list);
    // A scheduled run shows no windows: a question in one would wait for nobody.
    if (windows && runs.AnyWindow() && !info.m_bByScheduler) {
        return windows(app, [&](IRunWindows& shown) { return runs.Run(&shown, shutdown); });
    }
    return runs.Run(nullptr, shutdown);
}

int RunUnattended(CMirrantApp& app, const CMyComLineInfo& info, std::ostream& out,
                  std::ostream& err, const RunWindowsEntry& windows) {
    CTaskList list;
    const CListLoadResult result = LoadList(list, info.m_strTaskList, app);
    if (!result.Ok()) {
        err << "mirrant: cannot load the task list '" << info.m_strTaskList << "'"
            << (result.m_strError.empty() ? "" : ": " + result.m_strError) << "\n";
        return kRunListNotLoaded;
    }
    bool shutdown = false;
    const int code = RunCommandLineTasks(list, info, app, out, err, windows, &shutdown);
    if (info.m_dryRun != DryRunOutput::None) {
        return code;  // a dry run writes nothing back
    }
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
