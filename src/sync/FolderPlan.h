#pragma once

#include "scan/FileDoInfo.h"
#include "task/Options.h"
#include "task/Side.h"

namespace tv {

class CElement;
class CTreeF;

// What the pass does with a folder that lies on one side only.
enum class FolderStep : uint8_t {
    Keep,    // left as it is, and not entered
    Create,  // made on the other side, then entered
    Remove,  // removed with everything below it
    Enter,   // entered as it is (the copies go to the third place)
};

struct CFolderDecision {
    FolderStep m_step = FolderStep::Keep;
    Side m_side = Side::Target;  // where a folder is made or removed
    PlanReason m_reason = PlanReason::None;
};

// The decision on the one-sided folder `sub` of a planned tree. `removalBlocked`: a listing
// at or below it, or above it on either side, was cut short. `thirdPlace`: the copies of a
// target update go to the third place. Does not block; any thread.
CFolderDecision DecideOneSidedFolder(const CElement& task, RunKind kind, const CTreeF& sub,
                                     bool removalBlocked, bool thirdPlace);

// Whether the pass goes on below `sub` once it is `usable` (on both sides, made or entered).
bool EntersFolder(const CElement& task, RunKind kind, const CTreeF& sub, bool usable);

// Removing a folder removes everything below it: not when any listing there, or above it on
// either side, was cut short, since what was not seen was never compared.
bool RemovalBlocked(const CTreeF& sub, bool belowIncomplete);

}  // namespace tv
