#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "report/TaskLogSummary.h"
#include "task/Element.h"

namespace tvtest {

// A task with a local source and no targets yet; `id` names its log.
inline void PrepareTask(tv::CElement& task, int id, const std::string& source) {
    task.m_nTaskId = id;
    task.m_strName = "Docs";
    task.m_Source.m_strPath = source;
}

// Adds a target with a fresh run record, as the launcher does; returns the record. Its lines
// stay in memory unless a spool folder is given.
inline tv::CTaskInfor& AddTarget(tv::CElement& task, const std::string& path,
                                 const std::string& spoolFolder = {}) {
    tv::CTag target;
    target.m_strPath = path;
    task.m_Targets.push_back(target);
    task.m_Run.m_TaskInfors.push_back(
        spoolFolder.empty() ? std::make_unique<tv::CTaskInfor>()
                            : std::make_unique<tv::CTaskInfor>(tv::LocalFileSystem(), spoolFolder));
    return *task.m_Run.m_TaskInfors.back();
}

// Gathers the lines of a report.
class CLineCollector final : public tv::ILogSink {
  public:
    void Put(std::string_view line) override { m_lines.emplace_back(line); }
    std::string Joined() const {
        std::string text;
        for (const std::string& line : m_lines) {
            text += line;
        }
        return text;
    }

    std::vector<std::string> m_lines;
};

inline const tv::CRunTexts kTexts{"Task started: Monday, May 06, 2024, 10:00",
                                  "Task ended: Monday, May 06, 2024, 10:05"};

}  // namespace tvtest
