#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace tv {

// Starts the program at the absolute path `argv[0]` with the arguments as given (no shell in
// between), detached from this process: in a session of its own, in "/", with its standard
// streams on /dev/null and default signal handling. It is never this process's child, so it
// outlives the program and never becomes its zombie. 0 and its pid in `pid`, or the errno value
// of the step that failed (the program could not be executed, say). Blocks until the program
// has been executed; any thread.
int StartDetached(const std::vector<std::string>& argv, pid_t& pid);

// As StartDetached, with the reading end of a pipe that holds `input` (at most 4096 bytes, then
// its end) open in the program as descriptor `childFd` (3 or above): the way to hand a program
// what must not show in the process table. Blocks until the program has been executed; any
// thread.
int StartDetachedWithInput(const std::vector<std::string>& argv, const std::string& input,
                           int childFd, pid_t& pid);

// Whether `pid` is a live process started as `program` with `name` as its first argument. A
// process that ended, a zombie, and a pid the system has since given to another program all
// answer false. A script counts under its interpreter too ("/bin/sh program name ..."). Reads
// /proc; any thread.
bool IsServiceProcess(pid_t pid, const std::string& program, const std::string& name);

// A live process as IsServiceProcess counts it, found among all of the user's processes (one
// the desktop started at login has no pid on record); -1 when there is none. Reads /proc; any
// thread.
pid_t FindServiceProcess(const std::string& program, const std::string& name);

// Asks `pid` to end (SIGTERM). 0, or the errno value (ESRCH when it is gone). Any thread.
int AskToEnd(pid_t pid);

// The real-time service program: `tvservice` in the folder of the running program, never one
// found on PATH or in the working folder. TWINVALE_TVSERVICE, when set to an absolute path,
// names a stand-in instead; only tests set it. Any thread.
std::string ServiceProgramPath();

}  // namespace tv
