#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "task/TaskInfor.h"
#include "task/TaskRunState.h"

namespace tvtest {

// The lines of one list of a run record, read back in order.
inline std::vector<std::string> LinesOf(const tv::CTaskInfor& infor, tv::CTaskInfor::List list) {
    std::vector<std::string> lines;
    infor.ForEachLine(list, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

// The lines of one list of the first target's record of a run.
inline std::vector<std::string> LinesOf(const tv::CTaskRunState& run, tv::CTaskInfor::List list) {
    return LinesOf(*run.Records().at(0), list);
}

// Begins a run of one target, with its record in memory, for a test that drives the engine's
// steps without the launcher. A run begun before ends first.
inline void BeginRun(tv::CTaskRunState& run, tv::RunKind kind = tv::RunKind::Synchronize,
                     uint32_t preferences = tv::pref::kDefault) {
    if (run.IsRunning()) {
        run.End(tv::RunEnd::Normal);
    }
    run.Begin(kind, preferences, 1);
}

}  // namespace tvtest
