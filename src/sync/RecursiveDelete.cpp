#include <cerrno>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "base/StringTable.h"
#include "scan/TreeF.h"
#include "sync/ErrorPolicy.h"
#include "sync/FileOperations.h"
#include "task/Element.h"

namespace tv {

namespace {

constexpr uint32_t kOwnerAll = 0700;

std::string Join(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

// What the scan saw in one folder on the side being deleted, by name.
class CScanIndex {
  public:
    CScanIndex(const CTreeF& node, Side side) {
        for (const CFileDoInfo& record : node.files) {
            if (record.side == side) {
                m_files.emplace(record.name, &record);
            }
        }
        for (const auto& sub : node.subfolders) {
            if (side == Side::Source ? !sub->targetOnly : !sub->sourceOnly) {
                m_folders.emplace(sub->name, sub.get());
            }
        }
    }

    const CFileDoInfo* File(const std::string& name) const {
        const auto it = m_files.find(name);
        return it == m_files.end() ? nullptr : it->second;
    }
    const CTreeF* Folder(const std::string& name) const {
        const auto it = m_folders.find(name);
        return it == m_folders.end() ? nullptr : it->second;
    }

  private:
    std::unordered_map<std::string_view, const CFileDoInfo*> m_files;
    std::unordered_map<std::string_view, const CTreeF*> m_folders;
};

// A folder about to be emptied gets its owner's rights, since it goes anyway; when it has to
// stay (something in it was kept), it gets its old mode back.
class CFolderRights {
  public:
    CFolderRights(IFileSystem& fs, const std::string& path, uint32_t mode)
        : m_fs(fs), m_path(path), m_mode(mode) {
        m_bChanged = (mode & kOwnerAll) != kOwnerAll && fs.SetMode(path, mode | kOwnerAll) == 0;
    }
    ~CFolderRights() {
        if (m_bChanged) {
            m_fs.SetMode(m_path, m_mode);
        }
    }
    CFolderRights(const CFolderRights&) = delete;
    CFolderRights& operator=(const CFolderRights&) = delete;

    void Gone() { m_bChanged = false; }

  private:
    IFileSystem& m_fs;
    const std::string& m_path;
    uint32_t m_mode;
    bool m_bChanged = false;
};

class CRecursiveDelete {
  public:
    CRecursiveDelete(CElement& task, CFileOperations& fileOps, IFileSystem& fs, Side side)
        : m_task(task), m_fileOps(fileOps), m_fs(fs), m_side(side), m_policy(task) {}

    // What the scan saw at `path`: a file (`record`) or a folder (`node`).
    bool Remove(const std::string& path, const CFileDoInfo* record, const CTreeF* node, bool& gone);

  private:
    bool RemoveFile(const std::string& path, const CFileDoInfo* record, bool& gone);
    bool RemoveTree(const std::string& path, const CTreeF& node, uint32_t mode, bool& gone);
    void LogDeleted(bool folder, const std::string& path);

    CElement& m_task;
    CFileOperations& m_fileOps;
    IFileSystem& m_fs;
    Side m_side;
    CErrorPolicy m_policy;
};

bool CRecursiveDelete::Remove(const std::string& path, const CFileDoInfo* record,
                              const CTreeF* node, bool& gone) {
    gone = false;
    CFileInfo st;
    int err = 0;
    const FileOpKind kind = node ? FileOpKind::RemoveFolder : FileOpKind::Delete;
    const CPolicyOutcome examined = m_policy.Perform(kind, path, 0, [&] {
        err = m_fs.Stat(path, st, LinkMode::NoFollow);
        return COpStatus{err == 0 || err == ENOENT ? OpResult::Done : OpResult::Failed, err};
    });
    if (!examined.m_bDone) {
        return examined.m_bGoOn;
    }
    if (err == ENOENT) {
        gone = true;
        return true;
    }
    if (!node) {
        return RemoveFile(path, record, gone);
    }
    // A link where the scan saw a folder is removed as a link: what it leads to was never this
    // side's to delete.
    if (st.m_bSymlink) {
        return RemoveFile(path, nullptr, gone);
    }
    if (st.m_type == EntryType::Folder) {
        return RemoveTree(path, *node, st.Mode(), gone);
    }
    return m_policy.Perform(kind, path, 0, [] { return COpStatus{OpResult::Changed, 0}; }).m_bGoOn;
}

bool CRecursiveDelete::RemoveFile(const std::string& path, const CFileDoInfo* record, bool& gone) {
    std::optional<CScannedFile> scanned;
    if (record) {
        scanned = CScannedFile::File(record->size, record->lastWrite);
    }
    const CPolicyOutcome outcome = m_policy.Perform(
        FileOpKind::Delete, path, 0, [&] { return m_fileOps.DeleteFile(path, scanned); });
    gone = outcome.m_bDone;
    if (gone) {
        LogDeleted(false, path);
    }
    return outcome.m_bGoOn;
}

// Only what the scan recorded goes: anything else in the folder was never compared (a filter
// refused it, or it arrived after the scan), so the folder stays for it, with one line that
// names it. A folder kept for a changed file or a failure has no line of its own: the item that
// stayed has its line already.
bool CRecursiveDelete::RemoveTree(const std::string& path, const CTreeF& node, uint32_t mode,
                                  bool& gone) {
    CFolderRights rights(m_fs, path, mode);
    std::vector<std::string> names;
    const bool listed = m_fs.ListNames(path, names) == 0;
    const CScanIndex index(node, m_side);
    bool allGone = true;
    const std::string* uncompared = nullptr;
    for (const std::string& name : names) {
        if (IsTaskCanceled(m_task)) {
            return true;
        }
        const CFileDoInfo* record = index.File(name);
        const CTreeF* child = index.Folder(name);
        if (!record && !child) {
            uncompared = uncompared ? uncompared : &name;
            allGone = false;
            continue;
        }
        bool childGone = false;
        if (!Remove(Join(path, name), record, child, childGone)) {
            return false;
        }
        allGone = allGone && childGone;
    }
    if (uncompared) {
        m_policy.LogError(FormatText(LoadString(IDS_FOLDER_KEPT_UNCOMPARED).c_str(), path.c_str(),
                                     uncompared->c_str()));
    }
    if (listed && !allGone) {
        return true;
    }
    const CPolicyOutcome outcome = m_policy.Perform(FileOpKind::RemoveFolder, path, 0,
                                                    [&] { return m_fileOps.RemoveFolder(path); });
    gone = outcome.m_bDone;
    if (gone) {
        rights.Gone();
        LogDeleted(true, path);
    }
    return outcome.m_bGoOn;
}

void CRecursiveDelete::LogDeleted(bool folder, const std::string& path) {
    const bool source = m_side == Side::Source;
    CTaskInfor::List list =
        folder ? (source ? CTaskInfor::FoldersDeletedInSource : CTaskInfor::FoldersDeletedInTarget)
               : (source ? CTaskInfor::DeletedInSource : CTaskInfor::DeletedInTarget);
    const std::string line = FormatText(LoadString(IDS_ITEM_DELETED).c_str(), path.c_str());
    m_task.m_Run.Record(list, line);
    if (ITaskObserver* observer = m_task.m_Run.Observer();
        observer && !m_task.Has2(opt2::kSilent)) {
        observer->AddDetail(line);
    }
}

}  // namespace

bool CFileOperations::DeleteRecursively(const std::string& path, Side side, const CTreeF& scanned,
                                        bool* removed) {
    bool gone = false;
    bool goOn = true;
    // Never the root of the file system, nor "nothing" (which would name the current folder).
    if (path.empty() || path.find_first_not_of('/') == std::string::npos) {
        CErrorPolicy policy(m_task);
        goOn = policy
                   .Perform(FileOpKind::RemoveFolder, path, 0,
                            [] {
                                return COpStatus{OpResult::Failed, EINVAL};
                            })
                   .m_bGoOn;
    } else {
        CRecursiveDelete job(m_task, *this, m_fs, side);
        goOn = job.Remove(path, nullptr, &scanned, gone);
    }
    if (removed) {
        *removed = gone;
    }
    return goOn;
}

}  // namespace tv
