#include "app/CliMain.h"

#include <ostream>

#include "app/CliOptions.h"
#include "app/CommandLine.h"
#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/LanguageFiles.h"
#include "platform/Profile.h"

namespace tv {

namespace {

int NotAvailable(int textId, std::ostream& err) {
    err << "mirrant: " << LoadString(textId) << "\nTry 'mirrant --help' for more information.\n";
    return kExitNotAvailable;
}

// A list command runs inside the program's ordinary start-up and end, as every start does.
int RunListCommand(IFileSystem& fs, const CCliRequest& request, std::ostream& out,
                   std::ostream& err) {
    CProfile profile(fs);
    CMirrantApp app(fs, profile);
    if (!app.Startup()) {
        err << "mirrant: warning: cannot create the folder " << app.ProgramDataFolder() << "\n";
    }
    const int code = request.m_action == CliAction::DumpList
                         ? DumpList(app, request.m_Files[0], request.m_passwords, out, err)
                         : MakeList(app, request.m_Files[0], request.m_Files[1], err);
    std::string error;
    if (!app.Exit(&error)) {
        err << "mirrant: warning: cannot store the FTP time shifts: " << error << "\n";
    }
    return code;
}

int OpenMainWindow(IFileSystem& fs, const MainWindowEntry& mainWindow,
                   const std::string& listToOpen, std::ostream& err) {
    if (!mainWindow) {
        return NotAvailable(IDS_NO_DISPLAY, err);
    }
    CProfile profile(fs);
    CMirrantApp app(fs, profile);
    if (!app.Startup()) {
        err << "mirrant: warning: cannot create the folder " << app.ProgramDataFolder() << "\n";
    }
    const int code = mainWindow(app, listToOpen);
    std::string error;
    if (!app.Exit(&error)) {
        err << "mirrant: warning: cannot store the FTP time shifts: " << error << "\n";
    }
    return code;
}

// The switches of the original command line: a run of tasks, or the main window.
int RunOriginal(IFileSystem& fs, const std::vector<std::string>& args, const CCliRequest& request,
                const MainWindowEntry& mainWindow, const RunWindowsEntry& runWindows,
                std::ostream& out, std::ostream& err) {
    CMyComLineInfo info;
    info.ParseAll(request.m_Original);
    info.m_bByScheduler = request.m_bScheduled;
    info.m_bRestore = request.m_bRestore;
    info.m_dryRun = request.m_dryRun;
    if (WantsElevation(info)) {
        ElevateSelf(fs, args);
    }
    for (const std::string& unknown : info.m_UnknownSwitches) {
        err << "mirrant: warning: unknown switch '" << unknown << "' ignored\n";
    }
    if (DecideStart(info) == StartKind::Interactive && info.m_dryRun != DryRunOutput::None) {
        err << "mirrant: option '--dry-run' needs a task list (/F:LIST) and tasks to run\n"
            << "Try 'mirrant --help' for more information.\n";
        return kExitUsage;
    }
    if (DecideStart(info) == StartKind::Interactive) {
        return OpenMainWindow(
            fs, mainWindow,
            info.m_strFileToOpen.empty() ? info.m_strTaskList : info.m_strFileToOpen, err);
    }
    CProfile profile(fs);
    CMirrantApp app(fs, profile);
    if (!app.Startup()) {
        err << "mirrant: warning: cannot create the folder " << app.ProgramDataFolder() << "\n";
    }
    // The run windows take the language themselves; without them the log and the mail still
    // speak the user's language.
    if (!runWindows) {
        if (const std::string why = UseChosenLanguage(fs, profile, err); !why.empty()) {
            err << "mirrant: warning: " << why << "\n";
        }
    }
    return RunUnattended(app, info, out, err, runWindows);
}

}  // namespace

int RunMirrant(IFileSystem& fs, const std::vector<std::string>& args, std::string_view version,
               std::ostream& out, std::ostream& err, const MainWindowEntry& mainWindow,
               const RunWindowsEntry& runWindows) {
    const CCliRequest request = ParseCommandLine(args);
    switch (request.m_action) {
        case CliAction::Help:
            out << HelpText() << std::flush;
            return out ? kExitOk : kExitCannotWrite;
        case CliAction::Version:
            out << "mirrant (Twinvale) " << version << std::endl;
            return out ? kExitOk : kExitCannotWrite;
        case CliAction::UsageError:
            err << "mirrant: " << request.m_strError
                << "\nTry 'mirrant --help' for more information.\n";
            return kExitUsage;
        case CliAction::Interactive:
            return OpenMainWindow(fs, mainWindow, {}, err);
        case CliAction::Original:
            return RunOriginal(fs, args, request, mainWindow, runWindows, out, err);
        case CliAction::DumpList:
        case CliAction::MakeList:
            return RunListCommand(fs, request, out, err);
    }
    return kExitUsage;
}

}  // namespace tv
