#include "run/DryRun.h"
#include "run/TaskRun.h"
#include "scan/TreeF.h"
#include "task/Element.h"

namespace tv {

void CTaskRun::DryNote(const std::string& line) const {
    m_env.m_pDryRun->Note(m_task, line);
}

// The target of this start without storing the rotation: a dry run leaves the profile alone.
int CTaskRun::PeekNextTarget() const {
    const int count = static_cast<int>(m_task.m_Targets.size());
    return m_task.m_nNextTarget >= count || m_task.m_nNextTarget < 0 ? 0 : m_task.m_nNextTarget;
}

void CTaskRun::ReportPlan(size_t index, const CTreeF& merged,
                          const std::vector<CSkippedItem>& skipped) {
    CDryRunShape shape;
    shape.m_kind = m_run.Kind();
    shape.m_bArchive = ArchiveTask();
    shape.m_bThirdPlace = shape.m_kind == RunKind::UpdateTarget && m_task.Has3(opt3::kAltCopy) &&
                          !m_task.m_strAltCopyDir.empty();
    shape.m_bLastTarget = m_bLastTarget;
    CDryRunTarget target;
    target.m_nTargetIndex = static_cast<int>(index);
    target.m_strSource = SourceRoot();
    target.m_strTarget = TargetRoot();
    if (m_bTargetToCreate) {
        CDryRunItem root;
        root.m_step = PlannedStep::CreateFolderInTarget;
        root.m_why.m_reason = PlanReason::TargetFolderMissing;
        root.m_strPath = ".";
        root.m_bFolder = true;
        target.m_Items.push_back(std::move(root));
    }
    std::vector<CDryRunItem> items = ListPlannedSteps(m_task, merged, shape, skipped);
    target.m_Items.insert(target.m_Items.end(), std::make_move_iterator(items.begin()),
                          std::make_move_iterator(items.end()));
    m_env.m_pDryRun->Planned(m_task, target);
}

}  // namespace tv
