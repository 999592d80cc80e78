#pragma once

#include <string>
#include <string_view>

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

// Takes a report line by line, so that a report of any size never has to be held whole.
class ILogSink {
  public:
    virtual void Put(std::string_view line) = 0;

  protected:
    ~ILogSink() = default;
};

// Puts the report of the task's last run into `out`: the locations, and per target its errors
// and (in the full form) what was copied, deleted and created, then the totals. Every line ends
// with "\r\n"; in the HTML form markup lines stand between the text lines, and the text is
// escaped. Reads the per-target records, so only once the run's threads are done; blocks on
// disk I/O.
void BuildSummary(const CElement& task, const CRunTexts& texts, ILogSink& out, LogForm form,
                  SummaryForm summary);

}  // namespace tv
