#include "base/FileTime.h"
#include "base/StringTable.h"
#include "run/TaskRun.h"
#include "sync/FileKeeper.h"
#include "task/Element.h"

namespace tv {

// Only folders of a task that has some: an archive target is a file, not a folder.
void CTaskRun::PruneKeptFiles() {
    // A dry run changes nothing on disk, old versions included.
    if (ArchiveTask() || Dry()) {
        return;
    }
    const int64_t now = CurrentTaskTime();
    PruneVersions(m_sides.Fs(), SourceRoot(), m_keep.m_nDays, now);
    if (!m_pDisc) {
        PruneVersions(m_sides.Fs(), TargetRoot(), m_keep.m_nDays, now);
    }
}

void CTaskRun::AddKeptRoots(CFileKeeper& keeper, size_t index) const {
    const auto reach = [](const CTag& side) {
        return side.IsRemote() ? SideReach::Remote : SideReach::Local;
    };
    keeper.AddRoot(SourceRoot(), reach(m_task.m_Source));
    keeper.AddRoot(TargetRoot(), reach(m_task.m_Targets[index]));
}

void CTaskRun::RecordKeptPlaces(const CFileKeeper& keeper) {
    for (const std::string& place : keeper.Places()) {
        m_run.Record(CTaskInfor::KeptFiles, place);
    }
}

std::string CTaskRun::KeepNote() const {
    switch (m_keep.m_mode) {
        case KeepMode::Trash:
            return LoadString(IDS_PREVIEW_KEEP_TRASH);
        case KeepMode::Versions:
            return FormatText(LoadString(IDS_PREVIEW_KEEP_VERSIONS).c_str(), m_keep.m_nDays,
                              std::string(kVersionsFolderName).c_str());
        case KeepMode::Delete:
            break;
    }
    return {};
}

}  // namespace tv
