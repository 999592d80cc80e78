#include <sys/stat.h>

#include <cerrno>

#include "platform/CurlCallbacks.h"
#include "platform/RemoteListing.h"
#include "platform/SftpSession.h"

// The requests of an SFTP session: listings and the small commands.
namespace tv {
namespace {

using curlcb::AbsolutePath;

constexpr uint32_t kNewFolderMode = 0755;

EntryType TypeOf(const sftp::CAttributes& attributes) {
    if ((attributes.m_flags & sftp::kAttrPermissions) == 0) {
        return EntryType::Other;
    }
    if (S_ISDIR(attributes.m_permissions)) {
        return EntryType::Folder;
    }
    // A link stays Other, as the listing's "l" line has always made it.
    return S_ISREG(attributes.m_permissions) ? EntryType::File : EntryType::Other;
}

CRemoteEntry EntryOf(sftp::CName& name) {
    CRemoteEntry entry;
    entry.m_name = std::move(name.m_name);
    entry.m_type = TypeOf(name.m_attributes);
    if ((name.m_attributes.m_flags & sftp::kAttrSize) != 0) {
        entry.m_size = name.m_attributes.m_size;
    }
    if ((name.m_attributes.m_flags & sftp::kAttrTimes) != 0) {
        entry.m_lastWrite = FileTimeFromUnix(static_cast<int64_t>(name.m_attributes.m_mtime));
        entry.m_timeKind = RemoteTimeKind::Utc;
    }
    return entry;
}

}  // namespace

int CSftpSession::List(const std::string& folder, CRemoteListing& listing) {
    const std::string path = AbsolutePath(folder);
    return Do(path, [&] { return ReadFolder(path, listing); });
}

// Batch by batch, until the server says there is no more.
int CSftpSession::ReadFolder(const std::string& path, CRemoteListing& listing) {
    const uint32_t openId = NewId();
    sftp::CRequest(m_outbox, sftp::Packet::Opendir, openId).Str(path).End();
    std::string handle;
    if (int error = AwaitHandle(openId, "opening " + path, handle); error != 0) {
        return error;
    }
    sftp::CReply reply;
    int error = 0;
    for (;;) {
        const uint32_t id = NewId();
        sftp::CRequest(m_outbox, sftp::Packet::Readdir, id).Str(handle).End();
        if (error = Await(id, reply); error != 0) {
            return error;
        }
        if (reply.m_type != sftp::Packet::Name) {
            const bool end =
                reply.m_type == sftp::Packet::Status && reply.m_status == sftp::kStatusEof;
            error = end ? 0 : Refused(reply, "reading " + path);
            break;
        }
        for (sftp::CName& name : reply.m_names) {
            AddRemoteEntry(EntryOf(name), listing);
        }
    }
    int closed = CloseHandle(handle, path);
    return error != 0 ? error : closed;
}

int CSftpSession::Stat(const std::string& path, EntryType& type) {
    const uint32_t id = NewId();
    sftp::CRequest(m_outbox, sftp::Packet::Stat, id).Str(path).End();
    sftp::CReply reply;
    if (int error = Await(id, reply); error != 0) {
        return error;
    }
    if (reply.m_type != sftp::Packet::Attrs) {
        return Refused(reply, "looking at " + path);
    }
    type = TypeOf(reply.m_attributes);
    return 0;
}

bool CSftpSession::IsConnected() {
    EntryType type = EntryType::Other;
    return Do("/", [&] { return Stat("/", type); }) == 0;
}

int CSftpSession::FolderExists(const std::string& folder, bool& exists) {
    const std::string path = AbsolutePath(folder);
    EntryType type = EntryType::Other;
    int error = Do(path, [&] { return Stat(path, type); });
    exists = error == 0 && type == EntryType::Folder;
    return error == ENOENT ? 0 : error;
}

int CSftpSession::MakeFolder(const std::string& folder) {
    const std::string path = AbsolutePath(folder);
    return Do(path, [&] {
        const uint32_t id = NewId();
        sftp::CRequest(m_outbox, sftp::Packet::Mkdir, id)
            .Str(path)
            .U32(sftp::kAttrPermissions)
            .U32(kNewFolderMode)
            .End();
        return Request("making " + path, id);
    });
}

int CSftpSession::DeleteFile(const std::string& file) {
    const std::string path = AbsolutePath(file);
    return Do(path, [&] { return Remove(path); });
}

int CSftpSession::RemoveFolder(const std::string& folder) {
    const std::string path = AbsolutePath(folder);
    return Do(path, [&] { return PathRequest(sftp::Packet::Rmdir, path, "removing " + path); });
}

int CSftpSession::Remove(const std::string& path) {
    return PathRequest(sftp::Packet::Remove, path, "removing " + path);
}

// SFTP's rename refuses to replace a file; PutUploadInPlace steps the old one aside first.
int CSftpSession::Rename(const std::string& from, const std::string& to) {
    const uint32_t id = NewId();
    sftp::CRequest(m_outbox, sftp::Packet::Rename, id).Str(from).Str(to).End();
    return Request("renaming " + from, id);
}

int CSftpSession::PathRequest(sftp::Packet type, const std::string& path,
                              const std::string& doing) {
    const uint32_t id = NewId();
    sftp::CRequest(m_outbox, type, id).Str(path).End();
    return Request(doing, id);
}

int CSftpSession::CloseHandle(const std::string& handle, const std::string& path) {
    const uint32_t id = NewId();
    sftp::CRequest(m_outbox, sftp::Packet::Close, id).Str(handle).End();
    return Request("finishing " + path, id);
}

}  // namespace tv
