#include "live/Replicator.h"

#include <cerrno>

#include "base/StringTable.h"
#include "live/ServiceLog.h"
#include "platform/TempFile.h"
#include "sync/RunProgress.h"

namespace tv {

namespace {

bool IsGone(int error) {
    return error == ENOENT || error == ENOTDIR;
}

bool SameFile(const CFileInfo& a, const CFileInfo& b) {
    return a.m_size == b.m_size && a.m_lastWrite == b.m_lastWrite;
}

}  // namespace

CReplicator::CReplicator(CLiveSettings& settings, IFileSystem& fs, CServiceLog& log)
    : m_settings(settings),
      m_fs(fs),
      m_log(log),
      m_ops(settings.m_Task, fs),
      m_filter(settings.m_Task, settings.m_strSource, false) {}

void CReplicator::Reconcile(const std::string& path) {
    if (!m_settings.IsWatched(path)) {
        return;
    }
    for (const std::string& target : m_settings.m_Targets) {
        if (Canceled()) {
            return;
        }
        ReconcileOn(target, path, Deep::Entries);
    }
}

void CReplicator::Rename(const CRename& rename) {
    for (const std::string& target : m_settings.m_Targets) {
        if (Canceled()) {
            return;
        }
        if (RenameOn(target, rename)) {
            continue;
        }
        ReconcileOn(target, rename.m_from, Deep::Entries);
        ReconcileOn(target, rename.m_to, Deep::Yes);
    }
}

bool CReplicator::RenameOn(const std::string& target, const CRename& rename) {
    CFileInfo source;
    CFileInfo old;
    if (!m_settings.IsWatched(rename.m_from) || !m_settings.IsWatched(rename.m_to) ||
        m_fs.Stat(JoinRelative(m_settings.m_strSource, rename.m_to), source, LinkMode::Follow) ||
        !Admitted(rename.m_from, source) || !Admitted(rename.m_to, source) ||
        m_fs.Stat(JoinRelative(target, rename.m_from), old, LinkMode::NoFollow) ||
        (old.m_type == EntryType::Folder) != (source.m_type == EntryType::Folder) ||
        !MakeParents(target, rename.m_to)) {
        return false;
    }
    const std::string to = JoinRelative(target, rename.m_to);
    if (m_fs.Rename(JoinRelative(target, rename.m_from), to) != 0) {
        return false;
    }
    m_log.Line(FormatText(LoadString(IDS_LIVE_RENAMED).c_str(),
                          JoinRelative(target, rename.m_from).c_str(), to.c_str()));
    // What the rename brought over may be older than what the source holds by now: changes
    // the source saw before the rename can still be on their way, or already carried out
    // under a name the rename then replaced.
    if (source.m_type == EntryType::Folder) {
        CheckTree(target, rename.m_to);
    } else {
        ReconcileOn(target, rename.m_to, Deep::No);
    }
    return true;
}

void CReplicator::ReconcileOn(const std::string& target, const std::string& path, Deep deep) {
    CFileInfo source;
    const int sourceError =
        m_fs.Stat(JoinRelative(m_settings.m_strSource, path), source, LinkMode::Follow);
    if (sourceError != 0 && !IsGone(sourceError)) {
        Failed(JoinRelative(m_settings.m_strSource, path), sourceError);
        return;
    }
    const std::string dest = JoinRelative(target, path);
    CFileInfo there;
    const int destError = m_fs.Stat(dest, there, LinkMode::NoFollow);
    const bool destThere = destError == 0;
    if (sourceError != 0 || source.m_type == EntryType::Other) {
        if (destThere && Admitted(path, there) && SourceIsThere()) {
            RemoveEntry(target, path, there);
        }
        return;
    }
    if (!Admitted(path, source)) {
        return;
    }
    const bool folder = source.m_type == EntryType::Folder;
    if (destThere && (there.m_type == EntryType::Folder) != folder) {
        RemoveEntry(target, path, there);
    } else if (destThere && folder) {
        if (deep == Deep::Yes) {
            RemoveTree(dest);
            CopyTree(target, path);
        } else if (deep == Deep::Entries) {
            CheckTargetEntries(target, path);
        }
        return;
    } else if (destThere && SameFile(source, there)) {
        if (there.m_attributes != source.m_attributes) {
            m_ops.CopyAttributes(dest, source.m_attributes);
        }
        return;
    }
    if (!MakeParents(target, path)) {
        return;
    }
    if (folder) {
        CopyTree(target, path);
        return;
    }
    CRunBytes bytes;
    const COpStatus done = m_ops.CopyFile(
        {JoinRelative(m_settings.m_strSource, path), dest, source.m_size, std::nullopt}, bytes);
    if (done.Ok()) {
        m_log.Line(FormatText(LoadString(IDS_LIVE_COPIED).c_str(), dest.c_str()));
    } else if (done.m_result == OpResult::Failed && ChangedSince(path, source)) {
        // The change that cut the copy short has its own event on the way, which copies the
        // file again; the bare errno would read as a failing disk.
        m_log.Line(FormatText(LoadString(IDS_LIVE_CHANGED_WHILE_COPIED).c_str(), dest.c_str()));
    } else if (done.m_result == OpResult::Failed) {
        Failed(dest, done.m_error);
    }
}

bool CReplicator::ChangedSince(const std::string& path, const CFileInfo& seen) {
    CFileInfo now;
    return m_fs.Stat(JoinRelative(m_settings.m_strSource, path), now, LinkMode::Follow) == 0 &&
           !SameFile(now, seen);
}

// A folder that is new on the target: made, then filled from what the source holds now.
void CReplicator::CopyTree(const std::string& target, const std::string& path) {
    const std::string dest = JoinRelative(target, path);
    const COpStatus made = m_ops.CreateFolder(dest);
    if (!made.Ok() && made.m_error != EEXIST) {
        Failed(dest, made.m_error);
        return;
    }
    CFileInfo folder;
    std::vector<CFolderItem> items;
    if (ListFolder(m_fs, JoinRelative(m_settings.m_strSource, path), folder, items) != 0) {
        return;
    }
    for (const CFolderItem& item : items) {
        const std::string child = JoinRelative(path, item.m_name);
        if (Canceled()) {
            return;
        }
        if (m_settings.IsWatched(child)) {
            ReconcileOn(target, child, Deep::No);
        }
    }
}

// Every entry of a folder on both sides made equal, without copying what is equal already.
void CReplicator::CheckTree(const std::string& target, const std::string& path) {
    CheckTargetEntries(target, path);
    CFileInfo folder;
    std::vector<CFolderItem> items;
    if (ListFolder(m_fs, JoinRelative(m_settings.m_strSource, path), folder, items) != 0) {
        return;
    }
    for (const CFolderItem& item : items) {
        const std::string child = JoinRelative(path, item.m_name);
        if (Canceled() || !m_settings.IsWatched(child)) {
            continue;
        }
        ReconcileOn(target, child, Deep::No);
        if (item.m_info.m_type == EntryType::Folder) {
            CheckTree(target, child);
        }
    }
}

// A folder the source replaced (moved away, then made again) keeps its name, so no event
// tells of the entries it held; they are found here, on the target's side.
void CReplicator::CheckTargetEntries(const std::string& target, const std::string& path) {
    std::vector<std::string> names;
    if (m_fs.ListNames(JoinRelative(target, path), names) != 0) {
        return;
    }
    for (const std::string& name : names) {
        if (!IsTempFileName(name) && !Canceled()) {
            ReconcileOn(target, JoinRelative(path, name), Deep::No);
        }
    }
}

// The folders above `path` on the target, made where the source has them.
bool CReplicator::MakeParents(const std::string& target, const std::string& path) {
    for (size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string dest = JoinRelative(target, path.substr(0, slash));
        CFileInfo there;
        const int error = m_fs.Stat(dest, there, LinkMode::Follow);
        if (error == 0 && there.m_type == EntryType::Folder) {
            continue;
        }
        if (error == 0) {
            RemoveEntry(target, path.substr(0, slash), there);
        }
        const COpStatus made = m_ops.CreateFolder(dest);
        if (!made.Ok() && made.m_error != EEXIST) {
            Failed(dest, made.m_error);
            return false;
        }
    }
    return true;
}

void CReplicator::RemoveEntry(const std::string& target, const std::string& path,
                              const CFileInfo& info) {
    const std::string dest = JoinRelative(target, path);
    if (info.m_type == EntryType::Folder && !info.m_bSymlink) {
        RemoveTree(dest);
        return;
    }
    const COpStatus done = m_ops.DeleteFile(dest);
    if (done.Ok()) {
        m_log.Line(FormatText(LoadString(IDS_LIVE_DELETED).c_str(), dest.c_str()));
    } else if (!IsGone(done.m_error)) {
        Failed(dest, done.m_error);
    }
}

void CReplicator::RemoveTree(const std::string& dest) {
    std::vector<std::string> names;
    if (int error = m_fs.ListNames(dest, names); error != 0) {
        Failed(dest, error);
        return;
    }
    for (const std::string& name : names) {
        CFileInfo info;
        const std::string child = dest + "/" + name;
        if (m_fs.Stat(child, info, LinkMode::NoFollow) != 0) {
            continue;
        }
        if (info.m_type == EntryType::Folder && !info.m_bSymlink) {
            RemoveTree(child);
        } else if (COpStatus done = m_ops.DeleteFile(child); !done.Ok()) {
            Failed(child, done.m_error);
        }
    }
    const COpStatus removed = m_ops.RemoveFolder(dest);
    if (removed.Ok()) {
        m_log.Line(FormatText(LoadString(IDS_LIVE_DELETED).c_str(), dest.c_str()));
    } else if (!IsGone(removed.m_error)) {
        Failed(dest, removed.m_error);
    }
}

// The folders above an entry are filtered too: the investigation never enters an excluded one.
bool CReplicator::Admitted(const std::string& path, const CFileInfo& info) const {
    for (size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        if (!m_filter.Admit(JoinRelative(m_settings.m_strSource, path.substr(0, slash)), true, 0,
                            0)) {
            return false;
        }
    }
    return m_filter.Admit(JoinRelative(m_settings.m_strSource, path),
                          info.m_type == EntryType::Folder, info.m_size, info.m_lastWrite);
}

bool CReplicator::SourceIsThere() {
    CFileInfo root;
    return m_fs.Stat(m_settings.m_strSource, root, LinkMode::Follow) == 0 &&
           root.m_type == EntryType::Folder;
}

bool CReplicator::Canceled() {
    return m_settings.m_Task.m_Run.CancelRequested();
}

void CReplicator::Failed(const std::string& path, int error) {
    m_log.Line(FormatText(LoadString(IDS_LIVE_FAILED).c_str(), path.c_str(),
                          SystemErrorText(error).c_str()));
}

}  // namespace tv
