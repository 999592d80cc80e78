#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "e2e/RunTestSupport.h"

namespace runtest {

// Runs of the real program on tasks whose target is a zip archive, checked with the archivers
// of the system (Info-ZIP zip and unzip, Python's zipfile).
class ArchiveRunTest : public RunTest {
  protected:
    // A backup task with the archive `zip` as its target.
    static Json ArchiveTask(int id, const fs::path& source, const fs::path& zip) {
        Json task = Task(id, source, {zip});
        task["m_dwOptions"] = 0x821;   // backup/restore task, target update, subfolders
        task["m_dwOptions3"] = 0xC02;  // plain-text log, archive target
        return task;
    }

    // A shell command's exit status; its output goes to `out` when one is named.
    static int Shell(const std::string& command, const fs::path& out = {}) {
        const std::string redirect =
            out.empty() ? " >/dev/null 2>&1" : " >'" + out.string() + "' 2>&1";
        const int status = std::system((command + redirect).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static bool Have(const std::string& tool) { return Shell("command -v " + tool) == 0; }

    // Runs a Python program with `args`; its output in `output`.
    int Python(const std::string& program, const std::string& args, std::string& output) {
        const fs::path script = m_home.Root() / "check.py";
        const fs::path out = m_home.Root() / "python.out";
        tvtest::WriteFile(script, program);
        const int status = Shell("python3 '" + script.string() + "' " + args, out);
        output = tvtest::ReadFile(out);
        return status;
    }

    static std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

    // Seconds since 1970 of a path's last write, and its permission bits.
    static int64_t MTime(const fs::path& path) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 ? st.st_mtim.tv_sec : -1;
    }
    static unsigned Mode(const fs::path& path) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
    static void SetMTime(const fs::path& path, int64_t seconds) {
        fs::last_write_time(path, fs::file_time_type::clock::from_sys(
                                      std::chrono::sys_seconds(std::chrono::seconds(seconds))));
    }
};

}  // namespace runtest
