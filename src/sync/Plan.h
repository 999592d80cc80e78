#pragma once

#include <cstdint>
#include <string>

#include "base/FileTime.h"
#include "platform/FileSystem.h"
#include "sync/PlanNames.h"
#include "sync/RunProgress.h"
#include "sync/SinceLastSync.h"

namespace tv {

class CElement;
class CTreeF;
class CSkippedItems;

// What the planned run will move, as the preview shows it. Reset by the runner per run.
struct CPlanBytes {
    uint64_t m_copyFromSource = 0;  // source records planned to be copied or to give attributes
    uint64_t m_deleteInSource = 0;
    uint64_t m_copyFromTarget = 0;  // target records planned to be copied or to give times
    uint64_t m_deleteInTarget = 0;
};

struct CPlanRequest {
    explicit CPlanRequest(IFileSystem& fs) : m_fs(fs) {}

    // Where "Binary compare" reads both files.
    IFileSystem& m_fs;
    // This target's last completed synchronization, unknown when there was none. Items that
    // existed then and lie on one side only were deleted on the other side since.
    CLastSync m_lastSync;
    bool m_bSourceIsFtp = false;
    bool m_bTargetIsFtp = false;
    NameMatch m_match = NameMatch::Exact;
    // A dry run's account: gets the target records that the plan drops because nothing acts on
    // them. None in a real run.
    CSkippedItems* m_pSkipped = nullptr;
};

// Appends the target root's records and subfolders to the source root, which is the merged
// tree the planning step works on. A listing of either root that was cut short marks the
// merged root. Any thread that owns both trees.
void MergeRoots(CTreeF& sourceRoot, CTreeF& targetRoot);

// The planning step: pairs the records of each folder by name, decides per record whether and
// how the pass acts on it (the task's run kind and options), merges the subfolders of both
// sides pairwise and recurses. Adds the bytes to move to `bytes` and every acting record's size
// to `run.m_total`. Nothing below a folder whose listing was incomplete, on either side, is
// planned for deletion. Linear in the number of records. Worker thread of the run; blocks
// only in the conflict question (the task's prompter) and in "Binary compare", which stops
// early on IsTaskCanceled.
void PlanSynchronization(CElement& task, CTreeF& root, const std::string& srcFolder,
                         const std::string& dstFolder, const CPlanRequest& request,
                         CPlanBytes& bytes, CRunBytes& run);

}  // namespace tv
