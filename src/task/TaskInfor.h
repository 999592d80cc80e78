#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace tv {

// The record of one target's run: what was changed and what failed. Both investigation
// threads and the worker add lines, so adding is guarded; the lists are read after the run.
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
        ListCount
    };

    void Add(List list, std::string line) {
        std::lock_guard lock(m_mutex);
        m_lists[list].push_back(std::move(line));
    }
    void AddError(std::string line) { Add(Errors, std::move(line)); }

    // Only once the threads that add lines have ended.
    const std::vector<std::string>& Lines(List list) const { return m_lists[list]; }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lists[ListCount];
};

}  // namespace tv
