#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/TestEnv.h"

namespace livetest {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A tvservice process started with `args`; killed when still running at the end.
class CService {
  public:
    explicit CService(const std::vector<std::string>& args, const fs::path& stderrFile);
    ~CService();
    CService(const CService&) = delete;
    CService& operator=(const CService&) = delete;

    int Pid() const { return m_pid; }
    // Sends `signal` and waits up to `limit` for the end: the exit code, or -1 when it did not
    // end in time (it is then killed).
    int Stop(int signal, std::chrono::milliseconds limit);
    // Waits up to `limit` for an end without a signal: the exit code, or -1.
    int Wait(std::chrono::milliseconds limit);

  private:
    int m_pid = -1;
};

// Polls `done` every `interval` until it holds or `limit` passed.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
               std::chrono::milliseconds interval = 5ms);

// The first difference between two trees (type, size, content of every file; folders by
// their entries), or "" when they are equal. Entries for which `skip` (relative path) is true
// are left out on both sides.
std::string TreeDifference(const fs::path& a, const fs::path& b,
                           const std::function<bool(const std::string&)>& skip = {});

// A home of its own, a source and two targets, and the service's log.
class LiveTest : public ::testing::Test {
  protected:
    static constexpr char kName[] = "TwinvaleRealTask_7";

    fs::path Dir(const std::string& name);
    // Starts tvservice NAME SOURCE TARGETS and waits until it watches.
    std::unique_ptr<CService> Start(const fs::path& source, const std::vector<fs::path>& targets);
    // The service's log where it goes without a task file.
    fs::path LogPath() const;
    std::string Log() const { return tvtest::ReadFile(LogPath()); }
    // Waits until every target equals the source; EXPECTs it.
    void ExpectConverges(const fs::path& source, const std::vector<fs::path>& targets,
                         std::chrono::milliseconds limit,
                         const std::function<bool(const std::string&)>& skip = {});

    tvtest::CIsolatedHome m_home;
    fs::path m_logPath;  // set by a test that names another log folder
};

}  // namespace livetest
