#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <sys/stat.h>

#include "support/TestEnv.h"

namespace tvtest {

// Stand-ins for the service program. Each writes its arguments (one a line) and what the first
// target held at its start next to itself, then waits for SIGTERM; the stubborn one ignores it.
inline constexpr char kObedientService[] =
    "#!/bin/sh\n"
    "printf '%s\\n' \"$@\" > \"$0.args\"\n"
    "ls \"$3\" > \"$0.seen\"\n"
    "trap 'rm -f \"$0.args\"; exit 0' TERM\n"
    "while :; do sleep 0.05; done\n";
inline constexpr char kStubbornService[] =
    "#!/bin/sh\n"
    "printf '%s\\n' \"$@\" > \"$0.args\"\n"
    "trap '' TERM\n"
    "while :; do sleep 0.05; done\n";

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
