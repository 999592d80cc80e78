#pragma once

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "scan/Investigate.h"
#include "scan/TreeF.h"
#include "support/FaultFileSystem.h"
#include "support/InforLines.h"
#include "task/Element.h"

namespace tvtest {

// The real file system with scripted faults: the next ReadFolder calls on a path fail with the
// queued errors, and a hook sees each of them first.
class CFaultyFileSystem : public CFaultFileSystem {
  public:
    std::function<void(const std::string& path)> m_hook;

    CFaultyFileSystem() : CFaultFileSystem(tv::LocalFileSystem()) {
        FailWhen([this](Op op, const std::string& path) {
            if (op != Op::ReadFolder) {
                return 0;
            }
            if (m_hook) {
                m_hook(path);
            }
            return TakeFault(path);
        });
    }

    void FailNext(const std::string& path, std::vector<int> errors) {
        std::lock_guard lock(m_mutex);
        m_faults[path].insert(m_faults[path].end(), errors.begin(), errors.end());
    }
    int Calls(const std::string& path) {
        std::lock_guard lock(m_mutex);
        return m_calls[path];
    }

  private:
    int TakeFault(const std::string& path) {
        std::lock_guard lock(m_mutex);
        ++m_calls[path];
        auto& queue = m_faults[path];
        const int error = queue.empty() ? 0 : queue.front();
        if (!queue.empty()) {
            queue.erase(queue.begin());
        }
        return error;
    }

    std::mutex m_mutex;
    std::map<std::string, std::vector<int>> m_faults;
    std::map<std::string, int> m_calls;
};

// Answers from a script (Ignore when it runs out) and records the questions.
class CScriptedPrompter : public tv::ITaskPrompter {
  public:
    std::vector<tv::PromptAnswer> m_answers;
    std::vector<std::string> m_questions;

    tv::PromptAnswer AbortRetryIgnore(const std::string& message) override {
        m_questions.push_back(message);
        const auto answer = m_answers.empty() ? tv::PromptAnswer::Ignore : m_answers.front();
        if (!m_answers.empty()) {
            m_answers.erase(m_answers.begin());
        }
        return answer;
    }
    tv::PromptAnswer YesNo(const std::string&) override { return tv::PromptAnswer::No; }
};

class CRecordingObserver : public tv::ITaskObserver {
  public:
    void Investigating(tv::Side side) override {
        std::lock_guard lock(m_mutex);
        m_investigating.push_back(side);
    }
    void AddError(const std::string& line) override {
        std::lock_guard lock(m_mutex);
        m_errors.push_back(line);
    }

    std::mutex m_mutex;
    std::vector<tv::Side> m_investigating;
    std::vector<std::string> m_errors;
};

// One task with a local source and (optionally) one local target, ready to investigate.
struct CScanRun {
    explicit CScanRun(const std::filesystem::path& source,
                      const std::filesystem::path& target = {}) {
        task.m_Source.m_strPath = source.string();
        if (!target.empty()) {
            task.m_Targets.resize(1);
            task.m_Targets[0].m_strPath = target.string();
        }
        task.m_Run.Attach(&observer, &prompter);
        tvtest::BeginRun(task.m_Run);
        sourceTree.sourceOnly = true;
    }

    // Lists through `fs` when given, else through the real file system.
    bool Investigate(tv::IFileSystem* fs = nullptr, bool singleTarget = true) {
        tv::IFileSystem& lister = fs ? *fs : tv::LocalFileSystem();
        request.m_Source = {&task.m_Source, &sourceTree, &lister};
        if (!task.m_Targets.empty()) {
            request.m_Target = {&task.m_Targets[0], &targetTree, &lister};
        }
        request.m_bSingleTarget = singleTarget;
        return tv::InvestigateSides(task, request);
    }

    std::vector<std::string> Errors() const {
        return tvtest::LinesOf(task.m_Run, tv::CTaskInfor::Errors);
    }
    bool HasError(const std::string& line) const {
        const std::vector<std::string> errors = Errors();
        return std::find(errors.begin(), errors.end(), line) != errors.end();
    }

    tv::CElement task;
    CRecordingObserver observer;
    CScriptedPrompter prompter;
    tv::CInvestigationRequest request;
    tv::CTreeF sourceTree;
    tv::CTreeF targetTree;
};

inline const tv::CTreeF* FindFolder(const tv::CTreeF& node, const std::string& name) {
    for (const auto& child : node.subfolders) {
        if (child->name == name) {
            return child.get();
        }
    }
    return nullptr;
}

inline const tv::CFileDoInfo* FindFile(const tv::CTreeF& node, const std::string& name) {
    for (const auto& file : node.files) {
        if (file.name == name) {
            return &file;
        }
    }
    return nullptr;
}

}  // namespace tvtest
