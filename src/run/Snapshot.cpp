#include "run/Snapshot.h"

#include <memory>

#include "base/Archive.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "run/TaskLauncher.h"
#include "scan/Investigate.h"
#include "scan/TreeF.h"
#include "task/Element.h"

namespace tv {

namespace {

constexpr char kSnapshotFolder[] = "/SnapShots";

std::string SnapshotFolder() {
    return ProgramDataFolder() + kSnapshotFolder;
}

// Whether the target holds this record's file after the pass: it had it already (matched), or
// the pass put it there. A record that never reached the target says nothing of it.
bool TargetHolds(const CFileDoInfo& record) {
    return record.side == Side::Target || record.matched || record.done;
}

// The merged tree as the target stands after the pass. A folder that was only on the source
// is there now when the pass created it, and is absent otherwise, with all below it.
std::unique_ptr<CTreeF> TargetView(const CTreeF& node) {
    auto view = std::make_unique<CTreeF>();
    view->name = node.name;
    view->targetOnly = node.targetOnly;
    view->processed = node.processed;
    view->time = node.time;
    for (const CFileDoInfo& record : node.files) {
        if (TargetHolds(record)) {
            view->files.push_back(record);
        }
    }
    for (const auto& sub : node.subfolders) {
        if (sub->sourceOnly && !sub->processed) {
            continue;
        }
        // A folder the pass created is on both sides now (its view is not one-sided).
        view->subfolders.push_back(TargetView(*sub));
    }
    return view;
}

bool StoreTree(IFileSystem& fs, const CTreeF& root, int taskId, int targetIndex) {
    if (!EnsurePrivateFolder(fs, SnapshotFolder())) {
        return false;
    }
    CArchiveWriter writer;
    root.Store(writer);
    return WritePrivateFileAtomically(fs, SnapshotPath(taskId, targetIndex), writer.View());
}

}  // namespace

std::string SnapshotPath(int taskId, int targetIndex) {
    std::string path = SnapshotFolder() + "/ss" + std::to_string(taskId);
    if (targetIndex > 0) {
        path.append("_").append(std::to_string(targetIndex));
    }
    return path;
}

bool WriteSnapshot(IFileSystem& fs, const CElement& task, int targetIndex, const CTreeF& root) {
    if (targetIndex < 0 || static_cast<size_t>(targetIndex) >= task.m_Targets.size()) {
        return false;
    }
    std::unique_ptr<CTreeF> view = TargetView(root);
    view->name = task.m_Targets[targetIndex].m_strPath;
    return StoreTree(fs, *view, task.m_nTaskId, targetIndex);
}

bool ReadSnapshot(IFileSystem& fs, const CElement& task, int targetIndex, CTreeF& root) {
    if (targetIndex < 0 || static_cast<size_t>(targetIndex) >= task.m_Targets.size()) {
        return false;
    }
    const std::optional<std::string> bytes =
        ReadWholeFile(fs, SnapshotPath(task.m_nTaskId, targetIndex));
    if (!bytes) {
        return false;
    }
    try {
        CArchiveReader reader(*bytes);
        root.Load(reader);
        if (reader.AtEnd() && root.name == task.m_Targets[targetIndex].m_strPath) {
            return true;
        }
    } catch (const CArchiveError&) {
    }
    root.files.clear();
    root.subfolders.clear();
    return false;
}

void DiscardSnapshot(IFileSystem& fs, int taskId, int targetIndex) {
    fs.Unlink(SnapshotPath(taskId, targetIndex));
}

// The listing is a run of its own: it may be canceled, and its errors go to the task's record,
// as they would in the target update that the snapshot serves.
bool BeginSnapshot(IFileSystem& fs, CElement& task, uint32_t preferences) {
    return task.m_Run.Begin(RunKind::UpdateTarget, EffectivePreferences(task, preferences),
                            task.m_Targets.size(), &fs, RunSpoolFolder());
}

// A cancel that comes after the listing still keeps the snapshots as they were.
int TakeSnapshot(IFileSystem& fs, CElement& task) {
    CTaskRunState& run = task.m_Run;
    CTreeF source;
    source.sourceOnly = true;
    const CTag location = task.m_Source.ForRun();
    CInvestigationRequest request;
    request.m_Source.m_pLocation = &location;
    request.m_Source.m_pRoot = &source;
    request.m_Source.m_pFileSystem = &fs;
    request.m_bSingleTarget = true;
    bool written = task.m_Source.IsLocal() && !IsTaskCanceled(task) &&
                   InvestigateSides(task, request) && !IsTaskCanceled(task);
    bool any = false;
    for (size_t i = 0; written && i < task.m_Targets.size(); ++i) {
        if (task.m_Targets[i].IsLocal()) {
            source.name = task.m_Targets[i].m_strPath;
            written = StoreTree(fs, source, task.m_nTaskId, static_cast<int>(i));
            any = true;
        }
    }
    const bool done = written && any;
    run.End(done ? RunEnd::Normal : run.CancelRequested() ? RunEnd::Canceled : RunEnd::Error);
    return done ? 0 : -1;
}

int CreateSnapshot(IFileSystem& fs, CElement& task, uint32_t preferences) {
    return BeginSnapshot(fs, task, preferences) ? TakeSnapshot(fs, task) : -1;
}

}  // namespace tv
