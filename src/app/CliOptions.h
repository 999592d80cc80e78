#pragma once

#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace tv {

// What the GNU-style options of the command line ask for. The switches and plain parameters of
// the original command line ("/F:list", "/A", task ids, a list to open) are collected as they
// are, for the start decision to interpret.
enum class CliAction { Interactive, Help, Version, DumpList, MakeList, Original, UsageError };

// Exit codes of mirrant; --help lists them.
enum CliExitCode : int {
    kExitOk = 0,
    kExitCannotWrite = 1,    // the task list or the output could not be written
    kExitUsage = 2,          // unknown option, missing or extra parameter
    kExitListNotLoaded = 3,  // the task list is missing, unreadable or not a task list
    kExitListDamaged = 4,    // the list was damaged: the complete tasks were dumped
    kExitBadJson = 5,        // the JSON file is unreadable or does not describe a task list
    kExitNotAvailable = 6,   // the main window was asked for and there is no display
};

// Whether --dump-list prints the passwords of the list (--show-passwords) or leaves them out.
enum class PasswordView { Hidden, Shown };

struct CCliRequest {
    CliAction m_action = CliAction::Interactive;
    std::vector<std::string> m_Files;  // the parameters of --dump-list or --make-list
    PasswordView m_passwords = PasswordView::Hidden;
    std::vector<std::string> m_Original;         // the original command line's parameters, in order
    std::string m_strError;                      // what is wrong, for CliAction::UsageError
    bool m_bScheduled = false;                   // --scheduled: the scheduler started this run
    bool m_bRestore = false;                     // --restore: the tasks run as the Restore command
    DryRunOutput m_dryRun = DryRunOutput::None;  // --dry-run, with --json
};

// `args` without the program name.
CCliRequest ParseCommandLine(const std::vector<std::string>& args);

}  // namespace tv
