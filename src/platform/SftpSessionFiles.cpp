#include <libssh2.h>
#include <libssh2_sftp.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/CurlCallbacks.h"
#include "platform/RemoteListing.h"
#include "platform/SftpSession.h"

// The requests of an SFTP session: listings and the small commands.
namespace tv {
namespace {

using curlcb::AbsolutePath;

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

}  // namespace tv
