#include <libssh2.h>
#include <libssh2_sftp.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/CurlCallbacks.h"
#include "platform/SftpSession.h"

// Uploads over an SFTP session: the bytes, the time and the rename over the target.
namespace tv {
namespace {

using curlcb::AbsolutePath;

// libssh2 sends the whole span it is given as writes in flight and hands back what the server
// acknowledged; this much unacknowledged data keeps a fast link busy.
constexpr size_t kInFlightBytes = 4u << 20;
constexpr size_t kWriteBufferBytes = 2 * kInFlightBytes;
constexpr size_t kFirstBufferBytes = 64u << 10;
constexpr size_t kWindowSlack = 4u << 10;
// libssh2's largest write request, and a bound for its header with the handle.
constexpr size_t kChunkBytes = 30000;
constexpr size_t kChunkOverhead = 300;
constexpr long kNewFileMode = 0644;

LIBSSH2_SFTP_ATTRIBUTES TimeAttributes(FileTime lastWrite) {
    LIBSSH2_SFTP_ATTRIBUTES attributes{};
    attributes.flags = LIBSSH2_SFTP_ATTR_ACMODTIME;
    attributes.mtime = static_cast<unsigned long>(UnixFromFileTime(lastWrite));
    attributes.atime = attributes.mtime;
    return attributes;
}

unsigned Length(const std::string& text) {
    return static_cast<unsigned>(text.size());
}

}  // namespace

int CSftpSession::SetTime(const std::string& file, FileTime lastWrite) {
    const std::string path = AbsolutePath(file);
    LIBSSH2_SFTP_ATTRIBUTES attributes = TimeAttributes(lastWrite);
    return Do(path, [&] {
        return Request("setting the time of " + path, [&] {
            return libssh2_sftp_stat_ex(m_sftp, path.c_str(), Length(path), LIBSSH2_SFTP_SETSTAT,
                                        &attributes);
        });
    });
}

// The time goes with the open file before it is closed: one request, and no write can come
// after it. A refused time does not undo the upload; a broken session does.
int CSftpSession::Upload(const std::string& path, const RemoteSourceFn& source,
                         const CUploadOptions& options, bool& timeSet) {
    timeSet = false;
    m_leftovers = {};
    const std::string target = AbsolutePath(path);
    const std::string temp = RemoteTempPath(target);
    return Do(target, [&] {
        LIBSSH2_SFTP_HANDLE* handle = nullptr;
        if (int error = OpenForWrite(temp, handle); error != 0) {
            return error;
        }
        m_leftovers = {temp, target, false};
        CWriteBuffer buffer;
        int error = WriteAll(handle, buffer, source);
        if (!m_bWhole) {
            // libssh2 frees the writes in flight only with their answers, which will not come.
            libssh2_sftp_seek64(handle, 0);
        }
        if (error == 0 && options.m_lastWrite != kKeepTime) {
            error = SetTimeAndClose(handle, temp, options.m_lastWrite, timeSet);
        } else if (m_bWhole) {
            int closed = CloseHandle(handle, temp);
            error = error != 0 ? error : closed;
        }
        error = error != 0 ? error : PutInPlace(options);
        if (error == 0) {
            m_leftovers = {};
            return 0;
        }
        timeSet = false;
        if (m_bWhole) {
            const std::string reason = m_error;
            RestoreLeftovers();
            m_error = reason;
        }
        return error;
    });
}

int CSftpSession::OpenForWrite(const std::string& path, LIBSSH2_SFTP_HANDLE*& handle) {
    int rc = 0;
    int error = Run(
        [&] {
            handle = libssh2_sftp_open_ex(m_sftp, path.c_str(), Length(path),
                                          LIBSSH2_FXF_WRITE | LIBSSH2_FXF_CREAT | LIBSSH2_FXF_TRUNC,
                                          kNewFileMode, LIBSSH2_SFTP_OPENFILE);
            return handle != nullptr ? 0 : libssh2_session_last_errno(m_session);
        },
        rc);
    return error != 0 ? error : rc != 0 ? Failed(rc, "creating " + path) : 0;
}

int CSftpSession::Fill(CWriteBuffer& buffer, const RemoteSourceFn& source, size_t upTo) {
    while (!buffer.m_bLast && buffer.m_end - buffer.m_begin < upTo) {
        // A small file never pays for the room a big one needs.
        if (buffer.m_end == buffer.m_bytes.size() && buffer.m_bytes.size() < kWriteBufferBytes) {
            buffer.m_bytes.resize(std::max(kFirstBufferBytes, 2 * buffer.m_bytes.size()));
        } else if (buffer.m_end == buffer.m_bytes.size()) {
            std::memmove(buffer.m_bytes.data(), buffer.m_bytes.data() + buffer.m_begin,
                         buffer.m_end - buffer.m_begin);
            buffer.m_end -= buffer.m_begin;
            buffer.m_begin = 0;
        }
        size_t got = 0;
        const size_t room = buffer.m_bytes.size() - buffer.m_end;
        if (int error = source(buffer.m_bytes.data() + buffer.m_end, room, got); error != 0) {
            m_error = "the upload's source failed";
            return error;
        }
        buffer.m_bLast = got == 0;
        buffer.m_end += got;
    }
    return 0;
}

// Whatever the server has not acknowledged stays in the buffer, since libssh2 asks for it again
// from the first byte not acknowledged; the source refills the rest.
int CSftpSession::WriteAll(LIBSSH2_SFTP_HANDLE* handle, CWriteBuffer& buffer,
                           const RemoteSourceFn& source) {
    size_t offered = 0;  // of the bytes not acknowledged, those libssh2 has taken
    bool sending = false;
    for (;;) {
        // A fast server may never make the loop wait, where the cancel is seen otherwise.
        if (m_cancel) {
            m_bWhole = false;
            m_error = "cancelled";
            return ECANCELED;
        }
        if (int error = Fill(buffer, source, kInFlightBytes); error != 0) {
            return error;
        }
        const size_t waiting = buffer.m_end - buffer.m_begin;
        if (waiting == 0) {
            return 0;
        }
        // libssh2 cuts a write that outgrows the channel's window in two; a refusal that comes
        // meanwhile drops the second half, and the server waits for it for ever. So new bytes go
        // only once the earlier ones are out, and only as many as the window takes.
        const size_t count = sending ? offered : std::min(waiting, offered + WindowRoom(offered));
        ssize_t acknowledged =
            libssh2_sftp_write(handle, buffer.m_bytes.data() + buffer.m_begin, count);
        offered = std::max(offered, count);
        // Nothing moved and nothing to wait for on the socket: the channel's window is shut until
        // the server opens it.
        if (acknowledged == LIBSSH2_ERROR_EAGAIN || acknowledged == 0) {
            sending =
                (libssh2_session_block_directions(m_session) & LIBSSH2_SESSION_BLOCK_OUTBOUND) != 0;
            if (int error = Wait(); error != 0) {
                m_bWhole = false;
                return error;
            }
        } else if (acknowledged < 0) {
            return Failed(static_cast<int>(acknowledged), "writing");
        } else {
            sending = false;
            buffer.m_begin += static_cast<size_t>(acknowledged);
            offered -= static_cast<size_t>(acknowledged);
            RestartDeadline();
        }
    }
}

size_t CSftpSession::WindowRoom(size_t offered) const {
    const size_t window = libssh2_channel_window_write(libssh2_sftp_get_channel(m_sftp));
    const size_t overhead = (window / kChunkBytes + 1) * kChunkOverhead + kWindowSlack;
    // With nothing in flight no answer can open the window: one write goes regardless.
    return window > overhead ? window - overhead : offered == 0 ? kChunkBytes : 0;
}

// The time and the close go out together and the server answers them in order, which saves a
// round trip per file. A refused time does not fail the upload; a broken session does.
int CSftpSession::SetTimeAndClose(LIBSSH2_SFTP_HANDLE* handle, const std::string& path,
                                  FileTime lastWrite, bool& timeSet) {
    LIBSSH2_SFTP_ATTRIBUTES attributes = TimeAttributes(lastWrite);
    const std::function<int()> setTime = [&] { return libssh2_sftp_fsetstat(handle, &attributes); };
    const std::function<int()> close = [&] { return libssh2_sftp_close_handle(handle); };
    int timeRc = 0;
    int closeRc = 0;
    if (int broken = Send(setTime, timeRc); broken != 0) {
        return broken;
    }
    if (timeRc != LIBSSH2_ERROR_EAGAIN && timeRc != 0) {
        int failed = Failed(timeRc, "setting the time of " + path);
        if (!m_bWhole) {
            return failed;
        }
    }
    if (int broken = Send(close, closeRc); broken != 0) {
        return broken;
    }
    if (timeRc == LIBSSH2_ERROR_EAGAIN) {
        if (int broken = Run(setTime, timeRc); broken != 0) {
            return broken;
        }
        int failed = timeRc == 0 ? 0 : Failed(timeRc, "setting the time of " + path);
        if (!m_bWhole) {
            return failed;
        }
    }
    timeSet = timeRc == 0;
    if (closeRc == LIBSSH2_ERROR_EAGAIN) {
        if (int broken = Run(close, closeRc); broken != 0) {
            return broken;
        }
    }
    return closeRc == 0 ? 0 : Failed(closeRc, "finishing " + path);
}

// A request that is not held up by sending waits for its answer, so the next one may go out.
int CSftpSession::Send(const std::function<int()>& call, int& rc) {
    while ((rc = call()) == LIBSSH2_ERROR_EAGAIN &&
           (libssh2_session_block_directions(m_session) & LIBSSH2_SESSION_BLOCK_OUTBOUND) != 0) {
        if (int error = Wait(); error != 0) {
            m_bWhole = false;
            return error;
        }
    }
    return 0;
}

int CSftpSession::CloseHandle(LIBSSH2_SFTP_HANDLE* handle, const std::string& path) {
    return Request("finishing " + path, [&] { return libssh2_sftp_close_handle(handle); });
}

int CSftpSession::PutInPlace(const CUploadOptions& options) {
    return PutUploadInPlace(*this, m_leftovers, options.m_target);
}

void CSftpSession::RestoreLeftovers() {
    RestoreUploadLeftovers(*this, m_leftovers);
}

void CSftpSession::CleanUpUpload() {
    if (m_leftovers.m_temp.empty()) {
        return;
    }
    const std::string reason = m_error;
    Do(m_leftovers.m_target, [&] {
        RestoreLeftovers();
        return 0;
    });
    m_error = reason;
}

}  // namespace tv
