#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace tv {

class IFileSystem;

// The log of one real-time service: a line per thing it did, appended as it happens, so that
// the log tells what happened up to the moment the service ended, however it ended. The file
// is held locked while the service runs. A service runs for months, so once the log reaches
// its limit it becomes "<path>.1" (replacing the one before) and a new log begins. Thread-safe.
class CServiceLog {
  public:
    static constexpr uint64_t kDefaultLimit = 8u << 20;

    explicit CServiceLog(IFileSystem& fs, uint64_t limit = kDefaultLimit)
        : m_fs(fs), m_limit(limit) {}
    ~CServiceLog();
    CServiceLog(const CServiceLog&) = delete;
    CServiceLog& operator=(const CServiceLog&) = delete;

    // Opens `path` for appending (made with its folder when missing). Blocks on disk I/O; an
    // errno value on failure. Before other threads log.
    int Open(const std::string& path);
    // Appends the local time and `text` as one line; nothing when the log is not open. Blocks
    // on one write; any thread.
    void Line(const std::string& text);

    const std::string& Path() const { return m_strPath; }

  private:
    // Under the mutex. On failure the old log goes on growing: a line is never lost to it.
    void Rotate();

    IFileSystem& m_fs;
    const uint64_t m_limit;
    std::mutex m_mutex;
    std::string m_strPath;
    int m_file = -1;
    uint64_t m_offset = 0;
};

}  // namespace tv
