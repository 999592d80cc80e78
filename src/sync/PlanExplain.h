#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "scan/FileDoInfo.h"
#include "task/Options.h"

namespace tv {

class CElement;

// One step the pass takes on an item, as the preview and the dry run name it.
enum class PlannedStep : uint8_t {
    Skip,
    CopyToTarget,
    CopyToSource,
    CopyToThirdPlace,
    AddToArchive,
    DeleteInSource,
    DeleteInTarget,
    AttributesToTarget,
    AttributesToSource,
    TimesToTarget,
    TimesToSource,
    CreateFolderInTarget,
    CreateFolderInSource,
    RemoveFolderInTarget,
    RemoveFolderInSource,
    DeleteSourceAfterCopy,  // "Delete source files after task finishing", once the target holds it
};

// Why an item is planned as it is: the record's reason with the numbers it rests on. The
// numbers are whole values of the record, so the text can be rebuilt in any language.
struct CPlanExplanation {
    PlanReason m_reason = PlanReason::None;
    int m_nCriterion = COMPARE_TIME;  // the task's comparison criterion
    int64_t m_nTimeDelta = 0;         // this record's last write minus its twin's, in 100 ns
    uint64_t m_nSourceSize = 0;
    uint64_t m_nTargetSize = 0;
    bool m_bTimesDiffer = false;  // beyond the comparison's tolerance
    std::string m_strDetail;      // the mask of a filter reason
};

// The step the pass takes on `record` of a planned tree (Skip when none). `thirdPlace`: the
// copies of a target update go to the third place. Any thread.
PlannedStep StepOf(const CFileDoInfo& record, RunKind kind, bool thirdPlace);
CPlanExplanation ExplainRecord(const CFileDoInfo& record, const CElement& task);

// The texts, through the string table: "copy to target", "newer in source by 3 s". Any thread.
std::string StepText(PlannedStep step);
std::string ReasonText(const CPlanExplanation& why);
// "copy to target: newer in source by 3 s", the line the preview's tooltip and the dry run show.
std::string ExplainedStep(PlannedStep step, const CPlanExplanation& why);

// Stable names for scripts ("copy-to-target", "newer-in-source"), never translated.
std::string_view StepKey(PlannedStep step);
std::string_view ReasonKey(PlanReason reason);

// Seconds of a 100-ns difference as text: "3", or "3.4" when not whole. Any thread.
std::string SecondsText(int64_t ticks);

}  // namespace tv
