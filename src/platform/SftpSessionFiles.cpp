#include <libssh2.h>
#include <libssh2_sftp.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/CurlCallbacks.h"
#include "platform/RemoteListing.h"
#include "platform/SftpSession.h"

// The requests of an SFTP session: listings, the small commands and uploads.
namespace tv {
namespace {

using curlcb::AbsolutePath;

// libssh2 sends the whole span it is given as writes in flight and hands back what the server
// acknowledged; this much unacknowledged data keeps a fast link busy.
constexpr size_t kInFlightBytes = 4u << 20;
constexpr size_t kWriteBufferBytes = 2 * kInFlightBytes;
constexpr long kNewFileMode = 0644;
constexpr long kNewFolderMode = 0755;
// SFTP's rename refuses to replace a file; these ask servers that can for an atomic rename.
constexpr long kRenameFlags = LIBSSH2_SFTP_RENAME_ATOMIC | LIBSSH2_SFTP_RENAME_NATIVE;

EntryType TypeOf(const LIBSSH2_SFTP_ATTRIBUTES& attributes) {
    if ((attributes.flags & LIBSSH2_SFTP_ATTR_PERMISSIONS) == 0) {
        return EntryType::Other;
    }
    if (LIBSSH2_SFTP_S_ISDIR(attributes.permissions)) {
        return EntryType::Folder;
    }
    // A link stays Other, as the listing's "l" line has always made it.
    return LIBSSH2_SFTP_S_ISREG(attributes.permissions) ? EntryType::File : EntryType::Other;
}

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

int CSftpSession::List(const std::string& folder, CRemoteListing& listing) {
    const std::string path = AbsolutePath(folder);
    return Do(path, [&] { return ReadFolder(path, listing); });
}

int CSftpSession::ReadFolder(const std::string& path, CRemoteListing& listing) {
    LIBSSH2_SFTP_HANDLE* handle = nullptr;
    int rc = 0;
    int error = Run(
        [&] {
            handle = libssh2_sftp_open_ex(m_sftp, path.c_str(), Length(path), 0, 0,
                                          LIBSSH2_SFTP_OPENDIR);
            return handle != nullptr ? 0 : libssh2_session_last_errno(m_session);
        },
        rc);
    if (error != 0 || rc != 0) {
        return error != 0 ? error : Failed(rc, "opening " + path);
    }
    std::string name(4096, '\0');
    LIBSSH2_SFTP_ATTRIBUTES attributes{};
    while (error == 0) {
        RestartDeadline();
        error = Run(
            [&] {
                return libssh2_sftp_readdir_ex(handle, name.data(), name.size(), nullptr, 0,
                                               &attributes);
            },
            rc);
        if (error != 0 || rc <= 0) {
            break;
        }
        CRemoteEntry entry;
        entry.m_name.assign(name.data(), static_cast<size_t>(rc));
        entry.m_type = TypeOf(attributes);
        if ((attributes.flags & LIBSSH2_SFTP_ATTR_SIZE) != 0) {
            entry.m_size = attributes.filesize;
        }
        if ((attributes.flags & LIBSSH2_SFTP_ATTR_ACMODTIME) != 0) {
            entry.m_lastWrite = FileTimeFromUnix(static_cast<int64_t>(attributes.mtime));
            entry.m_timeKind = RemoteTimeKind::Utc;
        }
        AddRemoteEntry(std::move(entry), listing);
    }
    if (error == 0 && rc < 0) {
        error = Failed(rc, "reading " + path);
    }
    if (error == 0) {
        error = Request("closing " + path, [&] { return libssh2_sftp_closedir(handle); });
    }
    return error;
}

int CSftpSession::Request(const std::string& doing, const std::function<int()>& call) {
    int rc = 0;
    if (int error = Run(call, rc); error != 0) {
        return error;
    }
    return rc == 0 ? 0 : Failed(rc, doing);
}

int CSftpSession::Stat(const std::string& path, EntryType& type, int64_t& seconds) {
    LIBSSH2_SFTP_ATTRIBUTES attributes{};
    int error = Request("looking at " + path, [&] {
        return libssh2_sftp_stat_ex(m_sftp, path.c_str(), Length(path), LIBSSH2_SFTP_STAT,
                                    &attributes);
    });
    type = error == 0 ? TypeOf(attributes) : EntryType::Other;
    seconds = error == 0 && (attributes.flags & LIBSSH2_SFTP_ATTR_ACMODTIME) != 0
                  ? static_cast<int64_t>(attributes.mtime)
                  : -1;
    return error;
}

bool CSftpSession::IsConnected() {
    EntryType type = EntryType::Other;
    int64_t seconds = -1;
    return Do("/", [&] { return Stat("/", type, seconds); }) == 0;
}

int CSftpSession::FolderExists(const std::string& folder, bool& exists) {
    const std::string path = AbsolutePath(folder);
    EntryType type = EntryType::Other;
    int64_t seconds = -1;
    int error = Do(path, [&] { return Stat(path, type, seconds); });
    exists = error == 0 && type == EntryType::Folder;
    return error == ENOENT ? 0 : error;
}

int CSftpSession::MakeFolder(const std::string& folder) {
    const std::string path = AbsolutePath(folder);
    return Do(path, [&] {
        return Request("making " + path, [&] {
            return libssh2_sftp_mkdir_ex(m_sftp, path.c_str(), Length(path), kNewFolderMode);
        });
    });
}

int CSftpSession::DeleteFile(const std::string& file) {
    const std::string path = AbsolutePath(file);
    return Do(path, [&] { return Remove(path); });
}

int CSftpSession::RemoveFolder(const std::string& folder) {
    const std::string path = AbsolutePath(folder);
    return Do(path, [&] {
        return Request("removing " + path,
                       [&] { return libssh2_sftp_rmdir_ex(m_sftp, path.c_str(), Length(path)); });
    });
}

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

int CSftpSession::Remove(const std::string& path) {
    return Request("removing " + path,
                   [&] { return libssh2_sftp_unlink_ex(m_sftp, path.c_str(), Length(path)); });
}

int CSftpSession::Rename(const std::string& from, const std::string& to) {
    return Request("renaming " + from, [&] {
        return libssh2_sftp_rename_ex(m_sftp, from.c_str(), Length(from), to.c_str(), Length(to),
                                      kRenameFlags);
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
        int error = WriteAll(handle, source);
        if (error == 0 && options.m_lastWrite != kKeepTime) {
            LIBSSH2_SFTP_ATTRIBUTES attributes = TimeAttributes(options.m_lastWrite);
            int refused = Request("setting the time of " + temp,
                                  [&] { return libssh2_sftp_fsetstat(handle, &attributes); });
            timeSet = refused == 0;
            error = m_bWhole ? 0 : refused;
        }
        if (m_bWhole) {
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

// Whatever the server has not acknowledged stays in the buffer, since libssh2 asks for it again
// from the first byte not acknowledged; the source refills the rest.
int CSftpSession::WriteAll(LIBSSH2_SFTP_HANDLE* handle, const RemoteSourceFn& source) {
    std::vector<char> buffer(kWriteBufferBytes);
    size_t begin = 0;
    size_t end = 0;
    bool last = false;
    for (;;) {
        while (!last && end - begin < kInFlightBytes) {
            if (end == buffer.size()) {
                std::memmove(buffer.data(), buffer.data() + begin, end - begin);
                end -= begin;
                begin = 0;
            }
            size_t got = 0;
            if (int error = source(buffer.data() + end, buffer.size() - end, got); error != 0) {
                m_error = "the upload's source failed";
                return error;
            }
            last = got == 0;
            end += got;
        }
        if (begin == end) {
            return 0;
        }
        ssize_t acknowledged = libssh2_sftp_write(handle, buffer.data() + begin, end - begin);
        if (acknowledged == LIBSSH2_ERROR_EAGAIN) {
            if (int error = Wait(); error != 0) {
                m_bWhole = false;
                return error;
            }
        } else if (acknowledged < 0) {
            return Failed(static_cast<int>(acknowledged), "writing");
        } else {
            begin += static_cast<size_t>(acknowledged);
            RestartDeadline();
        }
    }
}

int CSftpSession::CloseHandle(LIBSSH2_SFTP_HANDLE* handle, const std::string& path) {
    return Request("finishing " + path, [&] { return libssh2_sftp_close_handle(handle); });
}

// A fresh name needs the rename only. A file already there steps aside first and is removed
// once the new one took its place, so that it is never gone before the new one is there.
int CSftpSession::PutInPlace(const CUploadOptions& options) {
    const std::string& temp = m_leftovers.m_temp;
    const std::string& target = m_leftovers.m_target;
    if (options.m_target == UploadTarget::Absent) {
        int error = Rename(temp, target);
        if (error == 0 || !m_bWhole) {
            return error;
        }
    }
    const std::string aside = temp + "-old";
    int error = Rename(target, aside);
    if (error != 0 && error != ENOENT && m_bWhole) {
        // What an interrupted replace left under the aside name may stand in the way; the
        // target still holds the old contents then.
        Remove(aside);
        error = m_bWhole ? Rename(target, aside) : error;
    }
    if (!m_bWhole) {
        return error;
    }
    m_leftovers.m_bSteppedAside = error == 0;
    error = Rename(temp, target);
    if (error == 0 && m_leftovers.m_bSteppedAside) {
        // Left there, it is only a hidden name that the next upload of the file removes.
        Remove(aside);
    }
    return error;
}

void CSftpSession::RestoreLeftovers() {
    if (m_leftovers.m_bSteppedAside) {
        Rename(m_leftovers.m_temp + "-old", m_leftovers.m_target);
    }
    if (m_bWhole) {
        Remove(m_leftovers.m_temp);
    }
    if (m_bWhole) {
        m_leftovers = {};
    }
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
