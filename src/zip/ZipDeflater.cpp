#include "zip/ZipDeflater.h"

#include <cerrno>

#include <zlib.h>

#include "platform/FileSystem.h"

namespace tv {

namespace {

// Enough pieces in flight to keep both threads busy; few enough to keep memory small.
constexpr size_t kMaxQueuedBytes = size_t{8} << 20;
constexpr size_t kOutBytes = size_t{1} << 20;
constexpr size_t kChunkBytes = size_t{256} << 10;
constexpr size_t kMaxFreeBuffers = 16;

}  // namespace

struct CZipDeflater::CStream {
    z_stream m_z{};
};

CZipDeflater::CZipDeflater(IFileSystem& fs, int spool, int level)
    : m_fs(fs), m_spool(spool), m_pStream(new CStream) {
    // Raw deflate: the zip entry brings its own header and CRC.
    if (deflateInit2(&m_pStream->m_z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        m_error = ENOMEM;
    }
    m_out.reserve(2 * kOutBytes);
    m_chunk.resize(kChunkBytes);
    m_thread = std::thread([this] { Work(); });
}

CZipDeflater::~CZipDeflater() {
    Push({PieceKind::Stop, {}});
    m_thread.join();
    deflateEnd(&m_pStream->m_z);
    delete m_pStream;
}

void CZipDeflater::Push(CPiece piece) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queuedBytes < kMaxQueuedBytes; });
    m_queuedBytes += piece.m_bytes.size();
    ++m_pending;
    m_queue.push_back(std::move(piece));
    m_changed.notify_all();
}

void CZipDeflater::Feed(const unsigned char* bytes, size_t size) {
    std::vector<unsigned char> piece;
    {
        std::lock_guard lock(m_mutex);
        if (!m_free.empty()) {
            piece = std::move(m_free.back());
            m_free.pop_back();
        }
    }
    piece.assign(bytes, bytes + size);
    Push({PieceKind::Data, std::move(piece)});
}

void CZipDeflater::EndEntry() {
    Push({PieceKind::End, {}});
}

void CZipDeflater::DropEntry() {
    Push({PieceKind::Drop, {}});
}

int CZipDeflater::Finish() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_pending == 0; });
    return m_error;
}

void CZipDeflater::Work() {
    for (;;) {
        CPiece piece;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_queue.empty(); });
            piece = std::move(m_queue.front());
            m_queue.pop_front();
        }
        if (piece.m_kind == PieceKind::Stop) {
            return;
        }
        Take(piece);
        bool idle = false;
        {
            std::lock_guard lock(m_mutex);
            idle = m_queue.empty();
        }
        // The spool is written outside the lock, so that the reader never waits for the disk.
        if (idle || m_out.size() >= kOutBytes) {
            Flush();
        }
        std::lock_guard lock(m_mutex);
        m_queuedBytes -= piece.m_bytes.size();
        --m_pending;
        if (m_free.size() < kMaxFreeBuffers && piece.m_bytes.capacity() > 0) {
            piece.m_bytes.clear();
            m_free.push_back(std::move(piece.m_bytes));
        }
        m_changed.notify_all();
    }
}

void CZipDeflater::Take(const CPiece& piece) {
    switch (piece.m_kind) {
        case PieceKind::Data:
            Deflate(piece.m_bytes, false);
            return;
        case PieceKind::End:
            Deflate({}, true);
            m_spans.push_back({m_entryStart, m_spoolEnd + m_out.size() - m_entryStart});
            break;
        case PieceKind::Drop:
            // What went to the spool already stays there unused.
            m_out.resize(m_entryStart > m_spoolEnd ? m_entryStart - m_spoolEnd : 0);
            break;
        case PieceKind::Stop:
            return;
    }
    deflateReset(&m_pStream->m_z);
    m_entryStart = m_spoolEnd + m_out.size();
}

void CZipDeflater::Deflate(const std::vector<unsigned char>& input, bool finish) {
    z_stream& z = m_pStream->m_z;
    z.next_in = const_cast<unsigned char*>(input.data());
    z.avail_in = static_cast<uInt>(input.size());
    int rc = Z_OK;
    do {
        z.next_out = m_chunk.data();
        z.avail_out = static_cast<uInt>(m_chunk.size());
        rc = deflate(&z, finish ? Z_FINISH : Z_NO_FLUSH);
        m_out.insert(m_out.end(), m_chunk.data(), z.next_out);
    } while (rc == Z_OK && (finish || z.avail_in > 0 || z.avail_out == 0));
}

// Writes the deflated bytes that wait; a failure stops all later writes, and Finish says so.
void CZipDeflater::Flush() {
    if (m_out.empty()) {
        return;
    }
    if (m_error == 0) {
        size_t written = 0;
        m_error = m_fs.Write(m_spool, m_spoolEnd, m_out.data(), m_out.size(), written);
    }
    m_spoolEnd += m_out.size();
    m_out.clear();
}

}  // namespace tv
