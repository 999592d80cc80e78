#pragma once

#include <string>

#include "live/ChangeQueue.h"
#include "live/LiveSettings.h"
#include "platform/FileSystem.h"
#include "scan/Filter.h"
#include "sync/FileOperations.h"

namespace tv {

class CServiceLog;

// Repeats the changes of the source on every target through the engine's file operations: a
// copy goes to a temporary name and replaces the old file only when complete. Each call looks
// at the source as it is now, so a change that was seen late or twice still leaves the target
// equal to the source. Entries the task's filters leave out are not touched on either side,
// and nothing is deleted while the source folder itself is missing (an unmounted disk is not a
// deletion). The worker thread only; every call blocks on disk I/O and stops between files
// once the task's run is canceled.
class CReplicator {
  public:
    CReplicator(CLiveSettings& settings, IFileSystem& fs, CServiceLog& log);

    // Makes the entry at `path` (relative to the source) on every target what it is in the
    // source: copied, deleted, or a folder made. A folder's contents are their own paths, but
    // what the target's folder holds beyond the source's is removed with it.
    void Reconcile(const std::string& path);
    // Renames the entry on every target that has it as it was; a target without it, or where
    // the rename cannot be done, gets the new entry copied (and the old one removed) instead.
    void Rename(const CRename& rename);

  private:
    // What becomes of a folder that both sides hold. No: left to the caller, who goes through
    // its entries anyway. Entries: what the target's folder holds and the source's does not is
    // removed, since the target's may be one the source has replaced by now. Yes: made anew.
    enum class Deep { No, Entries, Yes };
    void ReconcileOn(const std::string& target, const std::string& path, Deep deep);
    bool RenameOn(const std::string& target, const CRename& rename);
    void CopyTree(const std::string& target, const std::string& path);
    void CheckTree(const std::string& target, const std::string& path);
    void CheckTargetEntries(const std::string& target, const std::string& path);
    bool MakeParents(const std::string& target, const std::string& path);
    void RemoveEntry(const std::string& target, const std::string& path, const CFileInfo& info);
    void RemoveTree(const std::string& dest);
    bool Admitted(const std::string& path, const CFileInfo& info) const;
    bool SourceIsThere();
    // Whether the source's file at `path` is no longer what `seen` describes (it still exists).
    bool ChangedSince(const std::string& path, const CFileInfo& seen);
    bool Canceled();
    void Failed(const std::string& path, int error);

    CLiveSettings& m_settings;
    IFileSystem& m_fs;
    CServiceLog& m_log;
    CFileOperations m_ops;
    CFilter m_filter;
};

}  // namespace tv
