#pragma once

#include <string>
#include <vector>

namespace tv {

class CElement;

// The directory comparison program's name, and the descriptor on which it finds the passwords.
inline constexpr char kCompareProgram[] = "twinvale-cmp";
inline constexpr int kCompareSecretFd = 3;

// What the Compare command hands the comparison program: its switches, one argument each,
// and the passwords apart from them. The passwords travel through a pipe that the program
// inherits ("/pwfd:N" names it), since every user of the machine can read a command line.
struct CCompareCommand {
    std::vector<std::string> m_args;
    // The password switches ("/lp:secret"), each ended by a NUL; empty without FTP sides.
    std::string m_strSecrets;
};

// The comparison of the task's source with its first target: "/i" when the task includes
// subfolders; per side either the folder ("/s:" or "/d:", ending in "/") or the FTP site's
// settings. Pure.
CCompareCommand BuildCompareCommand(const CElement& task);

// The switches as started, "/pwfd:N" last when there are passwords. Pure.
std::vector<std::string> CompareArguments(const CCompareCommand& command);

// The command as the main window remembers it: the program's name and the arguments, those
// with blanks in double quotation marks; never a password. Pure.
std::string CompareCommandText(const CCompareCommand& command);

// The comparison program beside `programFolder`, else on the absolute folders of PATH (never
// the working folder); empty when neither has it. Any thread.
std::string FindCompareProgram(const std::string& programFolder);

// Starts `program` with the command, detached, the passwords on the inherited pipe. False when
// it could not be started. Blocks until the program has been executed; any thread.
bool StartCompare(const std::string& program, const CCompareCommand& command);

}  // namespace tv
