#pragma once

#include <chrono>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "report/TaskLog.h"
#include "run/TaskLauncher.h"
#include "support/TestEnv.h"
#include "task/Element.h"

namespace tvtest {

namespace fs = std::filesystem;

// Answers from scripts (Ignore and No once they run out) and keeps every question. Questions
// may come from investigation threads, hence the lock.
class CScriptedPrompter : public tv::ITaskPrompter {
  public:
    std::deque<tv::PromptAnswer> m_abortRetryIgnore;
    std::deque<tv::PromptAnswer> m_yesNo;

    tv::PromptAnswer AbortRetryIgnore(const std::string& message) override {
        return Next(m_abortRetryIgnore, message, tv::PromptAnswer::Ignore);
    }
    tv::PromptAnswer YesNo(const std::string& message) override {
        return Next(m_yesNo, message, tv::PromptAnswer::No);
    }
    std::vector<std::string> Questions() {
        std::lock_guard lock(m_mutex);
        return m_questions;
    }

  private:
    tv::PromptAnswer Next(std::deque<tv::PromptAnswer>& script, const std::string& message,
                          tv::PromptAnswer otherwise) {
        std::lock_guard lock(m_mutex);
        m_questions.push_back(message);
        const tv::PromptAnswer answer = script.empty() ? otherwise : script.front();
        if (!script.empty()) {
            script.pop_front();
        }
        return answer;
    }
    std::mutex m_mutex;
    std::vector<std::string> m_questions;
};

class CRecordingObserver : public tv::ITaskObserver {
  public:
    void Status(int id) override {
        std::lock_guard lock(m_mutex);
        m_status.push_back(id);
    }
    void TaskEnd(tv::RunEnd end) override {
        std::lock_guard lock(m_mutex);
        m_ends.push_back(end);
    }
    void Investigating(tv::Side) override {
        std::lock_guard lock(m_mutex);
        ++m_nProgress;
    }
    void CopyProgress(int) override {
        std::lock_guard lock(m_mutex);
        ++m_nProgress;
    }
    void AddError(const std::string& line) override {
        std::lock_guard lock(m_mutex);
        m_errors.push_back(line);
    }
    void AddDetail(const std::string& line) override {
        std::lock_guard lock(m_mutex);
        m_details.push_back(line);
    }
    size_t Calls() {
        std::lock_guard lock(m_mutex);
        return m_status.size() + m_ends.size() + m_nProgress + m_errors.size() + m_details.size();
    }
    std::mutex m_mutex;
    std::vector<int> m_status;
    std::vector<tv::RunEnd> m_ends;
    size_t m_nProgress = 0;
    std::vector<std::string> m_errors;
    std::vector<std::string> m_details;
};

inline constexpr uint32_t kContinuePrefs = static_cast<uint32_t>(tv::ErrorPolicy::Continue);

// A file with its parents, and a last-write time in seconds since 1970 when one is given.
inline void Put(const fs::path& path, const std::string& content, int64_t mtime = 0) {
    fs::create_directories(path.parent_path());
    WriteFile(path, content);
    if (mtime != 0) {
        fs::last_write_time(path, fs::file_time_type::clock::from_sys(
                                      std::chrono::sys_seconds(std::chrono::seconds(mtime))));
    }
}

inline int64_t NowSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Runs tasks through the launcher on real folders below a temporary folder, in a home of
// their own.
class CRunTest : public ::testing::Test {
  protected:
    std::string Path(const std::string& relative) const { return (m_dir / relative).string(); }

    // A task over "src" and the targets "t0", "t1"...: subfolders included, an 8-bit log.
    tv::CElement MakeTask(uint32_t options1 = 0, size_t targets = 1) {
        tv::CElement task;
        task.m_nTaskId = 7;
        task.m_dwOptions = tv::opt1::kIncludeSubfolders | options1;
        task.m_dwOptions3 = tv::opt3::kAsciiLog;
        task.m_Source.m_strPath = Path("src");
        fs::create_directories(Path("src"));
        for (size_t i = 0; i < targets; ++i) {
            task.m_Targets.emplace_back().m_strPath = Path("t" + std::to_string(i));
            fs::create_directories(task.m_Targets.back().m_strPath);
        }
        return task;
    }

    tv::RunEnd Run(tv::CElement& task, tv::RunCommand command = tv::RunCommand::Sync,
                   uint32_t prefs = kContinuePrefs, tv::IPreviewHandler* preview = nullptr) {
        task.m_Run.Attach(&m_observer, m_bNoPrompter ? nullptr : &m_prompter);
        tv::CTaskLauncher launcher(*m_pFs, {prefs, preview, {}, nullptr});
        EXPECT_EQ(launcher.Launch({&task}, command), 1u);
        launcher.WaitAll();
        EXPECT_FALSE(task.m_Run.IsRunning());
        return task.m_Run.Ending();
    }

    std::string Log(const tv::CElement& task) const {
        return ReadFile(tv::DefaultLogPath(task.m_nTaskId));
    }

    CIsolatedHome m_home;
    CTempDir m_dir;
    CScriptedPrompter m_prompter;
    CRecordingObserver m_observer;
    bool m_bNoPrompter = false;
    tv::IFileSystem* m_pFs = &tv::LocalFileSystem();  // where the runs work
};

}  // namespace tvtest
