#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tv {

// What happened to an entry of a watched folder (CWatchEvent::m_what), or to the watch itself.
namespace watchbit {
inline constexpr uint32_t kCreated = 0x1;
inline constexpr uint32_t kModified = 0x2;     // written, not closed yet
inline constexpr uint32_t kClosedWrite = 0x4;  // a writer closed it
inline constexpr uint32_t kAttributes = 0x8;   // mode or times changed
inline constexpr uint32_t kDeleted = 0x10;
inline constexpr uint32_t kMovedFrom = 0x20;
inline constexpr uint32_t kMovedTo = 0x40;
inline constexpr uint32_t kFolder = 0x100;     // the entry is a folder
inline constexpr uint32_t kWatchGone = 0x200;  // the watch ended (its folder went away)
inline constexpr uint32_t kOverflow = 0x400;   // events were lost: the kernel's queue was full
}  // namespace watchbit

struct CWatchEvent {
    int m_watch = -1;       // the watch of the folder that holds the entry; -1 for kOverflow
    uint32_t m_what = 0;    // watchbit values
    uint32_t m_cookie = 0;  // the same for both halves of one rename
    std::string m_name;     // the entry's name in its folder; empty for the folder itself
};

// The kernel's notification of changes in folders (inotify), one folder per watch, not
// recursive. One thread reads; Wake may come from any thread.
class CInotify {
  public:
    CInotify();
    ~CInotify();
    CInotify(const CInotify&) = delete;
    CInotify& operator=(const CInotify&) = delete;

    // 0 when the notification could be set up, else its errno.
    int Error() const { return m_error; }

    // Watches the folder `path` (a link is not followed) for changes of its entries. A folder
    // already watched keeps its watch number. ENOSPC: the user's watch limit is reached.
    // Blocks briefly; the reading thread.
    int AddWatch(const std::string& path, int& watch);
    // Ends a watch; its kWatchGone event follows. The reading thread.
    void RemoveWatch(int watch);

    // Blocks until events arrive, `timeoutMs` pass (negative: no limit) or Wake is called,
    // and appends what arrived to `events`. 0, or an errno value. The reading thread.
    int Read(int timeoutMs, std::vector<CWatchEvent>& events);
    // Makes a Read that blocks, or the next one, return at once. Any thread.
    void Wake();

  private:
    int m_fd = -1;
    int m_wakeFd = -1;
    int m_error = 0;
    std::vector<char> m_buffer;
};

}  // namespace tv
