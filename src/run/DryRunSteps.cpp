#include "run/DryRun.h"

#include <set>

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

    // True when the source folder is left empty: every file of it deleted after its copy.
    bool Folder(const CTreeF& node, const std::string& rel, bool belowIncomplete);
    void Skips(const CTreeF& node, const std::string& rel);
    std::vector<CDryRunItem> Take(const std::vector<CSkippedItem>& skipped);
    // The source folders holding entries that the filters kept out of the tree.
    void KeepFoldersOf(const std::vector<CSkippedItem>& skipped);

  private:
    // True when the source file is deleted after its copy.
    bool File(const CFileDoInfo& record, const std::string& rel, bool belowIncomplete);
    bool Subfolder(const CTreeF& sub, const std::string& rel, bool belowIncomplete);
    // The folder's own step and what lies below it; true when it ends empty in the source.
    bool VisitSubfolder(const CTreeF& sub, const std::string& path, bool belowIncomplete);
    bool HoldsSourceEntries(const CTreeF& node, const std::string& path) const;
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
    std::set<std::string> m_filtered;
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

bool CStepLister::File(const CFileDoInfo& record, const std::string& rel, bool belowIncomplete) {
    const PlannedStep step = StepFor(record);
    const std::string path = Join(rel, record.name);
    if (step != PlannedStep::Skip) {
        Add(step, path, ExplainRecord(record, m_task), false);
    }
    if (m_bDeletesAfter && !belowIncomplete && DeletedAfterCopy(record, step)) {
        CPlanExplanation why = ExplainRecord(record, m_task);
        why.m_reason = PlanReason::DeleteSourceAfter;
        Add(PlannedStep::DeleteSourceAfterCopy, path, why, false);
        return true;
    }
    return false;
}

bool CStepLister::Folder(const CTreeF& node, const std::string& rel, bool belowIncomplete) {
    belowIncomplete = belowIncomplete || node.incomplete;
    bool emptied = !m_filtered.contains(rel);
    for (const CFileDoInfo& record : node.files) {
        const bool deleted = File(record, rel, belowIncomplete);
        emptied = emptied && (record.side != Side::Source || deleted);
    }
    for (const auto& sub : node.subfolders) {
        const bool subEmptied = Subfolder(*sub, rel, belowIncomplete);
        emptied = emptied && (sub->targetOnly || subEmptied);
    }
    return emptied;
}

// Once the source files are deleted, the run removes every source folder that holds nothing
// any more (EmptiedFolders.cpp), one that held nothing before included.
bool CStepLister::Subfolder(const CTreeF& sub, const std::string& rel, bool belowIncomplete) {
    const std::string path = Join(rel, sub.name);
    const bool emptied = VisitSubfolder(sub, path, belowIncomplete);
    if (emptied && m_bDeletesAfter && !sub.targetOnly) {
        CPlanExplanation why;
        why.m_reason = PlanReason::FolderEmptied;
        Add(PlannedStep::RemoveFolderInSource, path, why, true);
    }
    return emptied;
}

bool CStepLister::VisitSubfolder(const CTreeF& sub, const std::string& path, bool belowIncomplete) {
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
            return false;
        }
    }
    if (EntersFolder(m_task, m_shape.m_kind, sub, usable)) {
        return Folder(sub, path, belowIncomplete);
    }
    return !HoldsSourceEntries(sub, path);
}

bool CStepLister::HoldsSourceEntries(const CTreeF& node, const std::string& path) const {
    if (!node.targetOnly && m_filtered.contains(path)) {
        return true;
    }
    for (const CFileDoInfo& record : node.files) {
        if (record.side == Side::Source) {
            return true;
        }
    }
    for (const auto& sub : node.subfolders) {
        if (!sub->targetOnly && HoldsSourceEntries(*sub, Join(path, sub->name))) {
            return true;
        }
    }
    return false;
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

void CStepLister::KeepFoldersOf(const std::vector<CSkippedItem>& skipped) {
    for (const CSkippedItem& item : skipped) {
        if (item.m_record.side == Side::Source) {
            m_filtered.insert(item.m_strFolder);
        }
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
    lister.KeepFoldersOf(skipped);
    lister.Folder(merged, {}, merged.incomplete);
    lister.Skips(merged, {});
    return lister.Take(skipped);
}

}  // namespace tv
