#include "sync/ErrorPolicy.h"

#include <cerrno>

#include "base/StringTable.h"
#include "scan/RunPrompts.h"
#include "task/Element.h"

namespace tv {

namespace {

// A copy is tried this many more times on its own before each question; a network file or a
// busy one often comes back.
constexpr int kAutomaticCopyRetries = 3;

int MessageId(FileOpKind kind) {
    switch (kind) {
        case FileOpKind::Copy:
            return IDS_CANT_COPY_FILE;
        case FileOpKind::Delete:
            return IDS_CANT_DELETE_FILE;
        case FileOpKind::CreateFolder:
            return IDS_CANT_CREATE_DIR;
        case FileOpKind::RemoveFolder:
            return IDS_CANT_REMOVE_DIR;
        case FileOpKind::CopyAttributes:
            return IDS_CANT_COPY_ATTRIBUTES;
    }
    return IDS_CANT_COPY_FILE;
}

bool DiskFull(int error) {
    return error == ENOSPC || error == EDQUOT;
}

std::string Fill(int id, const std::string& path) {
    return FormatText(LoadString(id).c_str(), path.c_str());
}

}  // namespace

CErrorPolicy::CErrorPolicy(CElement& task, CRunBytes* bytes) : m_task(task), m_pBytes(bytes) {}

std::string CErrorPolicy::FailureMessage(FileOpKind kind, const std::string& path, int error) {
    if (kind == FileOpKind::CreateFolder && error == EEXIST) {
        return Fill(IDS_CREATED_AFTER_START, path);
    }
    return Fill(MessageId(kind), path);
}

void CErrorPolicy::LogError(const std::string& line) {
    m_task.m_Run.RecordError(line);
    // A silent run has no progress window to show it; the run record keeps it for the log.
    if (ITaskObserver* observer = m_task.m_Run.Observer();
        observer && !m_task.Has2(opt2::kSilent)) {
        observer->AddError(line);
    }
}

CPolicyOutcome CErrorPolicy::Perform(FileOpKind kind, const std::string& path, uint64_t size,
                                     const std::function<COpStatus()>& op,
                                     const std::string& checkedPath) {
    COpStatus status = op();
    bool aborted = false;
    while (status.m_result == OpResult::Failed && m_task.m_Run.Policy() == ErrorPolicy::Ask) {
        const int retries = kind == FileOpKind::Copy ? kAutomaticCopyRetries : 0;
        for (int i = 0; i < retries && status.m_result == OpResult::Failed; ++i) {
            if (IsTaskCanceled(m_task)) {
                break;
            }
            status = op();
        }
        if (status.m_result != OpResult::Failed || IsTaskCanceled(m_task)) {
            break;
        }
        const PromptAnswer answer =
            AskAbortRetryIgnore(m_task, FailureMessage(kind, path, status.m_error));
        if (answer != PromptAnswer::Retry) {
            aborted = answer == PromptAnswer::Abort;
            break;
        }
        if (kind != FileOpKind::Copy) {
            status = op();
        }
    }

    CPolicyOutcome outcome;
    outcome.m_bDone = status.Ok();
    if (status.m_result == OpResult::Changed) {
        LogError(Fill(IDS_CHANGED_DURING_RUN, checkedPath.empty() ? path : checkedPath));
    } else if (status.m_result == OpResult::Failed) {
        if (DiskFull(status.m_error)) {
            LogError(LoadString(IDS_DISK_FULL));
        }
        LogError(FailureMessage(kind, path, status.m_error));
        if (aborted) {
            m_task.m_Run.SetPolicy(ErrorPolicy::Stop);
        }
        outcome.m_bGoOn = m_task.m_Run.Policy() != ErrorPolicy::Stop;
    }
    const bool passedOver = status.m_result == OpResult::Changed ||
                            (status.m_result == OpResult::Failed && outcome.m_bGoOn);
    if (passedOver && m_pBytes) {
        m_pBytes->m_done += size;
    }
    return outcome;
}

}  // namespace tv
