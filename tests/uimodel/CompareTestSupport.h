// What the comparison tests read from a listing.
#pragma once

#include <string>
#include <vector>

#include "uimodel/CompareModel.h"

// The rows as text, a line each: indented by depth, the name ("/" after a folder) and the mark.
inline std::string Shown(const std::vector<tv::CCompareRow>& rows) {
    static const char* const kMarks[] = {"=", "<-", "->", "L", "R", "size", "bytes"};
    std::string text;
    for (const auto& row : rows) {
        text += std::string(static_cast<size_t>(row.m_nDepth) * 2, ' ') + row.m_strName +
                (row.m_bFolder ? "/ " : " ") + kMarks[static_cast<int>(row.m_mark)] + "\n";
    }
    return text;
}
