#pragma once

#include <string>
#include <vector>

#include "scan/SkippedItems.h"
#include "sync/PlanExplain.h"

namespace tv {

class CElement;
class CTreeF;

// One line of a dry run: a step the run would take, or an item it would leave alone.
struct CDryRunItem {
    PlannedStep m_step = PlannedStep::Skip;
    std::string m_strPath;  // relative to the roots of the target
    CPlanExplanation m_why;
    bool m_bFolder = false;
};

// The plan of one target, in the order the pass would take its steps; the skips follow.
struct CDryRunTarget {
    int m_nTargetIndex = 0;
    std::string m_strSource;  // the roots as the run reads them
    std::string m_strTarget;
    std::vector<CDryRunItem> m_Items;
};

// What decides which steps a planned tree turns into.
struct CDryRunShape {
    RunKind m_kind = RunKind::Synchronize;
    bool m_bArchive = false;     // the pass is the archive packer's
    bool m_bThirdPlace = false;  // the copies of a target update go to the third place
    bool m_bLastTarget = true;   // "Delete source files after task finishing" acts now
};

// Receives what a dry run found. A run given one plans as usual and then stops short of every
// change: no log, no snapshot, no last synchronization, no program started.
class IDryRunReport {
  public:
    virtual ~IDryRunReport() = default;
    // The plan of one target. Worker thread of the run; must not block for long.
    virtual void Planned(const CElement& task, const CDryRunTarget& target) = 0;
    // Something the run would do that no plan lists (a question first, an archive unpacked).
    // Worker thread of the run.
    virtual void Note(const CElement& task, const std::string& line) = 0;
};

// The steps of a planned, merged tree as the pass would take them (the one-sided folders
// decided as the pass decides them, a removed folder followed by what it held), then every
// item left alone with its reason, `skipped` last. Does not block; any thread that owns the
// tree.
std::vector<CDryRunItem> ListPlannedSteps(const CElement& task, const CTreeF& merged,
                                          const CDryRunShape& shape,
                                          const std::vector<CSkippedItem>& skipped);

}  // namespace tv
