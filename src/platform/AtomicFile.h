#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

// Replaces the file at `path` with `bytes` so that a crash or a full disk leaves either the old
// or the new content, never a mix: the bytes go to a fresh file in the same folder, are flushed
// to disk, and that file is renamed over the old one. A symbolic link at `path` is kept and its
// target replaced. A new file gets mode 0644 (less the umask); an existing file keeps its mode.
// On failure no temporary file is left behind and `error` (when given) says why. Temporary
// files of `path` that killed writers left are removed first (platform/TempFile.h).
// Blocks on disk I/O; any thread.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr);

// WriteFileAtomically for content made piece by piece, too large to gather in memory first: the
// pieces go to the fresh file as they come, and Commit puts it in place with the same promises.
// A writer destroyed without a successful Commit removes its file and leaves the old one.
// One thread; every call blocks on disk I/O; not cancellable.
class CAtomicFileWriter {
  public:
    explicit CAtomicFileWriter(const std::string& path);
    ~CAtomicFileWriter();
    CAtomicFileWriter(const CAtomicFileWriter&) = delete;
    CAtomicFileWriter& operator=(const CAtomicFileWriter&) = delete;

    // False once a step failed; Error() says why, and every later call fails at once.
    bool Ok() const { return m_strError.empty(); }
    bool Write(std::string_view bytes);
    // Flushes the new file to disk and renames it over the old one.
    bool Commit();
    const std::string& Error() const { return m_strError; }

  private:
    bool Fail(const char* step, int error);

    std::string m_strTarget;
    std::string m_strTempPath;
    std::string m_strError;
    int m_fd = -1;
};

// The whole content of a file, or nullopt when it cannot be read or is larger than `maxBytes`;
// then `error` (when given) says why and errno keeps the cause (ENOENT for a missing file,
// EFBIG for one too large). Allocates no more than the file holds. Blocks on disk I/O; any thread.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error = nullptr,
                                         size_t maxBytes = size_t{1} << 30);

// An exclusive lock on a lock file (created when missing, never removed), held for the lifetime
// of the object. It excludes other processes and also other CFileLock objects of this process,
// since every object opens the file anew. The constructor blocks until the lock is granted;
// any thread.
class CFileLock {
  public:
    explicit CFileLock(const std::string& lockPath);
    ~CFileLock();
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    // False when the lock file could not be opened or locked; Error() then says why.
    bool IsLocked() const { return m_fd >= 0; }
    const std::string& Error() const { return m_strError; }

  private:
    int m_fd = -1;
    std::string m_strError;
};

}  // namespace tv
