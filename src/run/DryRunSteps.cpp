#include "run/DryRun.h"

#include "scan/InvestigateJob.h"
#include "scan/TreeF.h"
#include "sync/Compare.h"
#include "sync/FolderPlan.h"
#include "task/Element.h"

namespace tv {

namespace {

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

PlannedStep FolderStepOf(FolderStep step, Side side) {
    const bool source = side == Side::Source;
    return step == FolderStep::Create
               ? (source ? PlannedStep::CreateFolderInSource : PlannedStep::CreateFolderInTarget)
               : (source ? PlannedStep::RemoveFolderInSource : PlannedStep::RemoveFolderInTarget);
}

class CStepLister {
  public:
    CStepLister(const CElement& task, const CDryRunShape& shape)
        : m_task(task),
          m_shape(shape),
          m_bDeletesAfter(shape.m_kind == RunKind::UpdateTarget && task.m_bDeleteSourceAfterRun &&
                          shape.m_bLastTarget) {}

    void Folder(const CTreeF& node, const std::string& rel, bool belowIncomplete);
    void Skips(const CTreeF& node, const std::string& rel);
    std::vector<CDryRunItem> Take(const std::vector<CSkippedItem>& skipped);

  private:
    void File(const CFileDoInfo& record, const std::string& rel, bool belowIncomplete);
    void Subfolder(const CTreeF& sub, const std::string& rel, bool belowIncomplete);
    void Removed(const CTreeF& sub, const std::string& rel, Side side);
    PlannedStep StepFor(const CFileDoInfo& record) const;
    bool DeletedAfterCopy(const CFileDoInfo& record, PlannedStep step) const;
    void Add(PlannedStep step, const std::string& path, CPlanExplanation why, bool folder) {
        m_items.push_back({step, path, std::move(why), folder});
    }

    const CElement& m_task;
    const CDryRunShape& m_shape;
    const bool m_bDeletesAfter;
    std::vector<CDryRunItem> m_items;
};

PlannedStep CStepLister::StepFor(const CFileDoInfo& record) const {
    if (!m_shape.m_bArchive) {
        return StepOf(record, m_shape.m_kind, m_shape.m_bThirdPlace);
    }
    const bool packed =
        record.side == Side::Source && record.selected && record.action == ACTION_COPY;
    return packed ? PlannedStep::AddToArchive : PlannedStep::Skip;
}

// The file's content is on the target once the run is through: copied now, or already there
// in a twin of the same size that is not older.
bool CStepLister::DeletedAfterCopy(const CFileDoInfo& record, PlannedStep step) const {
    if (record.side != Side::Source) {
        return false;
    }
    const bool copied = step == PlannedStep::CopyToTarget ||
                        step == PlannedStep::CopyToThirdPlace || step == PlannedStep::AddToArchive;
    const bool twinHolds = !record.selected && record.matched && record.size == record.otherSize &&
                           CompareTimes(record.lastWrite, record.otherLastWrite) <= 0;
    return copied || twinHolds;
}

void CStepLister::File(const CFileDoInfo& record, const std::string& rel, bool belowIncomplete) {
    const PlannedStep step = StepFor(record);
    const std::string path = Join(rel, record.name);
    if (step != PlannedStep::Skip) {
        Add(step, path, ExplainRecord(record, m_task), false);
    }
    if (m_bDeletesAfter && !belowIncomplete && DeletedAfterCopy(record, step)) {
        CPlanExplanation why = ExplainRecord(record, m_task);
        why.m_reason = PlanReason::DeleteSourceAfter;
        Add(PlannedStep::DeleteSourceAfterCopy, path, why, false);
    }
}

void CStepLister::Folder(const CTreeF& node, const std::string& rel, bool belowIncomplete) {
    belowIncomplete = belowIncomplete || node.incomplete;
    for (const CFileDoInfo& record : node.files) {
        File(record, rel, belowIncomplete);
    }
    for (const auto& sub : node.subfolders) {
        Subfolder(*sub, rel, belowIncomplete);
    }
}

void CStepLister::Subfolder(const CTreeF& sub, const std::string& rel, bool belowIncomplete) {
    const std::string path = Join(rel, sub.name);
    bool usable = true;
    if (sub.sourceOnly || sub.targetOnly) {
        const CFolderDecision decision =
            DecideOneSidedFolder(m_task, m_shape.m_kind, sub, RemovalBlocked(sub, belowIncomplete),
                                 m_shape.m_bThirdPlace || m_shape.m_bArchive);
        usable = decision.m_step == FolderStep::Enter || decision.m_step == FolderStep::Create;
        CPlanExplanation why;
        why.m_reason = decision.m_reason;
        if (decision.m_step == FolderStep::Create && !m_shape.m_bArchive) {
            Add(FolderStepOf(decision.m_step, decision.m_side), path, why, true);
        } else if (decision.m_step == FolderStep::Remove) {
            Add(FolderStepOf(decision.m_step, decision.m_side), path, why, true);
            Removed(sub, path, decision.m_side);
            return;
        }
    }
    if (EntersFolder(m_task, m_shape.m_kind, sub, usable)) {
        Folder(sub, path, belowIncomplete);
    }
}

// A folder goes with what the scan saw in it; each file and folder is a deletion of its own.
void CStepLister::Removed(const CTreeF& sub, const std::string& rel, Side side) {
    for (const CFileDoInfo& record : sub.files) {
        if (record.side == side) {
            Add(side == Side::Source ? PlannedStep::DeleteInSource : PlannedStep::DeleteInTarget,
                Join(rel, record.name), ExplainRecord(record, m_task), false);
        }
    }
    for (const auto& child : sub.subfolders) {
        const std::string path = Join(rel, child->name);
        CPlanExplanation why;
        why.m_reason = child->existedAtLastSync
                           ? (side == Side::Source ? PlanReason::DeletedFromTarget
                                                   : PlanReason::DeletedFromSource)
                           : PlanReason::None;
        Add(FolderStepOf(FolderStep::Remove, side), path, why, true);
        Removed(*child, path, side);
    }
}

// Every record the plan left alone with a reason; a record of a removed folder was listed.
void CStepLister::Skips(const CTreeF& node, const std::string& rel) {
    for (const CFileDoInfo& record : node.files) {
        if (record.reason != PlanReason::None && StepFor(record) == PlannedStep::Skip &&
            (record.side == Side::Source ? !record.selected : record.action == ACTION_NONE)) {
            Add(PlannedStep::Skip, Join(rel, record.name), ExplainRecord(record, m_task), false);
        }
    }
    for (const auto& sub : node.subfolders) {
        Skips(*sub, Join(rel, sub->name));
    }
}

std::vector<CDryRunItem> CStepLister::Take(const std::vector<CSkippedItem>& skipped) {
    for (const CSkippedItem& item : skipped) {
        CPlanExplanation why = ExplainRecord(item.m_record, m_task);
        why.m_strDetail = item.m_strMask;
        Add(PlannedStep::Skip, Join(item.m_strFolder, item.m_record.name), why, item.m_bFolder);
    }
    return std::move(m_items);
}

}  // namespace

std::vector<CDryRunItem> ListPlannedSteps(const CElement& task, const CTreeF& merged,
                                          const CDryRunShape& shape,
                                          const std::vector<CSkippedItem>& skipped) {
    CStepLister lister(task, shape);
    lister.Folder(merged, {}, merged.incomplete);
    lister.Skips(merged, {});
    return lister.Take(skipped);
}

}  // namespace tv
