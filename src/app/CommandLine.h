#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "app/RunWindows.h"

namespace tv {

class CMirrantApp;

// What a run of tasks prints on standard output: nothing, or a dry run's plan as text or as
// JSON lines.
enum class DryRunOutput : uint8_t { None, Text, Json };
class CTaskList;
class IFileSystem;

// The switches and parameters of the unattended command line ("/F:list 5 3 /S"). A switch
// starts with "/" or "-" and is matched without regard to case. Paths start with "/" too, so
// only "/" with one character, or with a letter and ":", is taken for a switch that is not
// one of ours; any other "/" parameter is a path (an absolute list path).
class CMyComLineInfo {
  public:
    // Takes one parameter: `param` without its switch character when `isSwitch`.
    void ParseParam(const std::string& param, bool isSwitch, bool last);
    // Takes every parameter of the command line in order; unknown switches are set aside in
    // m_UnknownSwitches and count for nothing else.
    void ParseAll(const std::vector<std::string>& args);

    bool m_bRelaunched = false;    // "E": this instance is the relaunched one
    bool m_bHasArguments = false;  // any parameter other than "E"
    std::string m_strTaskList;     // "F:"
    bool m_bAll = false;           // "A"
    std::vector<int> m_TaskIds;    // numbers, in the order given
    std::string m_strFileToOpen;   // a plain parameter that is not a number
    bool m_bReplace = false;       // "R"
    bool m_bSilent = false;        // "S"
    bool m_bConsecutive = false;   // "C"
    bool m_bSimultaneous = false;  // "M"
    bool m_bShutdown = false;      // "D"
    bool m_bElevate = false;       // "I"
    bool m_bSourceHost = false;    // "P:" was given
    std::string m_strSourceHost;
    bool m_bTargetHost = false;  // "T:" was given
    std::string m_strTargetHost;
    std::vector<std::string> m_UnknownSwitches;  // as given, in order
    // "--scheduled": the scheduler started this run, and nobody is there to answer.
    bool m_bByScheduler = false;
    // "--restore": the tasks run as the main window's Restore command runs them.
    bool m_bRestore = false;
    // "--dry-run": the tasks are planned, not run.
    DryRunOutput m_dryRun = DryRunOutput::None;
};

// The parameter as one of our switches (without its lead character), or empty.
std::string SwitchOf(const std::string& param);

enum class ParamKind { Switch, UnknownSwitch, Plain };
ParamKind KindOf(const std::string& param);

// Every start works in its own instance, relaunched ("/E") or not.
enum class StartKind { Interactive, Unattended };
StartKind DecideStart(const CMyComLineInfo& info);

// What elevation depends on besides the command line.
struct CRelaunchContext {
    std::string m_strPkexec;      // the full path of pkexec; empty when it is not on PATH
    bool m_bSuperUser = false;    // this process already has the rights of root
    std::string m_strExecutable;  // this program's executable, absolute; empty when unknown
    std::string m_strFolder;      // the working folder
    std::function<bool(const std::string&)> m_exists;  // whether a file exists at a path
};

// Whether this instance is to hand over to an elevated one: "/I" on a first instance.
bool WantsElevation(const CMyComLineInfo& info);

// How this instance hands over to an elevated one, if at all.
struct CRelaunchPlan {
    bool m_bElevated = false;         // through pkexec, whose path is then m_Argv[0]
    std::vector<std::string> m_Argv;  // argv[0] included; empty when there is no relaunch
    std::string m_strNote;            // a line for standard error, or empty
};

// The elevated relaunch of `args` with "/E" appended, through pkexec, when "/I" asks for it
// and that is possible; otherwise no relaunch (with a note that says why when "/I" asked).
// pkexec starts the program in root's home with a bare environment, so the list paths that
// name files here are made absolute. No shell is involved anywhere. Any thread.
CRelaunchPlan PlanRelaunch(const std::vector<std::string>& args, const CRelaunchContext& context);

// Replaces this process by the program itself run as root through pkexec (see PlanRelaunch),
// writing the plan's note to standard error. Returns when there is no such relaunch or it
// could not be started; this instance then does the work. Main thread, before any other
// thread exists.
void ElevateSelf(IFileSystem& fs, const std::vector<std::string>& args);

// What the runs of the command line came to.
enum RunExitCode : int {
    kRunOk = 0,             // every task ended normally without errors
    kRunLoggedErrors = 1,   // some task logged errors
    kRunFailed = 2,         // some task ended with an error or was canceled
    kRunListNotLoaded = 3,  // the task list could not be loaded
};

// Loads the list of "F:" and runs the selected tasks, reporting on `err`. Blocks until every
// run has ended (and, with windows, until the last one has closed); SIGINT and SIGTERM cancel
// the runs. Writes the application's settings back and shuts down when asked. Main thread, on
// an application that has been started.
// A dry run prints its plan on `out` and shows no window.
int RunUnattended(CMirrantApp& app, const CMyComLineInfo& info, std::ostream& out,
                  std::ostream& err, const RunWindowsEntry& windows = {});

// Runs the selected tasks of `list` (selection, host replacement, run kind, consecutive or
// simultaneous), prints a summary per task and returns the exit code of the runs; `shutdown`
// tells whether the computer is to be shut down now. With `windows` (a display is there), the
// runs that are not silent show their progress windows, questions and previews in windows,
// unless the switch "S" was given. Blocks until every run has ended and its window closed.
int RunCommandLineTasks(CTaskList& list, const CMyComLineInfo& info, CMirrantApp& app,
                        std::ostream& out, std::ostream& err, const RunWindowsEntry& windows,
                        bool* shutdown);

}  // namespace tv
