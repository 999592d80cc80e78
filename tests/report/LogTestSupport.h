#pragma once

#include <memory>
#include <string>

#include "report/TaskLogSummary.h"
#include "task/Element.h"

namespace tvtest {

// A task with a local source and no targets yet; `id` names its log.
inline void PrepareTask(tv::CElement& task, int id, const std::string& source) {
    task.m_nTaskId = id;
    task.m_strName = "Docs";
    task.m_Source.m_strPath = source;
}

// Adds a target with a fresh run record, as the launcher does; returns the record.
inline tv::CTaskInfor& AddTarget(tv::CElement& task, const std::string& path) {
    tv::CTag target;
    target.m_strPath = path;
    task.m_Targets.push_back(target);
    task.m_Run.m_TaskInfors.push_back(std::make_unique<tv::CTaskInfor>());
    return *task.m_Run.m_TaskInfors.back();
}

inline const tv::CRunTexts kTexts{"Task started: Monday, May 06, 2024, 10:00",
                                  "Task ended: Monday, May 06, 2024, 10:05"};

}  // namespace tvtest
