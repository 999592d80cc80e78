#pragma once

#include <string>
#include <vector>

#include "base/FileTime.h"

namespace tv {

// When each target of a task last completed a synchronization. The two-way mode treats a file
// older than that, found on one side only, as deleted on the other side since then; so the
// time moves only when a target's pass went through without an error, never because a run was
// attempted (the log file's time moves with every run and would make files that were never
// copied look deleted). Kept beside the default log: ProgramDataFolder() + "/logs/<id>.sync",
// one entry per target index with the target's path, replaced atomically. An entry made for
// another path (the target was changed) does not count.
class CLastSyncStore {
  public:
    explicit CLastSyncStore(int taskId);

    static std::string PathOf(int taskId);

    // 0 when the target never completed a synchronization. Blocks on disk I/O; any thread.
    FileTime Get(int targetIndex, const std::string& targetPath) const;
    // False when the file cannot be written. Blocks on disk I/O; one writer per task at a time.
    bool Set(int targetIndex, const std::string& targetPath, FileTime time);

  private:
    struct CEntry {
        int m_nIndex = 0;
        FileTime m_time = 0;
        std::string m_strPath;
    };

    std::vector<CEntry> Read() const;

    int m_nTaskId;
};

}  // namespace tv
