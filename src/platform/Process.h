#pragma once

#include <string>
#include <vector>

namespace tv {

enum class ProgramWait { Wait, DontWait };

// Runs a user's command line through "/bin/sh -c", in `workingFolder` when that is not empty.
// With Wait, blocks (without a time limit) until the program has ended and puts its exit
// status (-1 when it was killed by a signal) in `exitCode`; with DontWait the program is left
// to run on its own, detached from this process, with its input from /dev/null, and never
// becomes a zombie. False when the program could not be started. Any thread.
bool RunCommandLine(const std::string& commandLine, const std::string& workingFolder,
                    ProgramWait wait, int* exitCode = nullptr);

// Runs `argv[0]` (looked up on PATH when it holds no "/") with the arguments as given, no
// shell in between, and waits for it. Its input comes from /dev/null and its output is
// dropped. The exit status, or -1 when it could not be started or was killed. Blocks; any
// thread.
int RunProgram(const std::vector<std::string>& argv);

// As RunProgram, without waiting: the program runs on its own, its input and output
// /dev/null, and is reaped when it ends. False when it could not be started. Any thread.
bool StartProgram(const std::vector<std::string>& argv);

// As RunProgram, with the program's standard output read into `output`. Blocks until the
// program has ended; any thread.
int RunProgramOutput(const std::vector<std::string>& argv, std::string& output);

// Which entries of PATH a lookup tries. AbsoluteOnly leaves out the empty and relative entries,
// which name the working folder: a program found there could be anyone's.
enum class PathFolders { All, AbsoluteOnly };

// The full path of an executable file named `name` in one of the folders of PATH, or an
// empty string. Any thread.
std::string FindOnPath(const std::string& name, PathFolders folders = PathFolders::All);

// The path of the running program's executable file, or an empty string when the system
// cannot tell. Any thread.
std::string OwnExecutable();

// Replaces this process with the program at the absolute path `program` and the arguments
// `argv` (argv[0] included), with no shell in between and the environment as it is. Returns
// only when that could not be done. Main thread, before other threads start.
void ExecProgram(const std::string& program, const std::vector<std::string>& argv);

// Whether this process runs with the rights of the superuser (effective user id 0). Any
// thread.
bool IsSuperUser();

// Everything that can be read from the descriptor `fd` until its end, which it then closes;
// empty when it is not open. Blocks until the writer has closed its end; any thread.
std::string ReadDescriptor(int fd);

// The working folder of this process, or an empty string when it cannot be told (removed).
// Any thread.
std::string CurrentFolder();

}  // namespace tv
