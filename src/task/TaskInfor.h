#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "task/LineSpool.h"

namespace tv {

class IFileSystem;

// The folder a run's records spool to: the data folder's "Temp". Blocks on disk I/O (the data
// folder is made); any thread.
std::string RunSpoolFolder();

// The record of one target's run: what was changed and what failed. Both investigation
// threads and the worker add lines, so adding is guarded. Only the counts stay in memory: the
// lines go to nameless scratch files as they come, and are read back once the run is over.
class CTaskInfor {
  public:
    enum List : int {
        Errors,
        CopiedFromSource,
        CopiedFromTarget,
        DeletedInSource,
        DeletedInTarget,
        FoldersCreatedInSource,
        FoldersCreatedInTarget,
        FoldersDeletedInSource,
        FoldersDeletedInTarget,
        KeptFiles,  // where the deleted and replaced files went
        ListCount
    };

    // Keeps every line in memory.
    CTaskInfor() = default;
    // Spools the lines to scratch files in `spoolFolder` of `fs`. Should that fail, one error
    // line says so and the lines stay in memory from then on.
    CTaskInfor(IFileSystem& fs, std::string spoolFolder)
        : m_pSpoolFs(&fs), m_strSpoolFolder(std::move(spoolFolder)) {}
    CTaskInfor(const CTaskInfor&) = delete;
    CTaskInfor& operator=(const CTaskInfor&) = delete;

    // Any thread; now and then blocks on disk I/O while holding the record's lock.
    void Add(List list, std::string line);
    void AddError(std::string line) { Add(Errors, std::move(line)); }

    // Any thread: the number of lines added to `list` so far.
    size_t Count(List list) const;
    // Calls `visit` with each line of `list` in the order added. Only once the threads that add
    // lines have ended; blocks on disk I/O; not cancellable.
    void ForEachLine(List list, const std::function<void(std::string_view)>& visit) const;

  private:
    mutable std::mutex m_mutex;
    IFileSystem* m_pSpoolFs = nullptr;
    std::string m_strSpoolFolder;
    CLineSpool m_lists[ListCount];
    bool m_bSpoolFailed = false;
};

}  // namespace tv
