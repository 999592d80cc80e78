#include <algorithm>
#include <cerrno>
#include <vector>

#include "base/PathText.h"
#include "sync/FileKeeper.h"
#include "sync/FileOperations.h"
#include "task/Element.h"

namespace tv {

namespace {

// A silent copy still looks at the cancel flag between pieces of this size.
constexpr size_t kSystemPieceBytes = 64u << 20;
constexpr int kTries = 3;
constexpr uint64_t kEarlyRecheckBytes = 1u << 20;
// Nobody else reads a copy before it has the source's mode.
constexpr uint32_t kCopyTempMode = 0600;
// A resumed copy trusts the destination's bytes only when this much of its end equals the
// source there: a file that was rewritten rather than cut short almost never passes.
constexpr size_t kResumeCheckBytes = 64u << 10;

bool KernelCopyUnavailable(int err) {
    return err == ENOSYS || err == EXDEV || err == EOPNOTSUPP || err == EINVAL;
}

COpStatus Status(OpResult result, int error = 0) {
    return COpStatus{result, error};
}

// All of `size` bytes at `offset`; a file that ends before is EIO.
int ReadAll(IFileSystem& fs, int file, uint64_t offset, char* buffer, size_t size) {
    for (size_t done = 0; done < size;) {
        size_t got = 0;
        if (int err = fs.Read(file, offset + done, buffer + done, size - done, got); err != 0) {
            return err;
        }
        if (got == 0) {
            return EIO;
        }
        done += got;
    }
    return 0;
}

// One copy from start to end. The destructor undoes whatever a copy that did not complete
// left behind: open files, the temporary file and the bytes it counted.
class CFileCopy {
  public:
    CFileCopy(CElement& task, IFileSystem& fs, const CCopyRequest& request, CRunBytes& bytes,
              CFileKeeper* keeper)
        : m_task(task), m_fs(fs), m_request(request), m_bytes(bytes), m_pKeeper(keeper) {}
    ~CFileCopy();
    CFileCopy(const CFileCopy&) = delete;
    CFileCopy& operator=(const CFileCopy&) = delete;

    COpStatus Run();

  private:
    COpStatus Open();
    uint64_t ResumableBytes();
    COpStatus CopyKept(uint64_t kept);
    COpStatus CopyData();
    COpStatus Commit();
    COpStatus KeepOldDestination();
    int64_t CopyChunk();
    int64_t BufferedChunk(size_t want);
    int64_t RetryingChunk(uint64_t left);
    int WriteWithRetries(size_t count);
    void ReopenSource();
    void Count(uint64_t count);

    CElement& m_task;
    IFileSystem& m_fs;
    const CCopyRequest& m_request;
    CRunBytes& m_bytes;
    CFileKeeper* m_pKeeper;

