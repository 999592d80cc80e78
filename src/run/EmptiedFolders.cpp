#include "run/EmptiedFolders.h"

#include <vector>

#include "base/StringTable.h"
#include "scan/InvestigateJob.h"
#include "task/Element.h"

namespace tv {

namespace {

// True when `folder` holds nothing after its emptied subfolders were removed.
bool EmptyAfterRemovals(CElement& task, const std::string& folder, IFileSystem& fs) {
    std::vector<std::string> names;
    if (fs.ListNames(folder, names) != 0) {
        return false;
    }
    bool empty = true;
    for (const std::string& name : names) {
        if (IsTaskCanceled(task)) {
            return false;
        }
        const std::string path = JoinPath(folder, name);
        CFileInfo st;
        const bool isFolder = fs.Stat(path, st, LinkMode::NoFollow) == 0 &&
                              st.m_type == EntryType::Folder && !st.m_bSymlink;
        if (isFolder && EmptyAfterRemovals(task, path, fs) && fs.RemoveFolder(path) == 0) {
            task.m_Run.Record(CTaskInfor::FoldersDeletedInSource,
                              FormatText(LoadString(IDS_ITEM_DELETED).c_str(), path.c_str()));
            continue;
        }
        empty = false;
    }
    return empty;
}

}  // namespace

void RemoveEmptiedFolders(CElement& task, const std::string& root, IFileSystem& fs) {
    EmptyAfterRemovals(task, root, fs);
}

}  // namespace tv
