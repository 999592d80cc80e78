#include "sync/FolderPlan.h"

#include "scan/TreeF.h"
#include "task/Element.h"

namespace tv {

namespace {

bool SubtreeIncomplete(const CTreeF& node) {
    if (node.incomplete) {
        return true;
    }
    for (const auto& sub : node.subfolders) {
        if (SubtreeIncomplete(*sub)) {
            return true;
        }
    }
    return false;
}

CFolderDecision TargetOnly(const CElement& task, RunKind kind, const CTreeF& sub,
                           bool removalBlocked) {
    switch (kind) {
        case RunKind::Synchronize:
        case RunKind::EqualizeToTarget:
        case RunKind::EqualizeToSource:
        case RunKind::Restore:
            if (task.Has1(opt1::kNoEmptyFolders) && sub.targetEmpty) {
                return {};
            }
            return {FolderStep::Create, Side::Source, PlanReason::OnlyInTarget};
        case RunKind::UpdateTarget:
        case RunKind::Replace: {
            const bool removes = kind == RunKind::Replace || task.Has1(opt1::kDeleteFromTarget);
            if (removes && sub.investigated && task.Has1(opt1::kIncludeSubfolders) &&
                !removalBlocked) {
                return {FolderStep::Remove, Side::Target,
                        kind == RunKind::Replace ? PlanReason::ReplaceRemoves
                                                 : PlanReason::DeleteFromTarget};
            }
            return {FolderStep::Keep, Side::Target, PlanReason::TargetKept};
        }
        default:
            return {};
    }
}

CFolderDecision SourceOnly(const CElement& task, RunKind kind, const CTreeF& sub, bool thirdPlace) {
    if (kind == RunKind::UpdateTarget && task.Has1(opt1::kOnlyIfOnTarget)) {
        return {FolderStep::Keep, Side::Target, PlanReason::NotOnTarget};
    }
    if (task.Has1(opt1::kNoEmptyFolders) && sub.sourceEmpty) {
        return {};
    }
    if (thirdPlace) {
        return {FolderStep::Enter, Side::Target, PlanReason::OnlyInSource};
    }
    return {FolderStep::Create, Side::Target, PlanReason::OnlyInSource};
}

}  // namespace

bool RemovalBlocked(const CTreeF& sub, bool belowIncomplete) {
    return belowIncomplete || SubtreeIncomplete(sub);
}

CFolderDecision DecideOneSidedFolder(const CElement& task, RunKind kind, const CTreeF& sub,
                                     bool removalBlocked, bool thirdPlace) {
    if (sub.existedAtLastSync && !removalBlocked) {
        return sub.targetOnly ? CFolderDecision{FolderStep::Remove, Side::Target,
                                                PlanReason::DeletedFromSource}
                              : CFolderDecision{FolderStep::Remove, Side::Source,
                                                PlanReason::DeletedFromTarget};
    }
    return sub.targetOnly ? TargetOnly(task, kind, sub, removalBlocked)
                          : SourceOnly(task, kind, sub, thirdPlace);
}

bool EntersFolder(const CElement& task, RunKind kind, const CTreeF& sub, bool usable) {
    return usable && task.Has1(opt1::kIncludeSubfolders) &&
           !(sub.targetOnly && (kind == RunKind::UpdateTarget || kind == RunKind::Replace)) &&
           !(sub.sourceOnly && kind == RunKind::UpdateTarget && task.Has1(opt1::kOnlyIfOnTarget));
}

}  // namespace tv
