#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "task/TaskInfor.h"

namespace tvtest {

// The lines of one list of a run record, read back in order.
inline std::vector<std::string> LinesOf(const tv::CTaskInfor& infor, tv::CTaskInfor::List list) {
    std::vector<std::string> lines;
    infor.ForEachLine(list, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

}  // namespace tvtest
