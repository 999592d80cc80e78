#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <sys/stat.h>

#include "support/TestEnv.h"

namespace tvtest {

// Stand-ins for the service program. Each sets up its answer to SIGTERM, writes what the first
// target held at its start and then its arguments (one a line) next to itself, and waits; the
// obedient one removes the arguments and ends on SIGTERM, the stubborn one ignores it. Both
// end on their own after a minute, so a failed test leaves no process behind for long.
inline constexpr char kObedientService[] =
    "#!/bin/sh\n"
    "trap 'rm -f \"$0.args\"; exit 0' TERM\n"
    "ls \"$3\" > \"$0.seen\"\n"
    "printf '%s\\n' \"$@\" > \"$0.args\"\n"
    "i=0; while [ $i -lt 1200 ]; do sleep 0.05; i=$((i + 1)); done\n";
inline constexpr char kStubbornService[] =
    "#!/bin/sh\n"
    "trap '' TERM\n"
    "printf '%s\\n' \"$@\" > \"$0.args\"\n"
    "i=0; while [ $i -lt 1200 ]; do sleep 0.05; i=$((i + 1)); done\n";

inline std::string WriteStandIn(const std::filesystem::path& path, const char* script) {
    std::filesystem::create_directories(path.parent_path());
    WriteFile(path, script);
    chmod(path.c_str(), 0755);
    return path.string();
}

// Waits up to five seconds for `done`.
template <class Fn>
bool Eventually(Fn done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace tvtest
