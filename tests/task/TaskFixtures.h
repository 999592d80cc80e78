#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "support/TestEnv.h"
#include "task/TaskList.h"

namespace tvtest {

inline std::span<const uint8_t> AsBytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

inline std::string AsText(const std::vector<uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// A list of tests/fixtures/tasklists (see make_tasklists.py there).
inline tv::CTaskList LoadGolden(const std::string& name, const tv::CProfile& profile) {
    const auto path =
        std::filesystem::path(TWINVALE_SOURCE_DIR) / "tests" / "fixtures" / "tasklists" / name;
    tv::CTaskList list;
    const tv::CListLoadResult result =
        list.Load(tv::LocalFileSystem(), AsBytes(ReadFile(path)), profile);
    EXPECT_TRUE(result.Ok()) << name << ": " << result.m_strError;
    return list;
}

// Makes `task` the first golden task, whose every stored field differs from its default. (Copies
// of a record do not take its reserved values, so they are set here.)
inline void MakeFull(tv::CElement& task, const tv::CProfile& profile) {
    task = *LoadGolden("v590.tsl", profile).m_Tasks.at(0);
    task.m_nReserved1 = 11;
    task.m_nReserved2 = 12;
    task.m_nReserved3 = 13;
    task.m_nReserved4 = 14;
    task.m_nNextTarget = 1;
}

}  // namespace tvtest
