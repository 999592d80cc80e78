#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tv {

using LiveClock = std::chrono::steady_clock;

// Both halves of a rename in the source, as paths relative to the source root.
struct CRename {
    std::string m_from;
    std::string m_to;
    bool m_bFolder = false;
};

// What the worker carries out next, in this order: a full synchronization, the renames in the
// order they happened, then each path whose entry on every target is made to equal the source's.
struct CChangeBatch {
    bool m_bResync = false;
    std::vector<CRename> m_renames;
    std::vector<std::string> m_paths;  // sorted, so a folder comes before what it holds
};

// The changes seen in the source and not yet carried out. A path is held once however often it
// changes, and only once it is due: a file being written waits until its writer closed it or
// it was quiet for a while, so a burst of events costs one copy. Because the worker makes each
// path equal to the source as the source is when it looks, the order of paths does not matter;
// only renames keep their order. Thread-safe: the watching thread adds, the worker takes.
class CChangeQueue {
  public:
    // A path written without end is still copied this long after its first change.
    static constexpr std::chrono::seconds kLongestWait{10};
    // Most paths per batch: a rename that comes meanwhile finds few of them in flight.
    static constexpr size_t kBatchPaths = 256;

    // The path becomes due at `due` (a later event moves it, an earlier close brings it
    // forward), but no later than kLongestWait after it was first marked. Does not block.
    void MarkDirty(const std::string& path, LiveClock::time_point due);
    // Queues a rename. Paths waiting below `from`, and those the worker has in hand, are marked
    // again under their new name, since the content they stand for now lives there.
    void AddRename(CRename rename);
    // Everything queued so far is dropped: the full synchronization that follows covers it.
    void RequestResync();

    // Worker thread. Blocks until a batch is due or Stop was called; false after Stop. The
    // paths of the batch count as in hand until Done.
    bool Take(CChangeBatch& batch);
    void Done();
    // Any thread: makes Take return false from now on.
    void Stop();

  private:
    struct CEntry {
        LiveClock::time_point m_due;
        LiveClock::time_point m_first;
    };
    void MarkLocked(const std::string& path, LiveClock::time_point due);
    void MoveBelow(const std::string& from, const std::string& to);
    bool Ready(LiveClock::time_point now) const;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::unordered_map<std::string, CEntry> m_entries;
    std::set<std::pair<LiveClock::time_point, std::string>> m_byDue;
    std::vector<CRename> m_renames;
    std::vector<std::string> m_inHand;
    bool m_bResync = false;
    bool m_bStopped = false;
};

// Whether `path` is `folder` itself or lies below it (paths relative to one root; "" holds
// everything).
bool IsAtOrBelow(const std::string& path, const std::string& folder);

}  // namespace tv
