#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

class CMirrantApp;

// The whole of mirrant: parses `args` (without the program name), acts, and returns the exit
// code (CliExitCode). Output goes to `out`, messages to `err`. Blocks on disk I/O; main thread.
int RunMirrant(const std::vector<std::string>& args, std::string_view version, std::ostream& out,
               std::ostream& err);

// The list commands, on an application that has been started.
int DumpList(CMirrantApp& app, const std::string& path, std::ostream& out, std::ostream& err);
int MakeList(CMirrantApp& app, const std::string& jsonPath, const std::string& outPath,
             std::ostream& err);

std::string HelpText();

}  // namespace tv
