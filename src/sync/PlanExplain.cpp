#include "sync/PlanExplain.h"

#include <cstdio>

#include "base/StringTable.h"
#include "sync/Compare.h"
#include "task/Element.h"

namespace tv {

namespace {

struct CStepName {
    int m_nText;
    std::string_view m_key;
};

// In the order of PlannedStep.
constexpr CStepName kSteps[] = {
    {IDS_STEP_SKIP, "skip"},
    {IDS_STEP_COPY_TO_TARGET, "copy-to-target"},
    {IDS_STEP_COPY_TO_SOURCE, "copy-to-source"},
    {IDS_STEP_COPY_TO_THIRD, "copy-to-third-place"},
    {IDS_STEP_ADD_TO_ARCHIVE, "add-to-archive"},
    {IDS_STEP_DELETE_IN_SOURCE, "delete-in-source"},
    {IDS_STEP_DELETE_IN_TARGET, "delete-in-target"},
    {IDS_STEP_ATTRIBUTES_TO_TARGET, "attributes-to-target"},
    {IDS_STEP_ATTRIBUTES_TO_SOURCE, "attributes-to-source"},
    {IDS_STEP_TIMES_TO_TARGET, "timestamps-to-target"},
    {IDS_STEP_TIMES_TO_SOURCE, "timestamps-to-source"},
    {IDS_STEP_CREATE_IN_TARGET, "create-folder-in-target"},
    {IDS_STEP_CREATE_IN_SOURCE, "create-folder-in-source"},
    {IDS_STEP_REMOVE_IN_TARGET, "remove-folder-in-target"},
    {IDS_STEP_REMOVE_IN_SOURCE, "remove-folder-in-source"},
    {IDS_STEP_DELETE_SOURCE_AFTER, "delete-in-source-after-copy"},
};

std::string Fill(int id, const std::string& a) {
    return FormatText(LoadString(id).c_str(), a.c_str());
}

std::string Fill(int id, const std::string& a, const std::string& b) {
    return FormatText(LoadString(id).c_str(), a.c_str(), b.c_str());
}

int64_t Magnitude(int64_t ticks) {
    return ticks < 0 ? -ticks : ticks;
}

std::string SizesText(const CPlanExplanation& why, int id) {
    return Fill(id, std::to_string(why.m_nSourceSize), std::to_string(why.m_nTargetSize));
}

// What the criterion found different between the two files, in its own terms: a criterion
// that gives no direction says what differed, one of times says which side is newer.
std::string DifferenceText(const CPlanExplanation& why) {
    const std::string seconds = SecondsText(Magnitude(why.m_nTimeDelta));
    const bool sizes = why.m_nSourceSize != why.m_nTargetSize;
    switch (why.m_nCriterion) {
        case COMPARE_TIME:
        case COMPARE_TIME_OR_ATTRIBUTES:
            return Fill(why.m_nTimeDelta >= 0 ? IDS_WHY_NEWER_IN_SOURCE : IDS_WHY_NEWER_IN_TARGET,
                        seconds);
        case COMPARE_SIZE:
            return SizesText(why, IDS_WHY_SIZES_DIFFER);
        case COMPARE_TIME_AND_SIZE:
        case COMPARE_TIME_OR_SIZE:
            if (why.m_bTimesDiffer && sizes) {
                return Fill(IDS_WHY_TIMES_DIFFER, seconds) + ", " +
                       SizesText(why, IDS_WHY_SIZES_DIFFER);
            }
            return why.m_bTimesDiffer ? Fill(IDS_WHY_TIMES_DIFFER, seconds)
                                      : SizesText(why, IDS_WHY_SIZES_DIFFER);
        default:
            return LoadString(IDS_WHY_CONTENTS_DIFFER);
    }
}

}  // namespace

PlannedStep StepOf(const CFileDoInfo& record, RunKind kind, bool thirdPlace) {
    const bool source = record.side == Side::Source;
    if (source ? !record.selected : record.action == ACTION_NONE) {
        return PlannedStep::Skip;
    }
    switch (record.action) {
        case ACTION_COPY:
            if (!source) {
                return kind == RunKind::Synchronize || kind == RunKind::Restore
                           ? PlannedStep::CopyToSource
                           : PlannedStep::Skip;
            }
            return thirdPlace ? PlannedStep::CopyToThirdPlace : PlannedStep::CopyToTarget;
        case ACTION_DELETE:
            return source ? PlannedStep::DeleteInSource : PlannedStep::DeleteInTarget;
        case ACTION_COPY_ATTRIBUTES:
            return source ? PlannedStep::AttributesToTarget : PlannedStep::AttributesToSource;
        case ACTION_COPY_TIMESTAMP:
            return source ? PlannedStep::TimesToTarget : PlannedStep::TimesToSource;
        default:
            return PlannedStep::Skip;
    }
}

CPlanExplanation ExplainRecord(const CFileDoInfo& record, const CElement& task) {
    CPlanExplanation why;
    why.m_reason = record.reason;
    why.m_nCriterion = task.m_nCompareMode;
    const bool source = record.side == Side::Source;
    if (record.matched) {
        why.m_nTimeDelta = static_cast<int64_t>(record.lastWrite - record.otherLastWrite);
        why.m_bTimesDiffer = CompareTimes(record.lastWrite, record.otherLastWrite) != 0;
        if (!source) {
            why.m_nTimeDelta = -why.m_nTimeDelta;
        }
    }
    why.m_nSourceSize = source ? record.size : record.otherSize;
    why.m_nTargetSize = source ? record.otherSize : record.size;
    return why;
}

std::string StepText(PlannedStep step) {
    return LoadString(kSteps[static_cast<int>(step)].m_nText);
}

std::string_view StepKey(PlannedStep step) {
    return kSteps[static_cast<int>(step)].m_key;
}

std::string ReasonText(const CPlanExplanation& why) {
    const std::string seconds = SecondsText(Magnitude(why.m_nTimeDelta));
    switch (why.m_reason) {
        case PlanReason::None:
            return {};
        case PlanReason::Equal:
            return LoadString(IDS_WHY_EQUAL);
        case PlanReason::SourceWins:
        case PlanReason::TargetWins:
            return DifferenceText(why);
        case PlanReason::TargetNewerWanted:
            return Fill(IDS_WHY_TARGET_NEWER_WANTED, seconds);
        case PlanReason::AttributesDiffer:
            return LoadString(IDS_WHY_ATTRIBUTES_DIFFER);
        case PlanReason::ReplaceDiffers:
            return Fill(IDS_WHY_REPLACE_DIFFERS, DifferenceText(why));
        case PlanReason::TimesDiffer:
            return Fill(IDS_WHY_TIMES_TO_EQUALIZE, seconds);
        case PlanReason::RestoreSourceNewer:
            return Fill(IDS_WHY_RESTORE, DifferenceText(why));
        case PlanReason::TargetNewerKept:
            return Fill(IDS_WHY_TARGET_NEWER_KEPT, seconds);
        case PlanReason::SourceNewerUnwanted:
            return Fill(IDS_WHY_SOURCE_NEWER_UNWANTED, seconds);
        case PlanReason::SizesDiffer:
            return SizesText(why, IDS_WHY_SIZES_KEPT);
        case PlanReason::ExcludedByMask:
            return Fill(IDS_WHY_EXCLUDED_BY_MASK, why.m_strDetail);
        case PlanReason::NotIncluded:
            return Fill(IDS_WHY_NOT_INCLUDED, why.m_strDetail);
        default:
            break;
    }
    static constexpr std::pair<PlanReason, int> kPlain[] = {
        {PlanReason::OnlyInSource, IDS_WHY_ONLY_IN_SOURCE},
        {PlanReason::OnlyInTarget, IDS_WHY_ONLY_IN_TARGET},
        {PlanReason::DeleteFromTarget, IDS_WHY_DELETE_FROM_TARGET},
        {PlanReason::ReplaceRemoves, IDS_WHY_REPLACE_REMOVES},
        {PlanReason::DeletedFromTarget, IDS_WHY_DELETED_FROM_TARGET},
        {PlanReason::DeletedFromSource, IDS_WHY_DELETED_FROM_SOURCE},
        {PlanReason::ConflictRefused, IDS_WHY_CONFLICT_REFUSED},
        {PlanReason::NotOnTarget, IDS_WHY_NOT_ON_TARGET},
        {PlanReason::TargetKept, IDS_WHY_TARGET_KEPT},
        {PlanReason::OneSidedKept, IDS_WHY_ONE_SIDED_KEPT},
        {PlanReason::ListingCut, IDS_WHY_LISTING_CUT},
        {PlanReason::OverSizeLimit, IDS_WHY_OVER_SIZE_LIMIT},
        {PlanReason::OutsideTimeLimit, IDS_WHY_OUTSIDE_TIME_LIMIT},
        {PlanReason::ExcludedItem, IDS_WHY_EXCLUDED_ITEM},
        {PlanReason::DeleteSourceAfter, IDS_WHY_DELETE_SOURCE_AFTER},
        {PlanReason::TargetFolderMissing, IDS_WHY_TARGET_FOLDER_MISSING},
        {PlanReason::FolderEmptied, IDS_WHY_FOLDER_EMPTIED},
    };
    for (const auto& [reason, id] : kPlain) {
        if (reason == why.m_reason) {
            return LoadString(id);
        }
    }
    return {};
}

std::string_view ReasonKey(PlanReason reason) {
    static constexpr std::string_view kKeys[] = {
        "none",
        "equal",
        "source-wins",
        "target-newer",
        "target-newer-wanted",
        "attributes-differ",
        "replace-differs",
        "timestamps-differ",
        "restore-source-changed",
        "only-in-source",
        "only-in-target",
        "delete-from-target-option",
        "replace-removes",
        "deleted-from-target-since-last-sync",
        "deleted-from-source-since-last-sync",
        "conflict-refused",
        "target-newer-kept",
        "source-newer-unwanted",
        "not-on-target",
        "target-kept",
        "one-sided-kept",
        "sizes-differ",
        "listing-cut-short",
        "excluded-by-mask",
        "not-included",
        "over-size-limit",
        "outside-time-limit",
        "excluded-item",
        "delete-source-after-option",
        "target-folder-missing",
        "folder-emptied",
    };
    static_assert(std::size(kKeys) == static_cast<size_t>(PlanReason::FolderEmptied) + 1);
    return kKeys[static_cast<size_t>(reason)];
}

std::string ExplainedStep(PlannedStep step, const CPlanExplanation& why) {
    const std::string reason = ReasonText(why);
    return reason.empty() ? StepText(step) : StepText(step) + ": " + reason;
}

std::string SecondsText(int64_t ticks) {
    const int64_t tenths = (ticks + (ticks < 0 ? -500'000 : 500'000)) / 1'000'000;
    char text[32];
    if (tenths % 10 == 0) {
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(tenths / 10));
    } else {
        std::snprintf(text, sizeof text, "%lld.%lld", static_cast<long long>(tenths / 10),
                      static_cast<long long>(Magnitude(tenths % 10)));
    }
    return text;
}

}  // namespace tv
