#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <unordered_map>
#include <vector>

#include "live/ChangeQueue.h"
#include "live/LiveSettings.h"
#include "platform/FileSystem.h"
#include "platform/Inotify.h"
#include "scan/Filter.h"

namespace tv {

class CServiceLog;

// Watches the source folder and every folder below it, and turns what the kernel reports into
// the paths and renames of the change queue. A folder that appears is watched at once and then
// listed, so that what was put into it before its watch existed is not missed. Lost events
// (a full kernel queue) and folders that cannot be watched (the user's watch limit) are
// answered with a full synchronization. Everything runs on the watching thread, except Wake.
class CSourceWatcher {
  public:
    // Both halves of a rename arrive together; a half left alone this long is an add or a
    // delete (the entry came from, or went to, outside the source).
    static constexpr std::chrono::milliseconds kPairWindow{40};
    // A file written without a close counts as finished once it was quiet this long.
    static constexpr std::chrono::milliseconds kQuiet{300};
    // While folders go unwatched, the targets are synchronized in full this often.
    static constexpr std::chrono::seconds kUnwatchedResync{60};

    CSourceWatcher(const CLiveSettings& settings, IFileSystem& fs, CChangeQueue& queue,
                   CServiceLog& log);

    // Watches the whole tree. False when the source folder cannot be watched (Error() says why).
    bool Start();
    // Reads and hands on events until `stop` is set and Wake is called, or the source folder
    // itself goes away (false then).
    bool Run(const std::atomic<bool>& stop);
    // Any thread: makes Run look at its stop flag.
    void Wake() { m_inotify.Wake(); }

    int Error() const { return m_error; }

  private:
    struct CPendingMove {
        std::string m_path;
        LiveClock::time_point m_at;
        std::vector<int> m_watches;  // of the folder and below, as it left
    };
    enum class NewEntries { Ignore, Mark };

    bool Handle(const CWatchEvent& event);
    void Changed(const std::string& path, uint32_t what);
    void MovedFrom(const std::string& path, const CWatchEvent& event);
    void MovedTo(const std::string& path, const CWatchEvent& event);
    void ExpireMoves(bool all);
    void LostEvents();
    int WatchTree(const std::string& path, NewEntries entries);
    std::vector<int> WatchesBelow(const std::string& path) const;
    void Forget(const std::vector<int>& watches);
    void Renamed(const std::string& from, const std::string& to);
    bool WantedFolder(const std::string& path) const;

    const CLiveSettings& m_settings;
    IFileSystem& m_fs;
    CChangeQueue& m_queue;
    CServiceLog& m_log;
    CFilter m_filter;
    CInotify m_inotify;
    std::unordered_map<int, std::string> m_paths;  // watch -> folder relative to the source
    std::unordered_map<uint32_t, CPendingMove> m_moves;
    int m_rootWatch = -1;
    int m_error = 0;
    bool m_bUnwatched = false;
    LiveClock::time_point m_lastResync;
};

}  // namespace tv
