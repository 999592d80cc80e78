#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/TestEnv.h"

namespace runtest {

namespace fs = std::filesystem;
using Json = nlohmann::json;

struct CRun {
    int m_exit = -1;
    int m_signal = 0;  // the signal that ended the program, if one did
    std::string m_err;
    std::string m_out;
};

// Runs of the real program on task lists made with --make-list, in an isolated home. Input
// comes from /dev/null unless a terminal is named, so nobody can answer a question.
class RunTest : public ::testing::Test {
  protected:
    // `whileRunning` is called with the child's pid once it has started. With the path of a
    // `terminal`, standard input and error go to it (and m_err stays empty), so the program
    // can ask.
    CRun Mirrant(std::vector<std::string> args,
                 const std::function<void(int pid)>& whileRunning = nullptr,
                 const std::string& terminal = {});

    // One task as JSON: a one-way backup of `source` to `targets` with a plain-text log.
    static Json Task(int id, const fs::path& source, const std::vector<fs::path>& targets);
    // Writes a list of `tasks` with --make-list and returns its path.
    std::string MakeList(const std::vector<Json>& tasks);

    fs::path Dir(const std::string& name) const;
    // The log of task `id` at its default place.
    std::string Log(int id) const;
    static bool Same(const fs::path& a, const fs::path& b);

    tvtest::CIsolatedHome m_home;
};

}  // namespace runtest
