#include "platform/RemoteFileSystem.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <thread>
#include <utility>

#include "base/PathText.h"

namespace tv {
namespace {

constexpr int64_t kTicksPerMinute = 60 * static_cast<int64_t>(kTicksPerSecond);
constexpr auto kWaitSlice = std::chrono::milliseconds(200);

std::string Absolute(const std::string& path) {
    std::string absolute = path.starts_with('/') ? path : "/" + path;
    while (absolute.size() > 1 && absolute.ends_with('/')) {
        absolute.pop_back();
    }
    return absolute;
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// Servers keep no modes that mean anything here; these are what a new local file or folder gets.
CFileInfo InfoOf(const CRemoteEntry& entry) {
    CFileInfo info;
    info.m_type = entry.m_type;
    info.m_size = entry.m_type == EntryType::File ? entry.m_size : 0;
    info.m_lastWrite = entry.m_timeKind == RemoteTimeKind::None ? 0 : entry.m_lastWrite;
    uint32_t mode = entry.m_type == EntryType::Folder ? S_IFDIR | 0755 : S_IFREG | 0644;
    info.m_attributes = AttributesFromMode(mode, entry.m_name, false);
    return info;
}

CFileInfo RootInfo() {
    CFileInfo info;
    info.m_type = EntryType::Folder;
    info.m_attributes = AttributesFromMode(S_IFDIR | 0755, {}, false);
    return info;
}

}  // namespace

// What the drivers answer when the server cannot be reached or the connection broke off; a
// server that said no is still there.
bool CRemoteFileSystem::LostConnection(int error) {
    return error == ECONNRESET || error == ECONNREFUSED || error == ETIMEDOUT ||
           error == EHOSTUNREACH;
}

CRemoteFileSystem::CRemoteFileSystem(std::unique_ptr<IRemoteDriver> driver, IFileSystem& spoolFs,
                                     std::string spoolFolder)
    : m_driver(std::move(driver)), m_spoolFs(spoolFs), m_spoolFolder(std::move(spoolFolder)) {}

// A streaming upload still pending fails first, while its connection is still there.
CRemoteFileSystem::~CRemoteFileSystem() {
    m_handles.clear();
}

uint32_t CRemoteFileSystem::Capabilities(const std::string&) {
    return fscap::kCanRename | (m_bExactTimes ? fscap::kExactTimes : 0);
}

void CRemoteFileSystem::Disconnect() {
    std::lock_guard lock(m_driverMutex);
    m_driver->Disconnect();
}

void CRemoteFileSystem::SetReconnectRule(CReconnectRule rule) {
    m_reconnect = std::move(rule);
}

int CRemoteFileSystem::Connect() {
    std::lock_guard lock(m_driverMutex);
    return Reconnect(m_reconnect.m_nRetries);
}

std::string CRemoteFileSystem::LastError() const {
    return m_driver->LastError();
}

int CRemoteFileSystem::Reconnect(int retries) {
    int error = 0;
    for (int attempt = 0; attempt <= retries; ++attempt) {
        for (auto waited = kWaitSlice * 0; attempt > 0 && waited < m_reconnect.m_wait;
             waited += kWaitSlice) {
            if (m_reconnect.m_cancelled && m_reconnect.m_cancelled()) {
                return ECANCELED;
            }
            std::this_thread::sleep_for(kWaitSlice);
        }
        // A fresh start: a connection that died under the last call is not reused.
        if (m_bLost || attempt > 0) {
            m_driver->Disconnect();
        }
        error = m_driver->Connect();
        if (!LostConnection(error)) {
            break;
        }
    }
    m_bLost = error != 0;
    m_bGone = m_bLost;
    return error;
}

int CRemoteFileSystem::OnServer(const std::function<int(IRemoteDriver&)>& call) {
    std::lock_guard lock(m_driverMutex);
    if (m_bUploadLost.exchange(false)) {
        m_bLost = true;
    }
    if (m_bLost) {
        if (int error = Reconnect(m_bGone ? 0 : m_reconnect.m_nRetries)) {
            return error;
        }
    }
    const int error = call(*m_driver);
    m_bLost = LostConnection(error);
    return error;
}

void CRemoteFileSystem::SetTimeShift(int32_t listMinutes, int32_t manualMinutes) {
    m_listShiftMinutes = listMinutes;
    m_manualShiftMinutes = manualMinutes;
}

CFileInfo CRemoteFileSystem::Shifted(CFileInfo info, RemoteTimeKind kind) const {
    if (kind == RemoteTimeKind::None) {
        return info;
    }
    const int64_t minutes =
        m_manualShiftMinutes + (kind == RemoteTimeKind::LocalWall ? m_listShiftMinutes : 0);
    info.m_lastWrite += static_cast<FileTime>(minutes * kTicksPerMinute);
    return info;
}

FileTime CRemoteFileSystem::ServerTime(FileTime time) const {
    return time - static_cast<FileTime>(int64_t{m_manualShiftMinutes} * kTicksPerMinute);
}

void CRemoteFileSystem::NoteTimes(RemoteTimeKind kind) {
    if (kind != RemoteTimeKind::Utc) {
        m_bExactTimes = false;
    }
}

int CRemoteFileSystem::List(const std::string& folder, CRemoteListing& listing) {
    if (int error = OnServer([&](IRemoteDriver& driver) { return driver.List(folder, listing); })) {
        return error;
    }
    std::lock_guard lock(m_handleMutex);
    for (const std::string& name : listing.m_refused) {
        if (std::string path = Join(folder, name); m_refusedSeen.insert(path).second) {
            m_refused.push_back(std::move(path));
        }
    }
    Remember(folder, listing);
    return 0;
}

void CRemoteFileSystem::Remember(const std::string& folder, const CRemoteListing& listing) {
    std::erase_if(m_recent, [&](const auto& known) { return known.first == folder; });
    m_recent.emplace_front(folder, listing.m_entries);
    if (m_recent.size() > kRecentFolders) {
        m_recent.pop_back();
    }
}

UploadTarget CRemoteFileSystem::TargetOf(const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string name = NameOf(path);
    std::lock_guard lock(m_handleMutex);
    for (const auto& [known, entries] : m_recent) {
        if (known == folder) {
            return std::any_of(entries.begin(), entries.end(),
                               [&](const CRemoteEntry& e) { return e.m_name == name; })
                       ? UploadTarget::Unknown
                       : UploadTarget::Absent;
        }
    }
    return UploadTarget::Unknown;
}

int CRemoteFileSystem::Entry(const std::string& path, CRemoteEntry& entry) {
    const std::string folder = FolderOf(path);
    const std::string name = NameOf(path);
    const auto find = [&](const std::vector<CRemoteEntry>& entries) {
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [&](const CRemoteEntry& e) { return e.m_name == name; });
        if (found != entries.end()) {
            entry = *found;
        }
        return found != entries.end() ? 0 : ENOENT;
    };
    {
        std::lock_guard lock(m_handleMutex);
        for (const auto& [known, entries] : m_recent) {
            if (known == folder) {
                return find(entries);
            }
        }
    }
    CRemoteListing listing;
    if (int error = List(folder, listing)) {
        return error;
    }
    return find(listing.m_entries);
}

void CRemoteFileSystem::Known(const std::string& path, const std::optional<CRemoteEntry>& entry) {
    const std::string folder = FolderOf(path);
    const std::string name = NameOf(path);
    std::lock_guard lock(m_handleMutex);
    for (auto& [known, entries] : m_recent) {
        if (known == folder) {
            std::erase_if(entries, [&](const CRemoteEntry& e) { return e.m_name == name; });
            if (entry) {
                entries.push_back(*entry);
            }
            return;
        }
    }
}

void CRemoteFileSystem::Changed(const std::string& path) {
    const std::string folder = FolderOf(path);
    std::lock_guard lock(m_handleMutex);
    std::erase_if(m_recent, [&](const auto& known) { return known.first == folder; });
}

std::vector<std::string> CRemoteFileSystem::TakeRefusedNames() {
    std::lock_guard lock(m_handleMutex);
    return std::exchange(m_refused, {});
}

// A listing arrives whole from the driver, so it is handed on in one piece.
int CRemoteFileSystem::ReadFolder(const std::string& path, CFileInfo& folder,
                                  std::vector<CFolderItem>& items, const FolderPieceFn& onPiece) {
    CRemoteListing listing;
    std::string absolute = Absolute(path);
    if (int error = List(absolute, listing)) {
        return error;
    }
    folder = RootInfo();
    folder.m_attributes = AttributesFromMode(S_IFDIR | 0755, NameOf(absolute), false);
    items.clear();
    for (const CRemoteEntry& entry : listing.m_entries) {
        if (entry.m_type == EntryType::Other || IsRemoteTempName(entry.m_name)) {
            continue;
        }
        if (entry.m_type == EntryType::File) {
            NoteTimes(entry.m_timeKind);
        }
        items.push_back({entry.m_name, Shifted(InfoOf(entry), entry.m_timeKind)});
    }
    return onPiece(items);
}

int CRemoteFileSystem::ListNames(const std::string& folder, std::vector<std::string>& names) {
    CRemoteListing listing;
    if (int error = List(Absolute(folder), listing)) {
        return error;
    }
    names.clear();
    for (const CRemoteEntry& entry : listing.m_entries) {
        names.push_back(entry.m_name);
    }
    return 0;
}

int CRemoteFileSystem::Stat(const std::string& path, CFileInfo& info, LinkMode) {
    std::string absolute = Absolute(path);
    if (absolute == "/") {
        info = RootInfo();
        return 0;
    }
    CRemoteEntry entry;
    if (int error = Entry(absolute, entry)) {
        return error;
    }
    info = Shifted(InfoOf(entry), entry.m_timeKind);
    return 0;
}

// No download yet: what the caller reads first decides where it starts.
int CRemoteFileSystem::OpenRead(const std::string& path, int& file) {
    // A copy takes the time of the file it read as the time of what it wrote; a recent listing
    // knows it without a question to the server.
    CFileInfo info;
    if (int error = Stat(path, info, LinkMode::Follow)) {
        return error;
    }
    CHandle handle;
    handle.m_path = Absolute(path);
    handle.m_lastWrite = info.m_lastWrite;
    std::lock_guard lock(m_handleMutex);
    file = m_nextHandle++;
    m_handles[file] = std::move(handle);
    return 0;
}

int CRemoteFileSystem::Load(int file, uint64_t offset, CHandle& handle) {
    auto spool = std::make_shared<CScratchFile>();
    if (int error = spool->Open(m_spoolFs, m_spoolFolder)) {
        return error;
    }
    uint64_t size = 0;
    const int error = OnServer([&](IRemoteDriver& driver) {
        size = 0;
        return driver.Download(handle.m_path, offset, [&](const void* data, size_t count) {
            int written = spool->Write(size, {static_cast<const char*>(data), count});
            size += count;
            return written;
        });
    });
    if (error != 0) {
        return error;
    }
    std::lock_guard lock(m_handleMutex);
    auto found = m_handles.find(file);
    if (found == m_handles.end() || !found->second.m_bOpen) {
        return EBADF;
    }
    found->second.m_spool = std::move(spool);
    found->second.m_start = offset;
    found->second.m_size = offset + size;
    found->second.m_bLoaded = true;
    handle = found->second;
    return 0;
}

int CRemoteFileSystem::Loaded(int file, uint64_t offset, CHandle& handle) {
    if (int error = Find(file, handle)) {
        return error;
    }
    if (handle.m_bWritable || (handle.m_bLoaded && offset >= handle.m_start)) {
        return 0;
    }
    return Load(file, offset, handle);
}

int CRemoteFileSystem::PendingUpload(const std::string& tempPath) {
    for (const auto& [file, handle] : m_handles) {
        if (handle.m_bWritable && handle.m_tempPath == tempPath) {
            return file;
        }
    }
    return -1;
}

int CRemoteFileSystem::CreateTemp(const std::string& folder, const std::string& name, uint32_t,
                                  std::string& tempPath, int& file) {
    if (name.empty() || name.find('/') != std::string::npos) {
        return EINVAL;
    }
    std::string temp = Join(Absolute(folder), RemoteTempName(name));
    auto spool = std::make_shared<CScratchFile>();
    if (int error = spool->Open(m_spoolFs, m_spoolFolder)) {
        return error;
    }
    std::lock_guard lock(m_handleMutex);
    if (PendingUpload(temp) >= 0) {
        return EEXIST;
    }
    file = m_nextHandle++;
    CHandle handle;
    handle.m_spool = std::move(spool);
    handle.m_bWritable = true;
    handle.m_tempPath = temp;
    handle.m_target = Join(Absolute(folder), name);
    m_handles[file] = std::move(handle);
    tempPath = temp;
    return 0;
}

int CRemoteFileSystem::CreateScratch(const std::string&, int&) {
    return ENOSYS;
}

int CRemoteFileSystem::Lock(const std::string&, int&) {
    return ENOSYS;
}

int CRemoteFileSystem::Find(int file, CHandle& handle) {
    std::lock_guard lock(m_handleMutex);
    auto found = m_handles.find(file);
    if (found == m_handles.end() || !found->second.m_bOpen) {
        return EBADF;
    }
    handle = found->second;
    return 0;
}

// The size is known once some download reached the end, from wherever it started.
int CRemoteFileSystem::StatOpen(int file, CFileInfo& info) {
    CHandle handle;
    if (int error = Find(file, handle)) {
        return error;
    }
    if (!handle.m_bWritable && !handle.m_bLoaded) {
        if (int error = Load(file, 0, handle)) {
            return error;
        }
    }
    info = CFileInfo{};
    info.m_type = EntryType::File;
    info.m_size = handle.m_size;
    info.m_lastWrite = handle.m_lastWrite == kKeepTime ? 0 : handle.m_lastWrite;
    info.m_attributes = AttributesFromMode(S_IFREG | 0644, {}, false);
    return 0;
}

int CRemoteFileSystem::Read(int file, uint64_t offset, void* buffer, size_t size, size_t& got) {
    got = 0;
    CHandle handle;
    if (int error = Loaded(file, offset, handle)) {
        return error;
    }
    if (offset >= handle.m_size) {
        return 0;
    }
    if (!handle.m_spool) {
        return EBADF;  // a streaming upload keeps no bytes
    }
    return handle.m_spool->Read(offset - handle.m_start, buffer, size, got);
}

int CRemoteFileSystem::Write(int file, uint64_t offset, const void* buffer, size_t size,
                             size_t& written) {
    written = 0;
    CHandle handle;
    if (int error = Find(file, handle)) {
        return error;
    }
    if (!handle.m_bWritable) {
        return EBADF;
    }
    const std::string_view bytes(static_cast<const char*>(buffer), size);
    if (handle.m_stream && offset != handle.m_size) {
        return ESPIPE;
    }
    if (int error = handle.m_stream ? handle.m_stream->Write(bytes)
                                    : handle.m_spool->Write(offset, bytes)) {
        if (handle.m_stream && LostConnection(error)) {
            m_bUploadLost = true;
        }
        return error;
    }
    written = size;
    {
        std::lock_guard lock(m_handleMutex);
        if (auto found = m_handles.find(file); found != m_handles.end()) {
            found->second.m_size = std::max(found->second.m_size, offset + size);
        }
    }
    if (!handle.m_stream && offset == handle.m_size && offset + size >= kStreamFromBytes) {
        StartStream(file);
    }
    return 0;
}

int CRemoteFileSystem::CopyRange(int, int, uint64_t, size_t, size_t& copied) {
    copied = 0;
    return ENOSYS;
}

int CRemoteFileSystem::SetOpenTimes(int file, FileTime, FileTime lastWrite) {
    std::lock_guard lock(m_handleMutex);
    auto found = m_handles.find(file);
    if (found == m_handles.end() || !found->second.m_bOpen || !found->second.m_bWritable) {
        return EBADF;
    }
    if (lastWrite != kKeepTime) {
        found->second.m_lastWrite = lastWrite;
    }
    return 0;
}

int CRemoteFileSystem::SetOpenMode(int file, uint32_t) {
    CHandle handle;
    return Find(file, handle);
}

int CRemoteFileSystem::Flush(int file) {
    CHandle handle;
    return Find(file, handle);
}

// A closed upload keeps its spool until Rename sends it or Unlink drops it.
int CRemoteFileSystem::Close(int file) {
    std::lock_guard lock(m_handleMutex);
    auto found = m_handles.find(file);
    if (found == m_handles.end() || !found->second.m_bOpen) {
        return EBADF;
    }
    if (found->second.m_bWritable && !found->second.m_tempPath.empty()) {
        found->second.m_bOpen = false;
    } else {
        m_handles.erase(found);
    }
    return 0;
}

void CRemoteFileSystem::Forget(int file) {
    CHandle gone;  // let go outside the lock
    std::lock_guard lock(m_handleMutex);
    auto found = m_handles.find(file);
    if (found == m_handles.end()) {
        return;
    }
    if (found->second.m_bOpen) {
        found->second.m_tempPath.clear();  // still open: Close lets it go
    } else {
        gone = std::move(found->second);
        m_handles.erase(found);
    }
}

int CRemoteFileSystem::Rename(const std::string& from, const std::string& to) {
    int file = -1;
    {
        std::lock_guard lock(m_handleMutex);
        file = PendingUpload(Absolute(from));
    }
    if (file < 0) {
        return ENOSYS;
    }
    const std::shared_ptr<CRemoteUploadStream> stream = StreamOf(file);
    if (int error =
            stream ? FinishStream(file, stream, Absolute(to)) : Upload(file, Absolute(to))) {
        return error;
    }
    Forget(file);
    return 0;
}

int CRemoteFileSystem::Unlink(const std::string& path) {
    int file = -1;
    {
        std::lock_guard lock(m_handleMutex);
        file = PendingUpload(Absolute(path));
    }
    if (file >= 0) {
        if (const std::shared_ptr<CRemoteUploadStream> stream = StreamOf(file)) {
            stream->Cancel();
            Release(stream);
        }
        Forget(file);
        return 0;
    }
    const int error =
        OnServer([&](IRemoteDriver& driver) { return driver.DeleteFile(Absolute(path)); });
    error == 0 ? Known(Absolute(path), std::nullopt) : Changed(Absolute(path));
    return error;
}

int CRemoteFileSystem::MakeFolder(const std::string& path) {
    const int error =
        OnServer([&](IRemoteDriver& driver) { return driver.MakeFolder(Absolute(path)); });
    if (error == 0) {
        Known(Absolute(path),
              CRemoteEntry{NameOf(Absolute(path)), EntryType::Folder, 0, 0, RemoteTimeKind::None});
    } else {
        Changed(Absolute(path));
    }
    CFileInfo info;
    return error != 0 && Stat(path, info, LinkMode::Follow) == 0 ? EEXIST : error;
}

int CRemoteFileSystem::RemoveFolder(const std::string& path) {
    const int error =
        OnServer([&](IRemoteDriver& driver) { return driver.RemoveFolder(Absolute(path)); });
    error == 0 ? Known(Absolute(path), std::nullopt) : Changed(Absolute(path));
    return error;
}

int CRemoteFileSystem::SetMode(const std::string&, uint32_t) {
    return 0;
}

int CRemoteFileSystem::SetTimes(const std::string& path, FileTime, FileTime lastWrite) {
    if (lastWrite == kKeepTime) {
        return 0;
    }
    const int error = OnServer([&](IRemoteDriver& driver) {
        return driver.SetTime(Absolute(path), ServerTime(lastWrite));
    });
    Changed(Absolute(path));
    if (error == ENOSYS) {
        m_bExactTimes = false;
    }
    return error;
}

int CRemoteFileSystem::FlushFolder(const std::string&) {
    return 0;
}

void CRemoteFileSystem::RemoveStaleTemps(const std::string& folder, const std::string& name) {
    std::string temp = Join(Absolute(folder), RemoteTempName(name));
    {
        std::lock_guard lock(m_handleMutex);
        if (PendingUpload(temp) >= 0) {
            return;
        }
    }
    OnServer([&](IRemoteDriver& driver) { return driver.DeleteFile(temp); });
}

int CRemoteFileSystem::FreeSpace(const std::string&, uint64_t& bytes) {
    bytes = UINT64_MAX;
    return 0;
}

// Lexical: a server shows no links.
int CRemoteFileSystem::ResolvePath(const std::string& path, std::string& resolved) {
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t slash = path.find('/', pos);
        size_t end = slash == std::string::npos ? path.size() : slash;
        std::string part = path.substr(pos, end - pos);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = end + 1;
    }
    resolved.clear();
    for (const std::string& part : parts) {
        resolved += "/" + part;
    }
    if (resolved.empty()) {
        resolved = "/";
    }
    return 0;
}

}  // namespace tv
