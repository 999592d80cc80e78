#pragma once

#include <string>
#include <vector>

namespace tv {

class CElement;

enum class LogForm { Text, Html };
enum class SummaryForm { Full, SummaryOnly };

// The texts the runner stamps on a run: "Task started: " and "Task ended: " (or "Task
// canceled by user ") with their times.
struct CRunTexts {
    std::string m_strStart;
    std::string m_strEnd;
};

// Appends the report of the task's last run to `lines`: the locations, and per target its
// errors and (in the full form) what was copied, deleted and created, then the totals. Every
// element ends with "\r\n"; in the HTML form markup lines stand between the text lines, and
// the text is escaped. Reads the per-target records, so only once the run's threads are done.
void BuildSummary(const CElement& task, const CRunTexts& texts, std::vector<std::string>& lines,
                  LogForm form, SummaryForm summary);

}  // namespace tv
