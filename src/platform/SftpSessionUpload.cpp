#include <algorithm>
#include <cerrno>

#include "platform/CurlCallbacks.h"
#include "platform/SftpSession.h"

// Uploads over an SFTP session: the writes in flight, the time, and the rename over the target.
namespace tv {
namespace {

using curlcb::AbsolutePath;

// 32 KiB is the write every server must take; this many bytes unanswered keep a fast link busy.
constexpr uint32_t kChunkBytes = 32u << 10;
constexpr size_t kInFlightBytes = 4u << 20;
// New writes wait while this much is still queued for the channel, so the queue stays small.
constexpr size_t kQueuedBytes = 256u << 10;

void PutTimes(sftp::CRequest& request, FileTime lastWrite) {
    const auto seconds = static_cast<uint32_t>(UnixFromFileTime(lastWrite));
    request.U32(sftp::kAttrTimes).U32(seconds).U32(seconds);
}

}  // namespace

int CSftpSession::SetTime(const std::string& file, FileTime lastWrite) {
    const std::string path = AbsolutePath(file);
    return Do(path, [&] {
        const uint32_t id = NewId();
        sftp::CRequest request(m_outbox, sftp::Packet::Setstat, id);
        request.Str(path);
        PutTimes(request, lastWrite);
        request.End();
        return Request("setting the time of " + path, id);
    });
}

int CSftpSession::Upload(const std::string& path, const RemoteSourceFn& source,
                         const CUploadOptions& options, bool& timeSet) {
    timeSet = false;
    m_leftovers = {};
    const std::string target = AbsolutePath(path);
    const std::string temp = RemoteTempPath(target);
    return Do(target, [&] {
        // The server may have made the temporary before a cut or a cancel ends the wait for
        // its answer.
        m_leftovers = {temp, target, false};
        std::string handle;
        const uint32_t flags = sftp::kOpenWrite | sftp::kOpenCreate | sftp::kOpenTruncate;
        if (int error = OpenFile(temp, flags, handle); error != 0) {
            if (m_bWhole) {
                m_leftovers = {};
            }
            return error;
        }
        int error = WriteAll(handle, source);
        if (error == 0) {
            error = Finish(handle, temp, options.m_lastWrite, timeSet);
        } else if (m_bWhole) {
            const std::string reason = m_error;
            CloseHandle(handle, temp);
            m_error = reason;
        }
        error = error != 0 ? error : PutUploadInPlace(*this, m_leftovers, options.m_target);
        if (error == 0) {
            m_leftovers = {};
            return 0;
        }
        timeSet = false;
        if (m_bWhole) {
            const std::string reason = m_error;
            RestoreUploadLeftovers(*this, m_leftovers);
            m_error = reason;
        }
        return error;
    });
}

// Waits only for room: the last writes are answered together with the time and the close.
int CSftpSession::WriteAll(const std::string& handle, const RemoteSourceFn& source) {
    m_writes = {};
    uint64_t offset = 0;
    bool last = false;
    for (;;) {
        if (int cancelled = Cancelled(); cancelled != 0) {
            return cancelled;
        }
        while (!last && m_writes.m_refused == 0 && m_writes.m_bytes < kInFlightBytes &&
               m_outbox.size() - m_outSent < kQueuedBytes) {
            if (int failed = QueueWrite(handle, source, offset, last); failed != 0) {
                // The writes already sent are answered first, so the session stays in step.
                int drained = DrainWrites();
                return drained == 0 || m_bWhole ? failed : drained;
            }
        }
        if (last || m_writes.m_refused != 0) {
            return last ? 0 : DrainWrites();
        }
        if (int error = Step(); error != 0) {
            return error;
        }
    }
}

// 0 once every write was answered, or the first refusal; an error of the session otherwise.
int CSftpSession::DrainWrites() {
    while (!m_writes.m_sizes.empty()) {
        if (int error = Step(); error != 0) {
            return error;
        }
    }
    return m_writes.m_refused;
}

int CSftpSession::Step() {
    bool moved = false;
    bool got = false;
    sftp::CReply reply;
    int error = Pump(moved);
    error = error != 0 ? error : NextReply(reply, got);
    if (got) {
        Note(reply);
    } else if (error == 0 && !moved) {
        error = Wait();
    }
    return error;
}

int CSftpSession::QueueWrite(const std::string& handle, const RemoteSourceFn& source,
                             uint64_t& offset, bool& last) {
    const size_t start = m_outbox.size();
    const uint32_t id = NewId();
    sftp::CRequest request(m_outbox, sftp::Packet::Write, id);
    request.Str(handle).U64(offset).StrLength(0);
    const size_t header = m_outbox.size();
    m_outbox.resize(header + kChunkBytes);
    size_t filled = 0;
    while (filled < kChunkBytes) {
        size_t got = 0;
        if (int error = source(m_outbox.data() + header + filled, kChunkBytes - filled, got);
            error != 0) {
            m_outbox.resize(start);
            m_error = "the upload's source failed";
            return error;
        }
        if (got == 0) {
            last = true;
            break;
        }
        filled += got;
    }
    if (filled == 0) {
        m_outbox.resize(start);
        return 0;
    }
    m_outbox.resize(header + filled);
    // The data's length comes last in the header, before the data.
    m_outbox.replace(header - 4, 4,
                     std::string{static_cast<char>(filled >> 24), static_cast<char>(filled >> 16),
                                 static_cast<char>(filled >> 8), static_cast<char>(filled)});
    request.End();
    m_writes.m_sizes[id] = static_cast<uint32_t>(filled);
    m_writes.m_bytes += filled;
    offset += filled;
    return 0;
}

void CSftpSession::Note(const sftp::CReply& reply) {
    auto found = m_writes.m_sizes.find(reply.m_id);
    if (found == m_writes.m_sizes.end()) {
        return;
    }
    m_writes.m_bytes -= found->second;
    m_writes.m_sizes.erase(found);
    const bool ok = reply.m_type == sftp::Packet::Status && reply.m_status == sftp::kStatusOk;
    if (!ok && m_writes.m_refused == 0) {
        Refused(reply, "writing");
        // A full disk or a quota is no missing file.
        m_writes.m_refused = EIO;
    }
}

// Behind the last writes, so that a small file costs one round trip from open to close. The
// answers say whether every write landed; only then may the rename follow. A refused time does
// not fail the upload; a broken session does.
int CSftpSession::Finish(const std::string& handle, const std::string& path, FileTime lastWrite,
                         bool& timeSet) {
    uint32_t timeId = 0;
    if (lastWrite != kKeepTime) {
        timeId = NewId();
        sftp::CRequest request(m_outbox, sftp::Packet::Fsetstat, timeId);
        request.Str(handle);
        PutTimes(request, lastWrite);
        request.End();
    }
    const uint32_t closeId = NewId();
    sftp::CRequest(m_outbox, sftp::Packet::Close, closeId).Str(handle).End();
    int timeError = timeId != 0 ? Request("setting the time of " + path, timeId) : 0;
    if (!m_bWhole) {
        return timeError;
    }
    const std::string timeReason = m_error;
    int error = Request("finishing " + path, closeId);
    int written = m_bWhole ? DrainWrites() : 0;
    if (written != 0 || !m_bWhole) {
        return written != 0 ? written : error;
    }
    timeSet = timeId != 0 && timeError == 0;
    if (error == 0 && timeError != 0) {
        m_error = timeReason;
    }
    return error;
}

void CSftpSession::CleanUpUpload() {
    if (m_leftovers.m_temp.empty()) {
        return;
    }
    const std::string reason = m_error;
    Do(m_leftovers.m_target, [&] {
        RestoreUploadLeftovers(*this, m_leftovers);
        return 0;
    });
    m_error = reason;
}

}  // namespace tv
