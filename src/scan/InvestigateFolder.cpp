#include "scan/InvestigateFolder.h"

#include <cerrno>

#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "scan/RunPrompts.h"
#include "scan/TreeF.h"
#include "task/Element.h"

namespace tv {

namespace {

enum class FolderOutcome { Done, ListingFailed, Stopped };

// What InvestigateFolder does, leaving a failed listing of `job`'s own folder (its error in
// job.m_nLastError) for the caller to report or try again.
FolderOutcome ListAndDescend(CInvestigationJob& job);

void EmptyNode(CTreeF& node) {
    node.files.clear();
    node.subfolders.clear();
    node.incomplete = false;
}

bool& EmptyFlag(CTreeF& node, Side side) {
    return side == Side::Source ? node.sourceEmpty : node.targetEmpty;
}

void ReportListingError(CInvestigationJob& job, int error) {
    CElement& task = *job.m_pTask;
    if (job.m_bIsRoot) {
        task.m_Run.SetInvestigationFailed();
    }
    std::string line =
        FormatText(LoadString(IDS_ERR_INVESTIGATING_DIR).c_str(), job.m_strPath.c_str());
    line += ' ';
    if (error == EACCES || error == EPERM) {
        line += LoadString(IDS_ACCESS_DENIED);
    } else {
        line += FormatText(LoadString(IDS_ERROR_CODE).c_str(), error);
        line += ' ';
        line += SystemErrorText(error);
    }
    LogRunError(task, line);
}

// The task's error policy for a subfolder that still cannot be listed. True to go on with
// the next subfolder; the child is then either listed after all or marked incomplete.
bool ApplyErrorPolicy(CInvestigationJob& child) {
    CElement& task = *child.m_pTask;
    const std::string message =
        FormatText(LoadString(IDS_ERR_INVESTIGATING_DIR).c_str(), child.m_strPath.c_str());
    for (;;) {
        const ErrorPolicy policy = task.m_Run.Policy();
        if (policy == ErrorPolicy::Stop) {
            return false;
        }
        const PromptAnswer answer =
            policy == ErrorPolicy::Ask ? AskAbortRetryIgnore(task, message) : PromptAnswer::Ignore;
        if (answer == PromptAnswer::Abort) {
            task.m_Run.SetInvestigationFailed();
            task.m_Run.SetPolicy(ErrorPolicy::Stop);
            return false;
        }
        if (answer != PromptAnswer::Retry) {
            child.m_pNode->incomplete = true;
            return true;
        }
        EmptyNode(*child.m_pNode);
        if (InvestigateFolder(child)) {
            return true;
        }
    }
}

// A listing that comes through on a retry was never an error of the run: only the last failed
// try is reported.
bool InvestigateChild(CInvestigationJob& child) {
    FolderOutcome outcome = ListAndDescend(child);
    for (int attempt = 1;
         outcome == FolderOutcome::ListingFailed && child.m_pLister->RetryChild(child, attempt);
         ++attempt) {
        EmptyNode(*child.m_pNode);
        outcome = ListAndDescend(child);
    }
    if (outcome == FolderOutcome::ListingFailed) {
        ReportListingError(child, child.m_nLastError);
    }
    if (outcome == FolderOutcome::Done) {
        return true;
    }
    // An incomplete listing must not lead to deletions.
    if (child.m_pTask->Has1(opt1::kDeleteFromTarget)) {
        return false;
    }
    return ApplyErrorPolicy(child);
}

bool InvestigateSubfolders(CInvestigationJob& job) {
    CTreeF& node = *job.m_pNode;
    bool& empty = EmptyFlag(node, job.m_side);
    for (auto& subfolder : node.subfolders) {
        if (job.StopRequested()) {
            node.incomplete = true;
            return true;
        }
        if (job.m_side == Side::Source ? subfolder->targetOnly : subfolder->sourceOnly) {
            continue;
        }
        CInvestigationJob child = job.ChildJob(*subfolder);
        if (!InvestigateChild(child)) {
            return false;
        }
        empty = empty && EmptyFlag(*subfolder, job.m_side);
    }
    return true;
}

FolderOutcome ListAndDescend(CInvestigationJob& job) {
    CTreeF& node = *job.m_pNode;
    EmptyFlag(node, job.m_side) = true;
    node.investigated = true;
    if (job.m_bIsDisc) {
        return FolderOutcome::Done;
    }
    const int error = job.m_pLister->ListFolder(job);
    if (error && !IsTaskCanceled(*job.m_pTask)) {
        return FolderOutcome::ListingFailed;
    }
    if (error || job.StopRequested()) {
        node.incomplete = true;
        return FolderOutcome::Done;
    }
    return !job.m_pTask->Has1(opt1::kIncludeSubfolders) || InvestigateSubfolders(job)
               ? FolderOutcome::Done
               : FolderOutcome::Stopped;
}

}  // namespace

bool InvestigateFolder(CInvestigationJob& job) {
    const FolderOutcome outcome = ListAndDescend(job);
    if (outcome == FolderOutcome::ListingFailed) {
        ReportListingError(job, job.m_nLastError);
    }
    return outcome == FolderOutcome::Done;
}

}  // namespace tv
