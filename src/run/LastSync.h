#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sync/SinceLastSync.h"

namespace tv {

class IFileSystem;

// When each target last completed a synchronization. The two-way mode treats an item that
// existed then, found on one side only, as deleted on the other side since; so the times move
// only when a target's pass went through without an error, never because a run was attempted
// (the log file's time moves with every run and would make files that were never copied look
// deleted). Kept beside the default log: ProgramDataFolder() + "/logs/<id>.sync", one entry
// per target index with the target's path, replaced atomically, in the file system the program
// keeps its files in. An entry made for another path (the target was changed) does not count.
class CLastSyncStore {
  public:
    CLastSyncStore(IFileSystem& fs, int taskId);

    static std::string PathOf(int taskId);

    // Unknown when the target never completed a synchronization. Blocks on disk I/O; any
    // thread.
    CLastSync Get(int targetIndex, const std::string& targetPath) const;
    // False when the file cannot be written. Blocks on disk I/O; one writer per task at a time.
    bool Set(int targetIndex, const std::string& targetPath, const CLastSync& times);

  private:
    struct CEntry {
        int m_nIndex = 0;
        CLastSync m_times;
        std::string m_strPath;
    };

    std::vector<CEntry> Read() const;
    // One line; false on damage. A line of the earlier form leaves the times unknown.
    static bool ReadEntry(std::string_view& text, CEntry& entry);

    IFileSystem& m_fs;
    int m_nTaskId;
};

}  // namespace tv
