#include <cerrno>
#include <deque>
#include <unordered_map>

#include "platform/CurlCallbacks.h"
#include "platform/SftpSession.h"

// Downloads over an SFTP session: reads in flight, their bytes handed on in order.
namespace tv {
namespace {

using curlcb::AbsolutePath;

// 32 KiB is the read every server must serve; this many in flight keep a fast link busy.
constexpr uint32_t kChunkBytes = 32u << 10;
constexpr size_t kReadsInFlight = 64;
constexpr uint32_t kNewFileMode = 0644;

// A read sent. A short answer makes every later read stale: their bytes would leave a gap, so
// they are drained unread and the reads go on from where the short one ended.
struct CRead {
    uint32_t m_id = 0;
    uint64_t m_offset = 0;
    bool m_bStale = false;
};

}  // namespace

int CSftpSession::OpenFile(const std::string& path, uint32_t flags, std::string& handle) {
    const uint32_t id = NewId();
    sftp::CRequest(m_outbox, sftp::Packet::Open, id)
        .Str(path)
        .U32(flags)
        .U32(sftp::kAttrPermissions)
        .U32(kNewFileMode)
        .End();
    return AwaitHandle(id, ((flags & sftp::kOpenWrite) != 0 ? "creating " : "opening ") + path,
                       handle);
}

int CSftpSession::Download(const std::string& file, uint64_t offset, const RemoteSinkFn& sink) {
    const std::string path = AbsolutePath(file);
    return Do(path, [&] {
        std::string handle;
        if (int error = OpenFile(path, sftp::kOpenRead, handle); error != 0) {
            return error;
        }
        int error = ReadAll(handle, path, offset, sink);
        if (!m_bWhole) {
            return error;
        }
        const std::string reason = m_error;
        int closed = CloseHandle(handle, path);
        if (error != 0) {
            m_error = reason;
        }
        return error != 0 ? error : closed;
    });
}

// Once it ends, the answers to the reads still in flight are passed over by the next request.
int CSftpSession::ReadAll(const std::string& handle, const std::string& path, uint64_t offset,
                          const RemoteSinkFn& sink) {
    std::deque<CRead> reads;
    std::unordered_map<uint32_t, sftp::CReply> early;  // answers that came before their turn
    uint64_t next = offset;
    for (;;) {
        if (int cancelled = Cancelled(); cancelled != 0) {
            return cancelled;
        }
        while (reads.size() < kReadsInFlight) {
            const uint32_t id = NewId();
            sftp::CRequest(m_outbox, sftp::Packet::Read, id)
                .Str(handle)
                .U64(next)
                .U32(kChunkBytes)
                .End();
            reads.push_back({id, next, false});
            next += kChunkBytes;
        }
        const CRead read = reads.front();
        reads.pop_front();
        sftp::CReply reply;
        if (auto found = early.find(read.m_id); found != early.end()) {
            reply = std::move(found->second);
            early.erase(found);
        } else if (int error =
                       Await(read.m_id, reply,
                             [&](sftp::CReply& other) { early[other.m_id] = std::move(other); });
                   error != 0) {
            return error;
        }
        if (read.m_bStale) {
            continue;
        }
        if (reply.m_type != sftp::Packet::Data || reply.m_text.size() > kChunkBytes) {
            const bool end =
                reply.m_type == sftp::Packet::Status && reply.m_status == sftp::kStatusEof;
            return end ? 0 : Refused(reply, "reading " + path);
        }
        if (int error = sink(reply.m_text.data(), reply.m_text.size()); error != 0) {
            m_error = "the download's destination failed";
            return error;
        }
        if (reply.m_text.size() < kChunkBytes) {
            for (CRead& later : reads) {
                later.m_bStale = true;
            }
            next = read.m_offset + reply.m_text.size();
        }
    }
}

}  // namespace tv
