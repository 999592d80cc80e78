#pragma once

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

// Gives the task its targets and begins a run with a fresh record for each, as the launcher
// does; returns the records. Their lines stay in memory unless a spool folder is given.
inline std::vector<tv::CTaskInfor*> AddTargets(tv::CElement& task,
                                               const std::vector<std::string>& paths,
                                               const std::string& spoolFolder = {}) {
    for (const std::string& path : paths) {
        task.m_Targets.emplace_back().m_strPath = path;
    }
    task.m_Run.Begin(tv::RunKind::Synchronize, tv::pref::kDefault, paths.size(),
                     spoolFolder.empty() ? nullptr : &tv::LocalFileSystem(), spoolFolder);
    std::vector<tv::CTaskInfor*> records;
    for (const auto& record : task.m_Run.Records()) {
        records.push_back(record.get());
    }
    return records;
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
