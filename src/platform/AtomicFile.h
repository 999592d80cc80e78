#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

class IFileSystem;

// Why a whole-file read failed: the errno value (ENOENT for a missing file, EFBIG for one too
// large) and a line that names the step and the file.
struct CFileError {
    int m_nCode = 0;
    std::string m_strText;
};

inline constexpr size_t kMaxWholeFileBytes = size_t{1} << 30;

// Who may read a file the program writes. Private files (keys, and whatever the program keeps
// in its own folders) are 0600 from their first byte on, also when they replace a file that
// others could read. A PrivateWhenNew file is 0600 when it is new, and keeps the mode the user
// gave the file it replaces; a Shared one is 0644 (less the umask) when new and keeps it too.
enum class FileAccess { Shared, PrivateWhenNew, Private };

// The files the program keeps are written and read through these, over the file system they
// live on. All of them block on disk I/O; any thread; not cancellable.

// Replaces the file at `path` with `bytes` so that a crash or a full disk leaves either the old
// or the new content, never a mix: the bytes go to a temporary file in the same folder, are
// flushed to disk, and that file is renamed over the old one. A symbolic link at `path` is kept
// and its target replaced. A new file gets mode 0644 (less the umask); an existing file keeps
// its mode. On failure no temporary file is left behind and `error` (when given) says why.
// Temporary files of `path` that killed writers left are removed first.
bool WriteFileAtomically(IFileSystem& fs, const std::string& path, std::string_view bytes,
                         std::string* error = nullptr);
// The same for a file that only its owner may read (mode 0600 whatever the old file had).
bool WritePrivateFileAtomically(IFileSystem& fs, const std::string& path, std::string_view bytes,
                                std::string* error = nullptr);
// The same with the new file's mode chosen by `access`.
bool WriteFileAtomically(IFileSystem& fs, const std::string& path, std::string_view bytes,
                         FileAccess access, std::string* error = nullptr);

// WriteFileAtomically for content made piece by piece, too large to gather in memory first: the
// pieces go to the temporary file as they come, and Commit puts it in place with the same
// promises. A writer destroyed without a successful Commit removes its file and leaves the old
// one. One thread.
class CAtomicFileWriter {
  public:
    CAtomicFileWriter(IFileSystem& fs, const std::string& path,
                      FileAccess access = FileAccess::Shared);
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
    void Discard();

    IFileSystem& m_fs;
    std::string m_strTarget;
    std::string m_strTempPath;
    std::string m_strError;
    int m_file = -1;
    uint64_t m_nWritten = 0;
};

// The whole content of a file, or nullopt when it cannot be read or is larger than `maxBytes`
// (then `error`, when given, says why). Allocates no more than the file holds.
std::optional<std::string> ReadWholeFile(IFileSystem& fs, const std::string& path,
                                         CFileError* error = nullptr,
                                         size_t maxBytes = kMaxWholeFileBytes);

// An exclusive lock on a lock file (created when missing, never removed), held for the lifetime
// of the object. It excludes other processes and also other CFileLock objects of this process.
// The constructor blocks until the lock is granted.
class CFileLock {
  public:
    CFileLock(IFileSystem& fs, const std::string& lockPath);
    ~CFileLock();
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    // False when the lock file could not be opened or locked; Error() then says why.
    bool IsLocked() const { return m_file >= 0; }
    const std::string& Error() const { return m_strError; }

  private:
    IFileSystem& m_fs;
    int m_file = -1;
    std::string m_strError;
};

}  // namespace tv
