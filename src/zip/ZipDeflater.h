#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace tv {

class IFileSystem;

// Where the deflated data of one entry lies in the spool.
struct CSpoolSpan {
    uint64_t m_offset = 0;
    uint64_t m_size = 0;
};

// Deflates the entries of a new archive on a thread of its own into a spool file, while the
// caller reads the next file: the archive is then put together from the spool without
// compressing again. The caller feeds the bytes of one entry after the other, each ended by
// EndEntry or DropEntry; the spans of the ended entries come out in that order. What waits in
// the queue is bounded, so memory does not grow with the number or size of the files.
// Feed, EndEntry, DropEntry and Finish are called from one thread (the caller's); they block
// while the queue is full.
class CZipDeflater {
  public:
    // `spool`: an open file of `fs`, written from offset 0 on. `level`: zlib's 0 to 9.
    CZipDeflater(IFileSystem& fs, int spool, int level);
    ~CZipDeflater();
    CZipDeflater(const CZipDeflater&) = delete;
    CZipDeflater& operator=(const CZipDeflater&) = delete;

    // Hands on a copy of `size` bytes, in a buffer that an earlier piece left when there is one.
    void Feed(const unsigned char* bytes, size_t size);
    void EndEntry();
    // Forgets the bytes fed since the last EndEntry (the file could not be read to its end).
    void DropEntry();
    // Waits until everything fed is in the spool. 0, or the errno of the first failure to
    // write the spool (after which nothing more is written).
    int Finish();
    const std::vector<CSpoolSpan>& Spans() const { return m_spans; }

  private:
    enum class PieceKind : uint8_t { Data, End, Drop, Stop };
    struct CPiece {
        PieceKind m_kind;
        std::vector<unsigned char> m_bytes;
    };

    void Push(CPiece piece);
    void Work();
    void Take(const CPiece& piece);
    void Deflate(const std::vector<unsigned char>& input, bool finish);
    void Flush();

    IFileSystem& m_fs;
    const int m_spool;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<CPiece> m_queue;
    size_t m_queuedBytes = 0;
    size_t m_pending = 0;  // pieces pushed and not yet taken
    std::vector<std::vector<unsigned char>> m_free;
    // The worker's own from here on.
    struct CStream;
    CStream* m_pStream;
    std::vector<unsigned char> m_chunk;  // what one call of deflate gives
    std::vector<unsigned char> m_out;    // deflated bytes not yet in the spool
    uint64_t m_spoolEnd = 0;             // where the next bytes go in the spool
    uint64_t m_entryStart = 0;
    int m_error = 0;
    std::vector<CSpoolSpan> m_spans;
    std::thread m_thread;
};

}  // namespace tv
