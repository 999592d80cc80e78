#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "app/CliOptions.h"
#include "app/RunWindows.h"

namespace tv {

class CMirrantApp;
class IFileSystem;

// Opens the main window on a started application and returns the exit code once it has
// closed; `listToOpen` is the list named on the command line, or empty for the last one.
using MainWindowEntry = std::function<int(CMirrantApp& app, const std::string& listToOpen)>;

// The whole of mirrant: parses `args` (without the program name), acts, and returns the exit
// code (CliExitCode). Every file it touches goes through `fs`. Output goes to `out`, messages
// to `err`. Without `mainWindow` a start that asks for the main window ends with
// kExitNotAvailable; without `runWindows` a run of tasks reports on the terminal. Both are
// given when there is a display. Blocks on disk I/O; main thread.
int RunMirrant(IFileSystem& fs, const std::vector<std::string>& args, std::string_view version,
               std::ostream& out, std::ostream& err, const MainWindowEntry& mainWindow = {},
               const RunWindowsEntry& runWindows = {});

// The list commands, on an application that has been started.
int DumpList(CMirrantApp& app, const std::string& path, PasswordView passwords, std::ostream& out,
             std::ostream& err);
int MakeList(CMirrantApp& app, const std::string& jsonPath, const std::string& outPath,
             std::ostream& err);

std::string HelpText();

}  // namespace tv
