#include "live/SourceWatcher.h"

#include <cerrno>

#include "base/StringTable.h"
#include "live/ServiceLog.h"
#include "platform/TempFile.h"

namespace tv {

namespace {

constexpr std::chrono::milliseconds kSettle{15};

}  // namespace

CSourceWatcher::CSourceWatcher(const CLiveSettings& settings, IFileSystem& fs, CChangeQueue& queue,
                               CServiceLog& log)
    : m_settings(settings),
      m_fs(fs),
      m_queue(queue),
      m_log(log),
      m_filter(settings.m_Task, settings.m_strSource, false) {}

bool CSourceWatcher::Start() {
    if ((m_error = m_inotify.Error()) != 0) {
        return false;
    }
    m_error = WatchTree("", NewEntries::Ignore);
    return m_error == 0;
}

bool CSourceWatcher::Run(const std::atomic<bool>& stop) {
    std::vector<CWatchEvent> events;
    while (!stop) {
        events.clear();
        const int timeout = m_moves.empty() ? 1000 : static_cast<int>(kPairWindow.count());
        if (int error = m_inotify.Read(timeout, events); error != 0) {
            m_error = error;
            return false;
        }
        for (const CWatchEvent& event : events) {
            if (!Handle(event)) {
                return false;
            }
        }
        ExpireMoves(false);
        if (m_bUnwatched && LiveClock::now() - m_lastResync > kUnwatchedResync) {
            LostEvents();
        }
    }
    return true;
}

bool CSourceWatcher::Handle(const CWatchEvent& event) {
    if (event.m_what & watchbit::kOverflow) {
        m_log.Line(LoadString(IDS_LIVE_EVENTS_LOST));
        LostEvents();
        return true;
    }
    const auto folder = m_paths.find(event.m_watch);
    if (folder == m_paths.end()) {
        return true;  // a watch already forgotten, or the last events of a folder moved away
    }
    if (event.m_what & watchbit::kWatchGone) {
        m_paths.erase(folder);
        if (event.m_watch == m_rootWatch) {
            m_log.Line(FormatText(LoadString(IDS_LIVE_SOURCE_GONE).c_str(),
                                  m_settings.m_strSource.c_str()));
            return false;
        }
        return true;
    }
    if (event.m_name.empty() || IsTempFileName(event.m_name)) {
        return true;
    }
    const std::string path = JoinRelative(folder->second, event.m_name);
    if (!m_settings.IsWatched(path)) {
        return true;
    }
    if (event.m_what & watchbit::kMovedFrom) {
        MovedFrom(path, event);
    } else if (event.m_what & watchbit::kMovedTo) {
        MovedTo(path, event);
    } else {
        Changed(path, event.m_what);
    }
    return true;
}

void CSourceWatcher::Changed(const std::string& path, uint32_t what) {
    const auto now = LiveClock::now();
    if ((what & watchbit::kFolder) && (what & watchbit::kCreated)) {
        m_queue.MarkDirty(path, now);
        if (WantedFolder(path)) {
            WatchTree(path, NewEntries::Mark);
        }
        return;
    }
    // A file still being written waits for its close, or for quiet.
    const bool writing = what & (watchbit::kCreated | watchbit::kModified | watchbit::kAttributes);
    const bool finished = what & (watchbit::kClosedWrite | watchbit::kDeleted);
    m_queue.MarkDirty(path, now + (writing && !finished ? kQuiet : kSettle));
}

void CSourceWatcher::MovedFrom(const std::string& path, const CWatchEvent& event) {
    const bool folder = event.m_what & watchbit::kFolder;
    m_moves[event.m_cookie] = {path, LiveClock::now(),
                               folder ? WatchesBelow(path) : std::vector<int>{}};
}

void CSourceWatcher::MovedTo(const std::string& path, const CWatchEvent& event) {
    const bool folder = event.m_what & watchbit::kFolder;
    const auto pending = m_moves.find(event.m_cookie);
    if (pending != m_moves.end()) {
        const std::string from = pending->second.m_path;
        m_moves.erase(pending);
        if (folder) {
            Renamed(from, path);
        }
        m_queue.AddRename({from, path, folder});
        return;
    }
    // Moved in from outside: new to us, like a folder made here.
    m_queue.MarkDirty(path, LiveClock::now());
    if (folder && WantedFolder(path)) {
        WatchTree(path, NewEntries::Mark);
    }
}

// A half that found no partner: the entry left the source.
void CSourceWatcher::ExpireMoves(bool all) {
    const auto limit = LiveClock::now() - kPairWindow;
    for (auto it = m_moves.begin(); it != m_moves.end();) {
        if (!all && it->second.m_at > limit) {
            ++it;
            continue;
        }
        Forget(it->second.m_watches);
        m_queue.MarkDirty(it->second.m_path, LiveClock::now());
        it = m_moves.erase(it);
    }
}

// Whatever was lost is found again by a full synchronization; folders made meanwhile are
// watched from now on (a folder watched already keeps its watch).
void CSourceWatcher::LostEvents() {
    m_moves.clear();
    m_bUnwatched = false;
    m_lastResync = LiveClock::now();
    m_queue.RequestResync();
    WatchTree("", NewEntries::Ignore);
}

int CSourceWatcher::WatchTree(const std::string& path, NewEntries entries) {
    int watch = -1;
    const std::string full = JoinRelative(m_settings.m_strSource, path);
    if (int error = m_inotify.AddWatch(full, watch); error != 0) {
        if (error == ENOSPC && !m_bUnwatched) {
            m_bUnwatched = true;
            m_lastResync = LiveClock::now();
            m_log.Line(LoadString(IDS_LIVE_WATCH_LIMIT));
            m_queue.RequestResync();
        }
        return error;
    }
    if (path.empty()) {
        m_rootWatch = watch;
    }
    m_paths[watch] = path;
    CFileInfo info;
    std::vector<CFolderItem> items;
    ListFolder(m_fs, full, info, items);
    const auto now = LiveClock::now();
    for (const CFolderItem& item : items) {
        const std::string child = JoinRelative(path, item.m_name);
        if (!m_settings.IsWatched(child)) {
            continue;
        }
        const bool folder = item.m_info.m_type == EntryType::Folder;
        if (entries == NewEntries::Mark) {
            m_queue.MarkDirty(child, now);
        }
        if (folder && !item.m_info.m_bSymlink && WantedFolder(child)) {
            WatchTree(child, entries);
        }
    }
    return 0;
}

std::vector<int> CSourceWatcher::WatchesBelow(const std::string& path) const {
    std::vector<int> watches;
    for (const auto& [watch, folder] : m_paths) {
        if (IsAtOrBelow(folder, path)) {
            watches.push_back(watch);
        }
    }
    return watches;
}

// The folder left the source: its watches would report under a path that is no longer it. By
// the path alone they cannot be told apart from those of a folder made since under its name.
void CSourceWatcher::Forget(const std::vector<int>& watches) {
    for (int watch : watches) {
        if (m_paths.erase(watch) != 0) {
            m_inotify.RemoveWatch(watch);
        }
    }
}

void CSourceWatcher::Renamed(const std::string& from, const std::string& to) {
    for (auto& [watch, path] : m_paths) {
        if (IsAtOrBelow(path, from)) {
            path = to + path.substr(from.size());
        }
    }
}

bool CSourceWatcher::WantedFolder(const std::string& path) const {
    return m_filter.Admit(JoinRelative(m_settings.m_strSource, path), true, 0, 0);
}

}  // namespace tv
