#include "run/EmptiedFolders.h"

#include <vector>

#include "base/StringTable.h"
#include "scan/InvestigateJob.h"
#include "task/Element.h"

namespace tv {

namespace {

// True when `folder` holds nothing after its emptied subfolders were removed.
bool EmptyAfterRemovals(CElement& task, const std::string& folder, IFileOps& ops) {
    std::vector<std::string> names;
    if (ops.ListNames(folder, names) != 0) {
        return false;
    }
    bool empty = true;
    for (const std::string& name : names) {
        if (IsTaskCanceled(task)) {
            return false;
        }
        const std::string path = JoinPath(folder, name);
        CFileStat st;
        const bool isFolder = ops.Stat(path, st, false) == 0 && st.m_bFolder && !st.m_bSymlink;
        if (isFolder && EmptyAfterRemovals(task, path, ops) && ops.RemoveFolder(path) == 0) {
            task.m_Run.Record(CTaskInfor::FoldersDeletedInSource,
                              FormatText(LoadString(IDS_ITEM_DELETED).c_str(), path.c_str()));
            continue;
        }
        empty = false;
    }
    return empty;
}

}  // namespace

void RemoveEmptiedFolders(CElement& task, const std::string& root, IFileOps& ops) {
    EmptyAfterRemovals(task, root, ops);
}

}  // namespace tv
