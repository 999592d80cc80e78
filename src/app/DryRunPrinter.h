#pragma once

#include <cstddef>
#include <iosfwd>
#include <map>
#include <mutex>
#include <string>

#include "app/CommandLine.h"
#include "run/DryRun.h"

namespace tv {

// Prints the plans of dry runs on standard output, as lines of text or as one JSON object per
// line; each target's plan is written whole, so that the plans of simultaneous runs never mix.
class CDryRunPrinter : public IDryRunReport {
  public:
    CDryRunPrinter(std::ostream& out, DryRunOutput form) : m_out(out), m_form(form) {}

    void Planned(const CElement& task, const CDryRunTarget& target) override;
    void Note(const CElement& task, const std::string& line) override;
    // The counts of all plans of `task`, once its run has ended. Main thread.
    void PrintCounts(const CElement& task);
    // Whether everything printed reached the output.
    bool Ok();

  private:
    struct CCounts {
        size_t m_nCopies = 0;
        size_t m_nDeletions = 0;
        size_t m_nOther = 0;
        size_t m_nSkipped = 0;
    };

    std::string ItemLine(const CElement& task, int target, const CDryRunItem& item) const;
    void Count(const CElement& task, PlannedStep step);

    std::ostream& m_out;
    const DryRunOutput m_form;
    std::mutex m_mutex;
    std::map<const CElement*, CCounts> m_counts;
};

}  // namespace tv
