#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace tv {

class IFileSystem;

// The log of one real-time service: a line per thing it did, appended as it happens, so that
// the log tells what happened up to the moment the service ended, however it ended. The file
// is held locked while the service runs. Thread-safe.
class CServiceLog {
  public:
    explicit CServiceLog(IFileSystem& fs) : m_fs(fs) {}
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
    IFileSystem& m_fs;
    std::mutex m_mutex;
    std::string m_strPath;
    int m_file = -1;
    uint64_t m_offset = 0;
};

}  // namespace tv
