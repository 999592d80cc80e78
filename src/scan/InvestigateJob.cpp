#include "scan/InvestigateJob.h"

#include "scan/TreeF.h"
#include "task/Element.h"

namespace tv {

CInvestigationJob CInvestigationJob::ChildJob(CTreeF& node) const {
    CInvestigationJob child;
    child.m_strPath = JoinPath(m_strPath, node.name);
    child.m_strRootPath = m_strRootPath;
    child.m_pNode = &node;
    child.m_side = m_side;
    child.m_bIsFtp = m_bIsFtp;
    child.m_bSingleTarget = m_bSingleTarget;
    child.m_bIsDisc = m_bIsDisc;
    child.m_pTask = m_pTask;
    child.m_pLocation = m_pLocation;
    child.m_pLister = m_pLister;
    child.m_pFilter = m_pFilter;
    child.m_pSkipped = m_pSkipped;
    child.m_pParent = this;
    return child;
}

bool CInvestigationJob::IsAncestorOrSelf(uint64_t device, uint64_t inode) const {
    for (const CInvestigationJob* job = this; job; job = job->m_pParent) {
        if (job->m_nInode == inode && job->m_nDevice == device && inode != 0) {
            return true;
        }
    }
    return false;
}

bool CInvestigationJob::StopRequested() const {
    return IsTaskCanceled(*m_pTask) || (m_bSingleTarget && m_pTask->m_Run.InvestigationFailed());
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

void LogRunError(CElement& task, const std::string& line) {
    task.m_Run.RecordError(line);
    if (ITaskObserver* observer = task.m_Run.Observer(); observer && !task.Has2(opt2::kSilent)) {
        observer->AddError(line);
    }
}

}  // namespace tv
