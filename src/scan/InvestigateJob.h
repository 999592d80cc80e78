#pragma once

#include <cstdint>
#include <string>

#include "task/Side.h"

namespace tv {

class CElement;
class CFilter;
class CSkippedItems;
class CTag;
class CTreeF;
struct CInvestigationJob;

// Lists the folders of one side. A side in a file system is listed through it
// (CFileSystemLister); a side may bring a lister of its own. One lister serves one side and is
// used by that side's investigation thread only.
class IFolderLister {
  public:
    virtual ~IFolderLister() = default;
    // Lists job.m_strPath into job.m_pNode, one level deep, through a CEntrySink. Blocks on the
    // listing; stops between entries when the run is canceled. Returns 0 or the error that
    // ended the listing, which is also left in job.m_nLastError.
    virtual int ListFolder(CInvestigationJob& job) = 0;
    // Whether a child whose investigation failed is listed again before the error policy is
    // asked; `attempt` counts from 1. May block (a remote side reconnects here).
    virtual bool RetryChild(const CInvestigationJob& child, int attempt) = 0;
};

// The record an investigation works on: one per side, and one per folder level below it.
struct CInvestigationJob {
    std::string m_strPath;      // the folder being listed
    std::string m_strRootPath;  // the location's root, for the filters
    CTreeF* m_pNode = nullptr;
    Side m_side = Side::Target;
    bool m_bFound = false;  // a remote root was found
    bool m_bIsRoot = false;
    bool m_bIsFtp = false;
    bool m_bSingleTarget = false;  // only then does a failed side end the other one early
    bool m_bIsDisc = false;        // a disc-burning target: nothing to list
    CElement* m_pTask = nullptr;
    const CTag* m_pLocation = nullptr;
    IFolderLister* m_pLister = nullptr;
    const CFilter* m_pFilter = nullptr;   // none: every entry is admitted
    CSkippedItems* m_pSkipped = nullptr;  // a dry run's account of what the filter refused
    // The folders above, so that a folder met again through a link is not entered.
    const CInvestigationJob* m_pParent = nullptr;
    uint64_t m_nDevice = 0;  // the folder's identity, where the lister knows it
    uint64_t m_nInode = 0;
    int m_nLastError = 0;

    // The job for a subfolder node of this folder.
    CInvestigationJob ChildJob(CTreeF& node) const;
    bool IsAncestorOrSelf(uint64_t device, uint64_t inode) const;
    // A cancel, or the other side failed while this task has a single target.
    bool StopRequested() const;
};

// The path of an entry of a folder (local and remote paths both use "/").
std::string JoinPath(const std::string& folder, const std::string& name);

// Adds a line to the current target's error list and, unless the run is silent, to the
// progress window's. Any thread of the run.
void LogRunError(CElement& task, const std::string& line);

}  // namespace tv
