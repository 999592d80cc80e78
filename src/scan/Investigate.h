#pragma once

#include <functional>

#include "scan/InvestigateJob.h"

namespace tv {

class IFileSystem;
class CSkippedItems;

// One side of a target's investigation.
struct CInvestigationSide {
    const CTag* m_pLocation = nullptr;  // none: the side is not listed
    CTreeF* m_pRoot = nullptr;
    // The file system the side lies in, listed by a lister over it unless the side brings its
    // own lister. With neither, the side fails.
    IFileSystem* m_pFileSystem = nullptr;
    IFolderLister* m_pLister = nullptr;
    bool m_bIsDisc = false;               // a disc-burning target
    CSkippedItems* m_pSkipped = nullptr;  // gets the entries the filter refused (a dry run)
    bool m_bFound = false;                // out: a remote root was found
    bool m_bFailed = false;               // out: the side could not be listed
};

struct CInvestigationRequest {
    CInvestigationSide m_Source;
    CInvestigationSide m_Target;
    bool m_bSingleTarget = false;
    // For a run of kind 1 with "Use source snapshot for comparing": fills the target root from
    // the stored snapshot and returns true, and the target is then not listed; false (no or a
    // damaged snapshot) lists the target as usual. Called on the calling thread.
    std::function<bool(CTreeF&)> m_ReadSnapshot;
};

// Investigates both sides of one target at the same time, each on a thread of its own, into
// their roots. Called by the task's worker thread; blocks until both sides are done, waiting
// in 2-second turns with IsTaskCanceled between them (so a pause holds it there too). False
// when a side failed (its message is in the run record's errors) or the run was canceled.
bool InvestigateSides(CElement& task, CInvestigationRequest& request);

}  // namespace tv
