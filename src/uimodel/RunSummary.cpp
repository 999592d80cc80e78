#include "uimodel/RunSummary.h"

#include "base/StringTable.h"
#include "task/Element.h"
#include "uimodel/MainWindowStrings.h"

namespace tv {

namespace {

std::string Counts(int first, int second) {
    return FormatText(LoadString(IDS_MW_SUMMARY_COUNTS).c_str(), first, second);
}

// The column title already says "Task ID", so a cell holds only the id and the name.
std::string TaskCell(const CRunSummaryRow& row) {
    return std::to_string(row.m_nTaskId) + "  " + row.m_strName;
}

// "Files copied  (from src/from target): " heads its column as "Files copied (from src/from
// target)": the title is the line's own text in every language.
std::string ColumnTitle(int id) {
    std::string title;
    for (const char c : LoadString(id)) {
        if (c != ' ' || (!title.empty() && title.back() != ' ')) {
            title += c;
        }
    }
    while (!title.empty() && (title.back() == ' ' || title.back() == ':')) {
        title.pop_back();
    }
    return title;
}

}  // namespace

CRunSummaryRow SummaryRowOf(const CElement& task, bool errorEnd) {
    const CTaskRunState& run = task.m_Run;
    CRunSummaryRow row;
    row.m_nTaskId = task.m_nTaskId;
    row.m_strName = task.m_strName;
    const CChangeCounts changes = run.Changes();
    row.m_nCopiedFromSource = static_cast<int>(changes.m_nCopiedFromSource);
    row.m_nCopiedFromTarget = static_cast<int>(changes.m_nCopiedFromTarget);
    row.m_nDeletedInSource = static_cast<int>(changes.m_nDeletedInSource);
    row.m_nDeletedInTarget = static_cast<int>(changes.m_nDeletedInTarget);
    row.m_nErrors = static_cast<int>(run.Count(CTaskInfor::Errors));
    row.m_bErrorEnd = errorEnd;
    return row;
}

std::vector<std::string> SummaryColumns() {
    return {ColumnTitle(IDS_MW_SUMMARY_CAPTION), ColumnTitle(IDS_MW_SUMMARY_COPIED),
            ColumnTitle(IDS_MW_SUMMARY_DELETED), ColumnTitle(IDS_MW_SUMMARY_ERRORS)};
}

std::vector<std::string> SummaryCells(const CRunSummaryRow& row) {
    const std::string errors = std::to_string(row.m_nErrors);
    return {TaskCell(row), Counts(row.m_nCopiedFromSource, row.m_nCopiedFromTarget),
            Counts(row.m_nDeletedInSource, row.m_nDeletedInTarget),
            row.m_bErrorEnd && row.m_nErrors > 0 ? "!!! " + errors : errors};
}

std::string SummaryText(const std::vector<CRunSummaryRow>& rows) {
    std::string text;
    for (const CRunSummaryRow& row : rows) {
        if (!text.empty()) {
            text += "\n";
        }
        text += FormatText(LoadString(IDS_MW_SUMMARY_TASK).c_str(), row.m_nTaskId,
                           row.m_strName.c_str()) +
                "\n" + LoadString(IDS_MW_SUMMARY_COPIED) +
                Counts(row.m_nCopiedFromSource, row.m_nCopiedFromTarget) + "       " +
                LoadString(IDS_MW_SUMMARY_DELETED) +
                Counts(row.m_nDeletedInSource, row.m_nDeletedInTarget);
        if (row.m_nErrors > 0) {
            text += (row.m_bErrorEnd ? "\n!!!" + LoadString(IDS_MW_SUMMARY_ERRORS) + " "
                                     : "\n" + LoadString(IDS_MW_SUMMARY_ERRORS)) +
                    FormatText(" %d", row.m_nErrors);
        }
    }
    return text;
}

}  // namespace tv
