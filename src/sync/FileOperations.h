#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/FileTime.h"
#include "platform/FileSystem.h"
#include "sync/RunProgress.h"
#include "task/Side.h"

namespace tv {

class CElement;
class CFileKeeper;
class CTreeF;

enum class OpResult : uint8_t {
    Done,
    Failed,    // retry and error policy apply; m_error says why
    Changed,   // the file changed since the scan and was left alone: not done, not retried
    Canceled,  // the run was canceled in the middle; nothing was changed
};

struct COpStatus {
    OpResult m_result = OpResult::Done;
    int m_error = 0;  // errno of a failure

    bool Ok() const { return m_result == OpResult::Done; }
};

// What the scan saw at a path, for the re-check before the path is overwritten or deleted.
struct CScannedFile {
    bool m_bExists = false;
    uint64_t m_size = 0;
    FileTime m_lastWrite = 0;  // compared to the second, as the records keep it

    static CScannedFile Absent() { return {}; }
    static CScannedFile File(uint64_t size, FileTime lastWrite) { return {true, size, lastWrite}; }
};

// Whether a copy may keep the bytes the destination already holds.
enum class ResumeMode : uint8_t {
    Never,
    // A shorter destination whose last block equals the source's bytes at that offset is
    // taken as the start of the source: only the rest is read from the source.
    AppendToMatchingStart,
};

struct CCopyRequest {
    std::string m_strSource;
    std::string m_strDest;
    uint64_t m_size = 0;  // the record's size: chooses the method
    // What the scan saw at the destination; nullopt when the destination was not scanned (the
    // third place). A destination that differs from it is left alone (OpResult::Changed).
    std::optional<CScannedFile> m_destScanned;
    ResumeMode m_resume = ResumeMode::Never;
};

// The size from which a copy goes through the chunked path with its progress updates and its
// read-retry loop, when it is also a third of the run and a progress window shows it.
inline constexpr uint64_t kLargeFileBytes = 50'000'000;
inline constexpr size_t kCopyBufferBytes = 2'048'000;
inline constexpr size_t kSmallCopyBufferBytes = 2048;

bool UseChunkedCopy(uint64_t size, uint64_t runTotalBytes, bool progressWindow);

// Compares what is at `path` now with what the scan saw: Done when they agree, Changed when
// not, Failed when the path cannot be examined. A file gone since the scan counts as a change
// only with `goneIsChange`. Blocks on one stat; any thread.
COpStatus RecheckScanned(IFileSystem& fs, const std::string& path, const CScannedFile& scanned,
                         bool goneIsChange);

// The file operations of the pass on the paths of one file system. One object per run (or per
// target); it holds references only. Every call blocks on disk I/O and is made on the task's worker
// thread.
class CFileOperations {
  public:
    CFileOperations(CElement& task, IFileSystem& fs);

    // From now on, files that DeleteFile deletes and that CopyFile replaces go where `keeper`
    // keeps them (none: they are gone for good). The keeper outlives the calls.
    void KeepThrough(CFileKeeper* keeper) { m_pKeeper = keeper; }

    // Copies into a temporary file beside the destination, gives it the source's exact times
    // and mode, and renames it over the destination only when complete: a failed or canceled
    // copy removes the temporary file and leaves the old destination as it was, and a
    // read-only destination is replaced. With a keeper, the old destination moves to the
    // keeper's place just before the rename, once the new content is complete. Adds bytes to
    // `bytes` as they arrive and takes them back on failure. Cancelable between chunks
    // (IsTaskCanceled). A resumed copy builds the same temporary file from the destination's own
    // bytes and the source's rest.
    COpStatus CopyFile(const CCopyRequest& request, CRunBytes& bytes);

    // Deletes a file, or hands it to the keeper; when a delete is refused and the file is
    // read-only (no write bit), gives the file its owner write bit and tries again. The folder's
    // own rights are never changed: a file in a folder without write permission stays. Not
    // cancelable.
    COpStatus DeleteFile(const std::string& path,
                         const std::optional<CScannedFile>& scanned = std::nullopt);

    // The creation time of a folder cannot be set on Linux; the folder gets the usual mode.
    // EEXIST in m_error when something is already there. Not cancelable.
    COpStatus CreateFolder(const std::string& path);
    // Removes an empty folder, clearing its read-only state when that stands in the way.
    COpStatus RemoveFolder(const std::string& path);

    // Sets the permission bits kept in the high half of `attributes`; a value without them
    // (0 there) only applies the read-only bit to the current mode. Not cancelable.
    COpStatus CopyAttributes(const std::string& path, uint32_t attributes);
    // Gives `dest` the last-access and last-write times of `source`. Not cancelable.
    COpStatus CopyTimestamps(const std::string& source, const std::string& dest);

    // Deletes the folder `path` as far as the scan saw it: `scanned` is the scan's node of that
    // folder. Files the scan recorded on `side` are re-checked and go when unchanged; folders
    // it recorded on `side` are handled the same way, and one that is now a link is unlinked,
    // never emptied or followed. Anything else (filtered out, new since the scan, changed)
    // stays with the folders that hold it; a folder kept for an item the scan did not record
    // gets an error line naming that item. Each removed item is logged "%s deleted" in the
    // deletion lists of `side`; failures go through the error policy ("Can't delete file: %s",
    // "Can't remove dir %s"). Returns whether the pass goes on; `removed` (when given) tells
    // whether `path` is gone. Worker thread; blocks on disk I/O; cancelable between items.
    bool DeleteRecursively(const std::string& path, Side side, const CTreeF& scanned,
                           bool* removed = nullptr);

  private:
    CElement& m_task;
    IFileSystem& m_fs;
    CFileKeeper* m_pKeeper = nullptr;
};

}  // namespace tv