    int m_in = -1;
    int m_out = -1;
    std::string m_strTemp;
    CFileInfo m_source;
    bool m_bChunked = false;
    bool m_bKernel = true;
    bool m_bCommitted = false;
    uint64_t m_offset = 0;
    uint64_t m_counted = 0;
    size_t m_bufferSize = kCopyBufferBytes;
    std::vector<char> m_buffer;
    int m_lastPercent = -1;
};

CFileCopy::~CFileCopy() {
    if (m_in >= 0) {
        m_fs.Close(m_in);
    }
    if (m_out >= 0) {
        m_fs.Close(m_out);
    }
    if (!m_bCommitted) {
        if (!m_strTemp.empty()) {
            m_fs.Unlink(m_strTemp);
        }
        m_bytes.m_done -= std::min(m_counted, m_bytes.m_done);
    }
}

COpStatus CFileCopy::Run() {
    // The check just before the rename is what protects the destination; this earlier one
    // only saves copying a big file in vain, and for a small one it would cost more than the
    // copy it might save.
    if (m_request.m_destScanned && m_request.m_size >= kEarlyRecheckBytes) {
        COpStatus recheck =
            RecheckScanned(m_fs, m_request.m_strDest, *m_request.m_destScanned, false);
        if (!recheck.Ok()) {
            return recheck;
        }
    }
    if (COpStatus opened = Open(); !opened.Ok()) {
        return opened;
    }
    if (COpStatus copied = CopyData(); !copied.Ok()) {
        return copied;
    }
    return Commit();
}

COpStatus CFileCopy::Open() {
    if (int err = m_fs.OpenRead(m_request.m_strSource, m_in); err != 0) {
        return Status(OpResult::Failed, err);
    }
    // Before anything else is read, so that a remote source is fetched from the first byte
    // that is really needed.
    const uint64_t kept =
        m_request.m_resume == ResumeMode::AppendToMatchingStart ? ResumableBytes() : 0;
    if (int err = m_fs.StatOpen(m_in, m_source); err != 0) {
        return Status(OpResult::Failed, err);
    }
    if (m_source.m_type != EntryType::File) {
        return Status(OpResult::Failed, m_source.m_type == EntryType::Folder ? EISDIR : EINVAL);
    }
    if (int err = m_fs.CreateTemp(FolderOf(m_request.m_strDest), NameOf(m_request.m_strDest),
                                  kCopyTempMode, m_strTemp, m_out);
        err != 0) {
        return Status(OpResult::Failed, err);
    }
    m_bChunked = UseChunkedCopy(m_request.m_size, m_bytes.m_total, !m_task.Has2(opt2::kSilent));
    if (kept > 0 && kept < m_source.m_size) {
        return CopyKept(kept);
    }
    return Status(OpResult::Done);
}

// How many bytes of the destination can stay: all of a plain file shorter than the source
// whose last block equals the source's bytes at that offset; otherwise none.
uint64_t CFileCopy::ResumableBytes() {
    CFileInfo dest;
    if (m_fs.Stat(m_request.m_strDest, dest, LinkMode::NoFollow) != 0 ||
        dest.m_type != EntryType::File || dest.m_bSymlink || dest.m_size == 0 ||
        dest.m_size >= m_request.m_size) {
        return 0;
    }
    const auto block = static_cast<size_t>(std::min<uint64_t>(dest.m_size, kResumeCheckBytes));
    const uint64_t at = dest.m_size - block;
    std::vector<char> ours(block);
    std::vector<char> theirs(block);
    int local = -1;
    if (m_fs.OpenRead(m_request.m_strDest, local) != 0) {
        return 0;
    }
    const int err = ReadAll(m_fs, local, at, ours.data(), block);
    m_fs.Close(local);
    if (err != 0 || ReadAll(m_fs, m_in, at, theirs.data(), block) != 0 || ours != theirs) {
        return 0;
    }
    return dest.m_size;
}

// The destination's first `kept` bytes start the temporary file; the source gives the rest.
COpStatus CFileCopy::CopyKept(uint64_t kept) {
    int local = -1;
    if (int err = m_fs.OpenRead(m_request.m_strDest, local); err != 0) {
        return Status(OpResult::Failed, err);
    }
    int err = 0;
    bool kernel = true;
    for (uint64_t done = 0; done < kept && err == 0;) {
        const auto want = static_cast<size_t>(std::min<uint64_t>(kept - done, kCopyBufferBytes));
        size_t copied = 0;
        if (kernel) {
            err = m_fs.CopyRange(local, m_out, done, want, copied);
            kernel = err == 0 && copied > 0;
            err = KernelCopyUnavailable(err) ? 0 : err;
        }
        if (!kernel && err == 0) {
            m_buffer.resize(want);
            size_t written = 0;
            err = ReadAll(m_fs, local, done, m_buffer.data(), want);
            err = err != 0 ? err : m_fs.Write(m_out, done, m_buffer.data(), want, written);
            copied = want;
        }
        done += copied;
    }
    m_fs.Close(local);
    if (err != 0) {
        return Status(OpResult::Failed, err);
    }
    m_offset = kept;
    Count(kept);
    return Status(OpResult::Done);
}

COpStatus CFileCopy::CopyData() {
    for (;;) {
        if (IsTaskCanceled(m_task)) {
            return Status(OpResult::Canceled);
        }
        const int64_t count = CopyChunk();
        if (count < 0) {
            return Status(OpResult::Failed, static_cast<int>(-count));
        }
        if (count == 0) {
            break;
        }
        m_offset += static_cast<uint64_t>(count);
        Count(static_cast<uint64_t>(count));
    }
    // The file shrank while it was copied: what arrived is not the whole file.
    return m_offset < m_source.m_size ? Status(OpResult::Failed, EIO) : Status(OpResult::Done);
}

// The source's times and mode go on the complete temporary file, which then takes the
// destination's place. There is no flush before the rename: ext4 and btrfs write the data
// of a file renamed over another before the rename itself, and a flush per file would make a
// run of many small files forty times slower.
COpStatus CFileCopy::Commit() {
    int err = m_fs.SetOpenTimes(m_out, m_source.m_lastAccess, m_source.m_lastWrite);
    if (err == 0) {
        err = m_fs.SetOpenMode(m_out, m_source.Mode());
    }
    const int closeErr = m_fs.Close(m_out);
    m_out = -1;
    if (err == 0) {
        err = closeErr;
    }
    if (err != 0) {
        return Status(OpResult::Failed, err);
    }
    if (m_request.m_destScanned) {
        COpStatus recheck =
            RecheckScanned(m_fs, m_request.m_strDest, *m_request.m_destScanned, false);
        if (!recheck.Ok()) {
            return recheck;
        }
    }
    if (COpStatus kept = KeepOldDestination(); !kept.Ok()) {
        return kept;
    }
    if (err = m_fs.Rename(m_strTemp, m_request.m_strDest); err != 0) {
        return Status(OpResult::Failed, err);
    }
    m_bCommitted = true;
    return Status(OpResult::Done);
}

// The old file leaves only now, with the new one complete beside it, so that a failed copy
// never costs it; a file that went meanwhile has nothing to keep.
COpStatus CFileCopy::KeepOldDestination() {
    const std::optional<CScannedFile>& scanned = m_request.m_destScanned;
    if (!m_pKeeper || !scanned || !scanned->m_bExists || !m_pKeeper->Keeps(m_request.m_strDest)) {
        return Status(OpResult::Done);
    }
    COpStatus kept = m_pKeeper->Keep(m_request.m_strDest);
    return kept.m_error == ENOENT ? Status(OpResult::Done) : kept;
}

// Bytes copied, 0 at the end of the source, or -errno. The kernel copy goes first; where it
// cannot work the bytes pass through the buffer, and in the chunked path a failing kernel copy
// hands the chunk to the read-retry loop.
int64_t CFileCopy::CopyChunk() {
    // The copy takes the file as long as it was when opened; its times are from then too.
    const uint64_t left = m_offset < m_source.m_size ? m_source.m_size - m_offset : 0;
    if (left == 0) {
        return 0;
    }
    const size_t want = static_cast<size_t>(
        std::min<uint64_t>(left, m_bChunked ? m_bufferSize : kSystemPieceBytes));
    if (m_bKernel) {
        size_t copied = 0;
        const int err = m_fs.CopyRange(m_in, m_out, m_offset, want, copied);
        if (err == 0 && copied > 0) {
            return static_cast<int64_t>(copied);
        }
        if (err == 0 || KernelCopyUnavailable(err)) {
            m_bKernel = false;
        } else if (!m_bChunked) {
            return -err;
        }
    }
    return m_bChunked ? RetryingChunk(left) : BufferedChunk(want);
}

int64_t CFileCopy::BufferedChunk(size_t want) {
    m_buffer.resize(std::min(want, kCopyBufferBytes));
    size_t got = 0;
    if (int err = m_fs.Read(m_in, m_offset, m_buffer.data(), m_buffer.size(), got); err != 0) {
        return -err;
    }
    size_t written = 0;
    if (int err = m_fs.Write(m_out, m_offset, m_buffer.data(), got, written); err != 0) {
        return -err;
    }
    return static_cast<int64_t>(got);
}

// A read is good when it brought all that was asked for. A bad one reopens the source (a
// network file may come back) and tries again at the same offset; after three bad tries the
// buffer shrinks to its small size once and the tries start over.
int64_t CFileCopy::RetryingChunk(uint64_t left) {
    m_buffer.resize(kCopyBufferBytes);
    int lastErr = EIO;
    for (;;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(left, m_bufferSize));
        for (int attempt = 0; attempt < kTries; ++attempt) {
            size_t got = 0;
            const int err =
                m_in < 0 ? EBADF : m_fs.Read(m_in, m_offset, m_buffer.data(), want, got);
            if (err == 0 && got == want) {
                const int writeErr = WriteWithRetries(got);
                return writeErr != 0 ? -writeErr : static_cast<int64_t>(got);
            }
            lastErr = err != 0 ? err : EIO;
            ReopenSource();
        }
        if (m_bufferSize <= kSmallCopyBufferBytes) {
            return -lastErr;
        }
        m_bufferSize = kSmallCopyBufferBytes;
    }
}

int CFileCopy::WriteWithRetries(size_t count) {
    int err = 0;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        size_t written = 0;
        err = m_fs.Write(m_out, m_offset, m_buffer.data(), count, written);
        if (err == 0) {
            break;
        }
    }
    return err;
}

void CFileCopy::ReopenSource() {
    if (m_in >= 0) {
        m_fs.Close(m_in);
        m_in = -1;
    }
    if (m_fs.OpenRead(m_request.m_strSource, m_in) != 0) {
        m_in = -1;
    }
}

void CFileCopy::Count(uint64_t count) {
    m_counted += count;
    m_bytes.m_done += count;
    ITaskObserver* observer = m_task.m_Run.Observer();
    if (!m_bChunked || !observer) {
        return;
    }
    // Every chunk would flood the window with equal values; a new percentage is news.
    const int percent = m_bytes.Percent();
    if (percent != m_lastPercent) {
        m_lastPercent = percent;
        observer->CopyProgress(percent);
    }
}

}  // namespace

bool UseChunkedCopy(uint64_t size, uint64_t runTotalBytes, bool progressWindow) {
    const uint64_t third = runTotalBytes / 3 + (runTotalBytes % 3 != 0 ? 1 : 0);
    return progressWindow && size >= kLargeFileBytes && size >= third;
}

COpStatus CFileOperations::CopyFile(const CCopyRequest& request, CRunBytes& bytes) {
    CFileCopy copy(m_task, m_fs, request, bytes, m_pKeeper);
    return copy.Run();
}

}  // namespace tv
