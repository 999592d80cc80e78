#include <cerrno>
#include <optional>

#include "base/PathText.h"
#include "base/StringTable.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Profile.h"
#include "run/EmptiedFolders.h"
#include "run/EmptySide.h"
#include "run/Preview.h"
#include "run/Snapshot.h"
#include "run/TaskRun.h"
#include "scan/Investigate.h"
#include "scan/RunPrompts.h"
#include "scan/SkippedItems.h"
#include "scan/TreeF.h"
#include "sync/FileKeeper.h"
#include "sync/Pass.h"
#include "sync/Plan.h"
#include "sync/SinceLastSync.h"
#include "task/Element.h"

namespace tv {

namespace {

bool IsPresent(IFileSystem& fs, const std::string& path) {
    CFileInfo st;
    return !path.empty() && fs.Stat(path, st, LinkMode::Follow) == 0;
}

bool FoldsCase(IFileSystem& fs, const std::string& path) {
    return (fs.Capabilities(path) & fscap::kFoldsCase) != 0;
}

std::string Fill(int id, const std::string& path) {
    return FormatText(LoadString(id).c_str(), path.c_str());
}

// "Can't open %s", and on its next line why, as the system says it: a folder that is not there
// is answered otherwise than one that may not be read.
std::string CantOpenQuestion(IFileSystem& fs, const std::string& path) {
    CFileInfo st;
    const int err = path.empty() ? ENOENT : fs.Stat(path, st, LinkMode::Follow);
    return Fill(IDS_CANT_OPEN, path) + (err != 0 ? "\n" + SystemErrorText(err) : std::string());
}

// The records the pass will act on: each row unchecked in the preview lowers the count.
size_t CountActing(const CTreeF& node) {
    size_t count = 0;
    for (const CFileDoInfo& record : node.files) {
        count += record.selected && record.action != ACTION_NONE ? 1 : 0;
    }
    for (const auto& sub : node.subfolders) {
        count += CountActing(*sub);
    }
    return count;
}

}  // namespace

// Each start of a task that uses its targets consecutively processes one target, the next
// in list order on every start; the rotation is stored before the target is processed.
CTaskRun::TargetResult CTaskRun::RunTargets() {
    const size_t count = m_task.m_Targets.size();
    int only = -1;
    if (m_task.Kind() == TaskKind::BackupRestore && m_task.Has2(opt2::kTargetsInTurn) &&
        m_run.Kind() != RunKind::Restore && count > 0) {
        CProfile userProfile(m_env.m_fs);
        only = Dry() ? PeekNextTarget()
                     : m_task.TakeNextTarget(m_env.m_pProfile ? *m_env.m_pProfile : userProfile);
    }
    for (size_t i = 0; i < count; ++i) {
        if (IsTaskCanceled(m_task)) {
            return TargetResult::Canceled;
        }
        if (only >= 0 && i != static_cast<size_t>(only)) {
            continue;
        }
        m_bLastTarget = i + 1 == count;
        m_run.SelectTarget(i);
        const TargetResult result = ProcessTarget(i);
        if (result == TargetResult::Canceled || result == TargetResult::Ended) {
            return result;
        }
    }
    return TargetResult::Next;
}

CTaskRun::TargetResult CTaskRun::ProcessTarget(size_t index) {
    const CTag& target = m_targets[index];
    m_strSourceRoot = m_source.m_strPath;
    m_strTargetRoot = target.m_strPath;
    m_strSingleName.clear();
    m_bTargetToCreate = false;
    TargetResult result = CheckDisc(index);
    if (result == TargetResult::Proceed) {
        result = ConnectSides(index);
    }
    if (result == TargetResult::Proceed) {
        result = CheckSource();
    }
    if (result == TargetResult::Proceed && ArchiveTask() && m_run.Kind() == RunKind::Restore) {
        if (Dry()) {
            DryNote(FormatText(LoadString(IDS_DRY_ARCHIVE_RESTORE).c_str(),
                               m_targets[index].DisplayPath().c_str(), SourceRoot().c_str()));
            return TargetResult::Next;
        }
        return RestoreArchive(index);
    }
    if (result == TargetResult::Proceed && !ArchiveTask() && !m_pDisc) {
        result = CheckTarget(index);
    }
    if (result != TargetResult::Proceed) {
        return result;
    }
    if (!ArchiveTask()) {
        FindSingleFile(index);
    }
    CTag sourceSide = m_source;
    sourceSide.m_strPath = sourceSide.m_strRemoteDir = SourceRoot();
    CTag targetSide = target;
    targetSide.m_strPath = targetSide.m_strRemoteDir = TargetRoot();
    CTreeF merged;
    merged.name = SourceRoot();
    merged.sourceOnly = true;
    CTreeF targetTree;
    targetTree.name = TargetRoot();
    CInvestigationRequest request;
    request.m_Source = {&sourceSide, &merged, &m_sides.Fs()};
    request.m_Target = {&targetSide, &targetTree, &m_sides.Fs()};
    request.m_Target.m_bIsDisc = m_pDisc != nullptr;
    request.m_bSingleTarget = m_task.m_Targets.size() == 1;
    CSkippedItems skipped;
    if (Dry()) {
        request.m_Source.m_pSkipped = request.m_Target.m_pSkipped = &skipped;
    }
    if (m_bTargetToCreate) {
        request.m_Target.m_pLocation = nullptr;
    }
    if (SnapshotStandsForTarget()) {
        request.m_ReadSnapshot = [this, index](CTreeF& root) {
            return ReadSnapshot(m_env.m_fs, m_task, static_cast<int>(index), root);
        };
    }
    PruneKeptFiles();
    // Listing a big tree takes a while: the window names the phase before the first folder.
    Status(IDS_INVESTIGATING);
    const FileTime scanStart = ScanStartNow();
    const bool investigated = !IsTaskCanceled(m_task) && InvestigateSides(m_task, request);
    LogRefusedNames();
    if (!investigated) {
        return Canceled() ? TargetResult::Canceled : InvestigationFailed(request);
    }
    KeepSingleFile(merged);
    KeepSingleFile(targetTree);
    Status(IDS_COMPARING_ATTRIBUTES);
    const size_t sourceFiles = CountFiles(merged);
    const size_t targetFiles = CountFiles(targetTree);
    MergeRoots(merged, targetTree);
    CPlanRequest plan(m_sides.Fs());
    // A disc is never listed, so nothing on it may count as deleted since a synchronization.
    if (!m_pDisc) {
        plan.m_lastSync = m_lastSync.Get(static_cast<int>(index), target.m_strPath);
    }
    plan.m_match = ChooseNameMatch(
        m_task, m_task.m_Source.IsRemote(), m_task.m_Targets[index].IsRemote(),
        FoldsCase(m_sides.Fs(), SourceRoot()), FoldsCase(m_sides.Fs(), TargetRoot()));
    plan.m_pSkipped = Dry() ? &skipped : nullptr;
    CPlanBytes bytes;
    CRunBytes progress;
    PlanSynchronization(m_task, merged, SourceRoot(), TargetRoot(), plan, bytes, progress);
    if (!SpareEmptiedSide(merged, sourceFiles, targetFiles)) {
        return TargetResult::Next;
    }
    if (Dry()) {
        ReportPlan(index, merged, skipped.Take());
        return TargetResult::Next;
    }
    const PreviewAnswer answer =
        IsTaskCanceled(m_task) ? PreviewAnswer::Refused : ShowPreview(merged, bytes, index);
    if (answer == PreviewAnswer::Refused) {
        return TargetResult::Canceled;
    }
    return Synchronize(index, merged, progress,
                       answer == PreviewAnswer::AllRows ? std::optional(scanStart) : std::nullopt);
}

// A site that cannot be reached fails like a folder that cannot be opened: under the error
// policy, before anything is listed.
CTaskRun::TargetResult CTaskRun::ConnectSides(size_t index) {
    for (const CTag* location : {&m_task.m_Source, &m_task.m_Targets[index]}) {
        std::string error;
        if (location->IsRemote() && !m_sides.Connect(*location, error)) {
            return Ending(EndTaskWithError(0, error, PromptAnswer::Abort, Canceled()));
        }
    }
    return TargetResult::Proceed;
}

void CTaskRun::FindSingleFile(size_t index) {
    const auto fileRoot = [this](const CTag& location, std::string& root) {
        CFileInfo st;
        if (!location.IsRemote() || m_sides.Fs().Stat(root, st, LinkMode::Follow) != 0 ||
            st.m_type != EntryType::File) {
            return;
        }
        if (m_strSingleName.empty()) {
            m_strSingleName = NameOf(root);
        }
        root = FolderOf(root);
    };
    fileRoot(m_task.m_Source, m_strSourceRoot);
    fileRoot(m_task.m_Targets[index], m_strTargetRoot);
}

void CTaskRun::KeepSingleFile(CTreeF& root) const {
    if (m_strSingleName.empty()) {
        return;
    }
    root.subfolders.clear();
    std::erase_if(root.files,
                  [this](const CFileDoInfo& record) { return record.name != m_strSingleName; });
}

void CTaskRun::LogRefusedNames() {
    for (const std::string& path : m_sides.TakeRefusedNames()) {
        LogRunError(m_task, FormatText(LoadString(IDS_REMOTE_NAME_REFUSED).c_str(), path.c_str()));
    }
}

CTaskRun::TargetResult CTaskRun::CheckSource() {
    PromptAnswer answer = PromptAnswer::Abort;
    while (!IsPresent(m_sides.Fs(), SourceRoot()) && m_run.Policy() == ErrorPolicy::Ask) {
        answer = AskAbortRetryIgnore(m_task, CantOpenQuestion(m_sides.Fs(), SourceRoot()));
        if (answer != PromptAnswer::Retry) {
            break;
        }
    }
    if (IsPresent(m_sides.Fs(), SourceRoot())) {
        return TargetResult::Proceed;
    }
    return Ending(
        EndTaskWithError(IDS_SOURCE_MISSING, LoadString(IDS_SOURCE_MISSING), answer, false));
}

// The question is put whatever the policy: a drive that is not plugged in can be.
CTaskRun::TargetResult CTaskRun::CheckTarget(size_t index) {
    const std::string& path = m_targets[index].m_strPath;
    IFileSystem& fs = m_sides.Fs();
    m_bTargetToCreate = Dry() && !IsPresent(fs, path) && m_task.Has3(opt3::kCreateTarget);
    if (m_bTargetToCreate) {
        return TargetResult::Proceed;
    }
    if (!IsPresent(fs, path) && m_task.Has3(opt3::kCreateTarget) && EnsureFolder(fs, path)) {
        m_run.Record(CTaskInfor::FoldersCreatedInTarget, Fill(IDS_FOLDER_CREATED, path));
    }
    PromptAnswer answer = PromptAnswer::Abort;
    while (!IsPresent(fs, path)) {
        answer = AskAbortRetryIgnore(m_task, CantOpenQuestion(fs, path));
        if (answer != PromptAnswer::Retry) {
            break;
        }
    }
    if (IsPresent(fs, path)) {
        return TargetResult::Proceed;
    }
    LogRunError(m_task, Fill(IDS_CANT_OPEN, path));
    const std::string missing = LoadString(IDS_TARGET_MISSING);
    switch (m_run.Policy()) {
        case ErrorPolicy::Continue:
            return TargetResult::Next;
        case ErrorPolicy::Ask:
            if (!m_bLastTarget && answer != PromptAnswer::Abort) {
                return TargetResult::Next;
            }
            return Ending(
                EndTaskWithError(IDS_TARGET_MISSING, missing, PromptAnswer::Abort, false));
        case ErrorPolicy::Stop:
            break;
    }
    return Ending(EndTaskWithError(IDS_TARGET_MISSING, missing, answer, false));
}

CTaskRun::TargetResult CTaskRun::InvestigationFailed(const CInvestigationRequest& request) {
    const int id =
        request.m_Source.m_bFailed ? IDS_ERR_INVESTIGATING_SOURCE : IDS_ERR_INVESTIGATING_TARGET;
    const ErrorPolicy policy = m_run.Policy();
    if (policy == ErrorPolicy::Continue) {
        return TargetResult::Next;
    }
    if (policy == ErrorPolicy::Ask && !m_bLastTarget &&
        AskYesNo(m_task, LoadString(id) + LoadString(IDS_CONTINUE_QUESTION)) == PromptAnswer::Yes) {
        return TargetResult::Next;
    }
    // The investigation has logged its failure already.
    return Ending(EndTaskWithError(id, {}, PromptAnswer::Abort, false));
}

// A side with no file at all (an unmounted drive) must not make the run empty the other side
// without a yes from someone.
bool CTaskRun::SpareEmptiedSide(const CTreeF& merged, size_t sourceFiles, size_t targetFiles) {
    const CPlannedDeletions deletions = CountPlannedDeletions(merged);
    const EndangeredSide side = FindEndangeredSide(sourceFiles, targetFiles, deletions);
    if (side == EndangeredSide::None) {
        return true;
    }
    const bool targetEndangered = side == EndangeredSide::Target;
    const std::string& targetPath = TargetRoot();
    const std::string& empty = targetEndangered ? SourceRoot() : targetPath;
    const std::string& endangered = targetEndangered ? targetPath : SourceRoot();
    const size_t count = targetEndangered ? deletions.m_nInTarget : deletions.m_nInSource;
    const std::string question =
        FormatText(LoadString(IDS_EMPTY_SIDE_QUESTION).c_str(), empty.c_str(),
                   static_cast<int>(count), endangered.c_str());
    if (Dry()) {
        DryNote(FormatText(LoadString(IDS_DRY_WOULD_ASK).c_str(), question.c_str()));
        return true;
    }
    if (AskYesNo(m_task, question) == PromptAnswer::Yes) {
        return true;
    }
    LogRunError(m_task, FormatText(LoadString(IDS_EMPTY_SIDE_SKIPPED).c_str(), endangered.c_str(),
                                   empty.c_str()));
    return false;
}

CTaskRun::PreviewAnswer CTaskRun::ShowPreview(CTreeF& merged, const CPlanBytes& bytes,
                                              size_t index) {
    const bool heldBack =
        m_env.m_bSeveralTasksStarted && (m_run.Preferences() & pref::kNoPreviewForSeveral);
    if (!m_task.Has1(opt1::kPreview) || m_task.Has2(opt2::kSilent) || heldBack ||
        !m_env.m_pPreview) {
        return PreviewAnswer::AllRows;
    }
    CPreviewRequest request;
    request.m_strCaption = FormatText(LoadString(IDS_PREVIEW_CAPTION).c_str(), m_task.m_nTaskId) +
                           m_task.m_Source.DisplayPath() +
                           (m_task.Mode() != 0 ? " --> " : " <--> ") +
                           m_task.m_Targets[index].DisplayPath();
    request.m_strSource = SourceRoot();
    request.m_strTarget = TargetRoot();
    request.m_nTargetIndex = static_cast<int>(index);
    request.m_strKeepNote = KeepNote();
    const size_t acting = CountActing(merged);
    if (m_env.m_pPreview->ShowPreview(m_task, merged, bytes, request)) {
        return CountActing(merged) == acting ? PreviewAnswer::AllRows
                                             : PreviewAnswer::SomeRowsUnchecked;
    }
    m_run.RequestCancel();
    if (m_env.m_pShutdownPending) {
        *m_env.m_pShutdownPending = false;
    }
    return PreviewAnswer::Refused;
}

CTaskRun::TargetResult CTaskRun::Synchronize(size_t index, CTreeF& merged, CRunBytes& bytes,
                                             std::optional<FileTime> scanStart) {
    const std::string& targetPath = m_targets[index].m_strPath;
    CPassRequest request = CPassRequest::Local(m_task, SourceRoot(), TargetRoot(), m_bLastTarget);
    request.m_sourceMedium = m_task.m_Source.IsRemote() ? SideMedium::Ftp : SideMedium::Local;
    request.m_targetMedium =
        m_task.m_Targets[index].IsRemote() ? SideMedium::Ftp : SideMedium::Local;
    CFileKeeper keeper(m_sides.Fs(), m_keep.m_mode, m_strKeepRunName);
    if (m_keep.m_mode != KeepMode::Delete) {
        AddKeptRoots(keeper, index);
        request.m_pKeeper = &keeper;
    }
    CSyncPass pass(m_task, std::move(request), bytes, m_sides.Fs());
    CPassCounts written;
    const bool completed = ArchiveTask() ? PackArchive(index, merged, bytes, written)
                           : m_pDisc     ? StageDisc(merged, bytes, written)
                                         : pass.Run(merged);
    RecordKeptPlaces(keeper);
    const FileTime passEnd = StampBoundaryNow();
    CountChanges(ArchiveTask() || m_pDisc ? written : pass.Counts());
    const bool canceled = Canceled();
    if (SnapshotStandsForTarget()) {
        RenewSnapshot(index, merged, completed);
    }
    if (!completed) {
        return Ending(EndTaskWithError(0, {}, PromptAnswer::Abort, false));
    }
    if (canceled) {
        return TargetResult::Canceled;
    }
    if (m_run.Kind() == RunKind::UpdateTarget && m_task.m_bDeleteSourceAfterRun && m_bLastTarget) {
        RemoveEmptiedFolders(m_task, SourceRoot(), m_sides.Fs());
    }
    // A target whose pass met any error keeps its old times, so that nothing it did not
    // receive looks deleted since.
    if (scanStart && !m_pDisc && m_run.CurrentCount(CTaskInfor::Errors) == 0) {
        m_lastSync.Set(static_cast<int>(index), targetPath, {*scanStart, passEnd});
    }
    return TargetResult::Next;
}

// A snapshot that may not describe the target any more is dropped, so that the next run
// lists the target instead of trusting it.
void CTaskRun::RenewSnapshot(size_t index, const CTreeF& merged, bool passCompleted) {
    const int target = static_cast<int>(index);
    if (passCompleted) {
        Status(IDS_WRITING_SNAPSHOT);
        Detail(LoadString(IDS_WRITING_SNAPSHOT));
        if (WriteSnapshot(m_env.m_fs, m_task, target, merged)) {
            return;
        }
    }
    DiscardSnapshot(m_env.m_fs, m_task.m_nTaskId, target);
}

void CTaskRun::CountChanges(const CPassCounts& counts) {
    CChangeCounts changes;
    changes.m_nCopiedFromSource = counts.m_nCopiedFromSource;
    changes.m_nCopiedFromTarget = counts.m_nCopiedFromTarget;
    changes.m_nDeletedInSource =
        static_cast<uint32_t>(m_run.CurrentCount(CTaskInfor::DeletedInSource));
    changes.m_nDeletedInTarget =
        static_cast<uint32_t>(m_run.CurrentCount(CTaskInfor::DeletedInTarget));
    m_run.AddChanges(changes);
}

}  // namespace tv
