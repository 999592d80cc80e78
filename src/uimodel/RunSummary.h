#pragma once

#include <string>
#include <vector>

namespace tv {

class CElement;

// What one ended run adds to the summary box of several runs.
struct CRunSummaryRow {
    int m_nTaskId = 0;
    std::string m_strName;
    int m_nCopiedFromSource = 0;
    int m_nCopiedFromTarget = 0;
    int m_nDeletedInSource = 0;
    int m_nDeletedInTarget = 0;
    int m_nErrors = 0;
    bool m_bErrorEnd = false;  // the run ended on an error
};

// The row of `task`, whose run has just ended (`errorEnd`: on an error). GUI thread.
CRunSummaryRow SummaryRowOf(const CElement& task, bool errorEnd);

// The summary as a table: the column titles (the texts of the summary's lines without their
// colons), and per run "Task ID: %d(%s)", the copied and the deleted counts ("%d / %d") and the
// error count, marked "!!!" when the run ended on an error.
std::vector<std::string> SummaryColumns();
std::vector<std::string> SummaryCells(const CRunSummaryRow& row);

// The summary as lines of text: per run "Task ID: %d(%s)", a line break, the copied and deleted
// counts, and the error count when there were errors; runs are separated by line breaks.
std::string SummaryText(const std::vector<CRunSummaryRow>& rows);

}  // namespace tv
