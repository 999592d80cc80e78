#include "MemoryFileSystem.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>

#include "platform/TempFile.h"

namespace tvtest {

namespace {

enum NodeType { kFile, kFolder, kLink };

constexpr uint32_t kUmask = 022;
constexpr int kMostLinks = 40;
constexpr uint64_t kDevice = 1;

tv::FileTime Now() {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(since).count();
    return tv::FileTimeFromUnix(ns / 1'000'000'000, static_cast<uint32_t>(ns % 1'000'000'000));
}

// The names of a path, "." left out and ".." taken back.
std::vector<std::string> Parts(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        end = end == std::string::npos ? path.size() : end;
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    return parts;
}

std::string Join(const std::vector<std::string>& parts, size_t from) {
    std::string path;
    for (size_t i = from; i < parts.size(); ++i) {
        path += "/" + parts[i];
    }
    return path;
}

std::string ParentOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

struct CMemoryFileSystem::CNode {
    int m_type = kFile;
    std::string m_data;  // a file's content, or a link's target
    std::map<std::string, NodePtr> m_children;
    uint32_t m_mode = 0;
    tv::FileTime m_lastWrite = 0;
    tv::FileTime m_lastAccess = 0;
    tv::FileTime m_creation = 0;
    uint64_t m_inode = 0;
};

CMemoryFileSystem::CMemoryFileSystem()
    : m_nCaps(tv::fscap::kCanRename | tv::fscap::kExactTimes | tv::fscap::kHasLinks |
              tv::fscap::kHasModes) {
    m_root = NewNode(kFolder, 0755);
}

CMemoryFileSystem::~CMemoryFileSystem() = default;

CMemoryFileSystem::NodePtr CMemoryFileSystem::NewNode(int type, uint32_t mode) {
    auto node = std::make_shared<CNode>();
    node->m_type = type;
    node->m_mode = mode & 07777;
    node->m_lastWrite = node->m_lastAccess = node->m_creation = Now();
    node->m_inode = m_nNextInode++;
    return node;
}

int CMemoryFileSystem::Find(const std::string& path, tv::LinkMode links, CPlace& place,
                            int depth) const {
    if (depth > kMostLinks) {
        return ELOOP;
    }
    const std::vector<std::string> parts = Parts(path);
    place = {nullptr, {}, m_root, "/"};
    NodePtr folder = m_root;
    std::string resolved;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (folder->m_type != kFolder) {
            return ENOTDIR;
        }
        const bool last = i + 1 == parts.size();
        const auto it = folder->m_children.find(parts[i]);
        const NodePtr node = it == folder->m_children.end() ? nullptr : it->second;
        if (!node && !last) {
            return ENOENT;
        }
        if (node && node->m_type == kLink && (!last || links == tv::LinkMode::Follow)) {
            const std::string& target = node->m_data;
            const std::string base = target.starts_with('/') ? target : resolved + "/" + target;
            return Find(base + Join(parts, i + 1), links, place, depth + 1);
        }
        if (last) {
            place = {folder, parts[i], node, resolved + "/" + parts[i]};
            return 0;
        }
        folder = node;
        resolved += "/" + parts[i];
    }
    return 0;
}

int CMemoryFileSystem::FindExisting(const std::string& path, tv::LinkMode links,
                                    NodePtr& node) const {
    CPlace place;
    if (const int err = Find(path, links, place)) {
        return err;
    }
    node = place.m_node;
    return node ? 0 : ENOENT;
}

int CMemoryFileSystem::FindFolder(const std::string& path, NodePtr& node) const {
    if (const int err = FindExisting(path, tv::LinkMode::Follow, node)) {
        return err;
    }
    return node->m_type == kFolder ? 0 : ENOTDIR;
}

CMemoryFileSystem::NodePtr CMemoryFileSystem::MakeFolders(const std::string& path) {
    NodePtr folder = m_root;
    for (const std::string& part : Parts(path)) {
        NodePtr& child = folder->m_children[part];
        if (!child) {
            child = NewNode(kFolder, 0777 & ~kUmask);
        }
        folder = child;
    }
    return folder;
}

void CMemoryFileSystem::Info(const CNode& node, const std::string& name, bool viaLink,
                             tv::CFileInfo& info) const {
    static constexpr uint32_t kKinds[] = {S_IFREG, S_IFDIR, S_IFLNK};
    static constexpr tv::EntryType kTypes[] = {tv::EntryType::File, tv::EntryType::Folder,
                                               tv::EntryType::Other};
    const bool link = viaLink || node.m_type == kLink;
    info = {};
    info.m_type = kTypes[node.m_type];
    info.m_bSymlink = link;
    info.m_attributes = tv::AttributesFromMode(kKinds[node.m_type] | node.m_mode, name, link);
    info.m_size = node.m_type == kFile ? node.m_data.size() : 0;
    info.m_lastWrite = node.m_lastWrite;
    info.m_lastAccess = node.m_lastAccess;
    info.m_creation = node.m_creation;
    info.m_device = kDevice;
    info.m_inode = node.m_inode;
}

bool CMemoryFileSystem::IsLiveTemp(const CNode* node) const {
    return m_liveTemps.count(node) > 0;
}

int CMemoryFileSystem::Open(const NodePtr& node, bool write) {
    const int file = m_nNextHandle++;
    m_open[file] = COpen{node, write};
    return file;
}

CMemoryFileSystem::COpen* CMemoryFileSystem::Handle(int file) {
    const auto it = m_open.find(file);
    return it == m_open.end() ? nullptr : &it->second;
}

uint64_t CMemoryFileSystem::UsedBytes() const {
    uint64_t used = 0;
    const std::function<void(const CNode&)> walk = [&](const CNode& node) {
        used += node.m_type == kFile ? node.m_data.size() : 0;
        for (const auto& [name, child] : node.m_children) {
            walk(*child);
        }
    };
    walk(*m_root);
    return used;
}

// --- Setup and checks

void CMemoryFileSystem::PutFile(const std::string& path, const std::string& content,
                                int64_t mtime) {
    std::lock_guard lock(m_mutex);
    NodePtr node = NewNode(kFile, 0644);
    node->m_data = content;
    if (mtime != 0) {
        node->m_lastWrite = tv::FileTimeFromUnix(mtime);
    }
    MakeFolders(ParentOf(path))->m_children[NameOf(path)] = node;
}

void CMemoryFileSystem::PutFolder(const std::string& path) {
    std::lock_guard lock(m_mutex);
    MakeFolders(path);
}

void CMemoryFileSystem::PutLink(const std::string& path, const std::string& target) {
    std::lock_guard lock(m_mutex);
    NodePtr node = NewNode(kLink, 0777);
    node->m_data = target;
    MakeFolders(ParentOf(path))->m_children[NameOf(path)] = node;
}

std::optional<std::string> CMemoryFileSystem::Content(const std::string& path) const {
    std::lock_guard lock(m_mutex);
    NodePtr node;
    if (FindExisting(path, tv::LinkMode::Follow, node) != 0 || node->m_type != kFile) {
        return std::nullopt;
    }
    return node->m_data;
}

std::map<std::string, std::string> CMemoryFileSystem::Files(const std::string& folder) const {
    std::lock_guard lock(m_mutex);
    std::map<std::string, std::string> files;
    NodePtr start;
    if (FindExisting(folder, tv::LinkMode::Follow, start) != 0) {
        return files;
    }
    const std::function<void(const CNode&, const std::string&)> walk =
        [&](const CNode& node, const std::string& prefix) {
            for (const auto& [name, child] : node.m_children) {
                if (child->m_type == kFile) {
                    files[prefix + name] = child->m_data;
                } else if (child->m_type == kFolder) {
                    walk(*child, prefix + name + "/");
                }
            }
        };
    walk(*start, {});
    return files;
}

void CMemoryFileSystem::SetCapacity(uint64_t bytes) {
    std::lock_guard lock(m_mutex);
    m_nCapacity = bytes;
}

void CMemoryFileSystem::LimitReads(const std::string& folder, size_t bytes) {
    std::lock_guard lock(m_mutex);
    m_readLimits[Join(Parts(folder), 0)] = bytes;
}

void CMemoryFileSystem::Crash() {
    std::lock_guard lock(m_mutex);
    m_locked.clear();
    m_liveTemps.clear();
    m_open.clear();
    m_unlocked.notify_all();
}

// --- Listing and information

uint32_t CMemoryFileSystem::Capabilities(const std::string&) {
    return m_nCaps;
}

// A link is followed from the folder it lies in; one that leads nowhere is left out.
void CMemoryFileSystem::AddItem(const std::string& folderPath, const std::string& name,
                                const NodePtr& node, std::vector<tv::CFolderItem>& items) const {
    NodePtr target = node;
    if (node->m_type == kLink &&
        FindExisting(folderPath + "/" + name, tv::LinkMode::Follow, target) != 0) {
        return;
    }
    tv::CFolderItem& item = items.emplace_back();
    item.m_name = name;
    Info(*target, name, node->m_type == kLink, item.m_info);
}

int CMemoryFileSystem::ReadFolder(const std::string& path, tv::CFileInfo& folder,
                                  std::vector<tv::CFolderItem>& items,
                                  const tv::FolderPieceFn& onPiece) {
    items.clear();
    std::vector<tv::CFolderItem> all;
    {
        std::lock_guard lock(m_mutex);
        CPlace place;
        if (const int err = Find(path, tv::LinkMode::Follow, place)) {
            return err;
        }
        if (!place.m_node) {
            return ENOENT;
        }
        if (place.m_node->m_type != kFolder) {
            return ENOTDIR;
        }
        Info(*place.m_node, NameOf(path), false, folder);
        auto& children = place.m_node->m_children;
        for (auto it = children.begin(); it != children.end();) {
            if (tv::IsTempFileName(it->first)) {
                const bool stale = it->second->m_type == kFile && !IsLiveTemp(it->second.get());
                it = stale ? children.erase(it) : std::next(it);
                continue;
            }
            AddItem(place.m_path, it->first, it->second, all);
            ++it;
        }
    }
    const size_t piece = m_nPieceSize == 0 ? std::max<size_t>(all.size(), 1) : m_nPieceSize;
    size_t start = 0;
    do {
        const size_t end = std::min(all.size(), start + piece);
        items.assign(std::make_move_iterator(all.begin() + static_cast<ptrdiff_t>(start)),
                     std::make_move_iterator(all.begin() + static_cast<ptrdiff_t>(end)));
        if (const int err = onPiece(items)) {
            return err;
        }
        start = end;
    } while (start < all.size());
    return 0;
}

int CMemoryFileSystem::ListNames(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    std::lock_guard lock(m_mutex);
    NodePtr node;
    if (const int err = FindExisting(folder, tv::LinkMode::NoFollow, node)) {
        return err;
    }
    if (node->m_type != kFolder) {
        return ENOTDIR;
    }
    for (const auto& [name, child] : node->m_children) {
        names.push_back(name);
    }
    return 0;
}

int CMemoryFileSystem::Stat(const std::string& path, tv::CFileInfo& info, tv::LinkMode links) {
    std::lock_guard lock(m_mutex);
    NodePtr node;
    if (const int err = FindExisting(path, tv::LinkMode::NoFollow, node)) {
        return err;
    }
    const bool viaLink = node->m_type == kLink && links == tv::LinkMode::Follow;
    if (viaLink) {
        if (const int err = FindExisting(path, tv::LinkMode::Follow, node)) {
            return err;
        }
    }
    Info(*node, NameOf(path), viaLink, info);
    return 0;
}

// --- Open files

int CMemoryFileSystem::OpenRead(const std::string& path, int& file) {
    std::lock_guard lock(m_mutex);
    file = -1;
    NodePtr node;
    if (const int err = FindExisting(path, tv::LinkMode::Follow, node)) {
        return err;
    }
    if (node->m_type != kFile) {
        return EISDIR;
    }
    file = Open(node, false);
    const std::string normal = Join(Parts(path), 0);
    for (const auto& [folder, limit] : m_readLimits) {
        if (normal.starts_with(folder + "/")) {
            m_open[file].m_nReadLimit = limit;
        }
    }
    return 0;
}

int CMemoryFileSystem::CreateTemp(const std::string& folder, const std::string& name, uint32_t mode,
                                  std::string& tempPath, int& file) {
    std::lock_guard lock(m_mutex);
    file = -1;
    NodePtr parent;
    if (const int err = FindFolder(folder, parent)) {
        return err;
    }
    std::string tempName;
    do {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, "%06u", ++m_nTempCounter % 1000000);
        tempName = std::string(tv::kTempFilePrefix) + name.substr(0, 200) + "-" + suffix;
    } while (parent->m_children.count(tempName));
    NodePtr node = NewNode(kFile, mode & ~kUmask);
    parent->m_children[tempName] = node;
    m_liveTemps.insert(node.get());
    tempPath = (folder.ends_with('/') ? folder : folder + "/") + tempName;
    file = Open(node, true);
    return 0;
}

int CMemoryFileSystem::CreateScratch(const std::string& folder, int& file) {
    std::lock_guard lock(m_mutex);
    file = -1;
    NodePtr parent;
    if (const int err = FindFolder(folder, parent)) {
        return err;
    }
    file = Open(NewNode(kFile, 0600), true);
    return 0;
}

int CMemoryFileSystem::Lock(const std::string& path, int& file) {
    std::unique_lock lock(m_mutex);
    file = -1;
    CPlace place;
    if (const int err = Find(path, tv::LinkMode::Follow, place)) {
        return err;
    }
    NodePtr node = place.m_node;
    if (!node) {
        node = NewNode(kFile, 0644 & ~kUmask);
        place.m_parent->m_children[place.m_name] = node;
    }
    if (node->m_type != kFile) {
        return EISDIR;
    }
    m_unlocked.wait(lock, [&] { return m_locked.count(node.get()) == 0; });
    m_locked.insert(node.get());
    file = Open(node, false);
    m_open[file].m_bLock = true;
    return 0;
}

int CMemoryFileSystem::StatOpen(int file, tv::CFileInfo& info) {
    std::lock_guard lock(m_mutex);
    const COpen* open = Handle(file);
    if (!open) {
        return EBADF;
    }
    Info(*open->m_node, {}, false, info);
    return 0;
}

int CMemoryFileSystem::Read(int file, uint64_t offset, void* buffer, size_t size, size_t& got) {
    std::lock_guard lock(m_mutex);
    got = 0;
    const COpen* open = Handle(file);
    if (!open) {
        return EBADF;
    }
    const std::string& data = open->m_node->m_data;
    if (offset < data.size()) {
        got = std::min<size_t>({size, open->m_nReadLimit, data.size() - offset});
        std::memcpy(buffer, data.data() + offset, got);
    }
    return 0;
}

int CMemoryFileSystem::Write(int file, uint64_t offset, const void* buffer, size_t size,
                             size_t& written) {
    std::lock_guard lock(m_mutex);
    written = 0;
    const COpen* open = Handle(file);
    if (!open || !open->m_bWrite) {
        return EBADF;
    }
    std::string& data = open->m_node->m_data;
    const uint64_t end = offset + size;
    const uint64_t growth = end > data.size() ? end - data.size() : 0;
    if (growth > 0 && UsedBytes() + growth > m_nCapacity) {
        return ENOSPC;
    }
    if (end > data.size()) {
        data.resize(end);
    }
    std::memcpy(data.data() + offset, buffer, size);
    open->m_node->m_lastWrite = Now();
    written = size;
    return 0;
}

int CMemoryFileSystem::CopyRange(int, int, uint64_t, size_t, size_t& copied) {
    copied = 0;
    return ENOSYS;
}

int CMemoryFileSystem::SetOpenTimes(int file, tv::FileTime lastAccess, tv::FileTime lastWrite) {
    std::lock_guard lock(m_mutex);
    const COpen* open = Handle(file);
    if (!open) {
        return EBADF;
    }
    if (lastAccess != tv::kKeepTime) {
        open->m_node->m_lastAccess = lastAccess;
    }
    if (lastWrite != tv::kKeepTime) {
        open->m_node->m_lastWrite = lastWrite;
    }
    return 0;
}

int CMemoryFileSystem::SetOpenMode(int file, uint32_t mode) {
    std::lock_guard lock(m_mutex);
    const COpen* open = Handle(file);
    if (!open) {
        return EBADF;
    }
    open->m_node->m_mode = mode & 07777;
    return 0;
}

int CMemoryFileSystem::Flush(int file) {
    std::lock_guard lock(m_mutex);
    return Handle(file) ? 0 : EBADF;
}

int CMemoryFileSystem::Close(int file) {
    std::lock_guard lock(m_mutex);
    const COpen* open = Handle(file);
    if (!open) {
        return EBADF;
    }
    if (open->m_bLock) {
        m_locked.erase(open->m_node.get());
        m_unlocked.notify_all();
    }
    m_open.erase(file);
    return 0;
}

// --- Changes by path

int CMemoryFileSystem::Rename(const std::string& from, const std::string& to) {
    std::lock_guard lock(m_mutex);
    CPlace source;
    CPlace dest;
    if (const int err = Find(from, tv::LinkMode::NoFollow, source)) {
        return err;
    }
    if (!source.m_node) {
        return ENOENT;
    }
    if (const int err = Find(to, tv::LinkMode::NoFollow, dest)) {
        return err;
    }
    if (!source.m_parent || !dest.m_parent || dest.m_path.starts_with(source.m_path + "/")) {
        return EINVAL;
    }
    if (dest.m_node == source.m_node) {
        return 0;
    }
    if (dest.m_node) {
        const bool toFolder = dest.m_node->m_type == kFolder;
        if (toFolder != (source.m_node->m_type == kFolder)) {
            return toFolder ? EISDIR : ENOTDIR;
        }
        if (toFolder && !dest.m_node->m_children.empty()) {
            return ENOTEMPTY;
        }
    }
    source.m_parent->m_children.erase(source.m_name);
    dest.m_parent->m_children[dest.m_name] = source.m_node;
    m_liveTemps.erase(source.m_node.get());
    return 0;
}

int CMemoryFileSystem::Unlink(const std::string& path) {
    std::lock_guard lock(m_mutex);
    CPlace place;
    if (const int err = Find(path, tv::LinkMode::NoFollow, place)) {
        return err;
    }
    if (!place.m_node) {
        return ENOENT;
    }
    if (place.m_node->m_type == kFolder) {
        return EISDIR;
    }
    m_liveTemps.erase(place.m_node.get());
    place.m_parent->m_children.erase(place.m_name);
    return 0;
}

int CMemoryFileSystem::MakeFolder(const std::string& path) {
    std::lock_guard lock(m_mutex);
    CPlace place;
    if (const int err = Find(path, tv::LinkMode::NoFollow, place)) {
        return err;
    }
    if (place.m_node) {
        return EEXIST;
    }
    place.m_parent->m_children[place.m_name] = NewNode(kFolder, 0777 & ~kUmask);
    return 0;
}

int CMemoryFileSystem::RemoveFolder(const std::string& path) {
    std::lock_guard lock(m_mutex);
    CPlace place;
    if (const int err = Find(path, tv::LinkMode::NoFollow, place)) {
        return err;
    }
    if (!place.m_node) {
        return ENOENT;
    }
    if (!place.m_parent) {
        return EBUSY;
    }
    if (place.m_node->m_type != kFolder) {
        return ENOTDIR;
    }
    if (!place.m_node->m_children.empty()) {
        return ENOTEMPTY;
    }
    place.m_parent->m_children.erase(place.m_name);
    return 0;
}

int CMemoryFileSystem::SetMode(const std::string& path, uint32_t mode) {
    std::lock_guard lock(m_mutex);
    NodePtr node;
    if (const int err = FindExisting(path, tv::LinkMode::Follow, node)) {
        return err;
    }
    node->m_mode = mode & 07777;
    return 0;
}

int CMemoryFileSystem::SetTimes(const std::string& path, tv::FileTime lastAccess,
                                tv::FileTime lastWrite) {
    std::lock_guard lock(m_mutex);
    NodePtr node;
    if (const int err = FindExisting(path, tv::LinkMode::Follow, node)) {
        return err;
    }
    if (lastAccess != tv::kKeepTime) {
        node->m_lastAccess = lastAccess;
    }
    if (lastWrite != tv::kKeepTime) {
        node->m_lastWrite = lastWrite;
    }
    return 0;
}

int CMemoryFileSystem::FlushFolder(const std::string& folder) {
    std::lock_guard lock(m_mutex);
    NodePtr node;
    if (const int err = FindExisting(folder, tv::LinkMode::Follow, node)) {
        return err;
    }
    return node->m_type == kFolder ? 0 : ENOTDIR;
}

void CMemoryFileSystem::RemoveStaleTemps(const std::string& folder, const std::string& name) {
    std::lock_guard lock(m_mutex);
    NodePtr node;
    if (FindExisting(folder, tv::LinkMode::Follow, node) != 0 || node->m_type != kFolder) {
        return;
    }
    const std::string prefix = std::string(tv::kTempFilePrefix) + name.substr(0, 200) + "-";
    std::erase_if(node->m_children, [&](const auto& child) {
        return child.first.starts_with(prefix) && tv::IsTempFileName(child.first) &&
               child.second->m_type == kFile && !IsLiveTemp(child.second.get());
    });
}

// --- Space and names

int CMemoryFileSystem::FreeSpace(const std::string& path, uint64_t& bytes) {
    std::lock_guard lock(m_mutex);
    NodePtr node;
    if (const int err = FindExisting(path, tv::LinkMode::Follow, node)) {
        return err;
    }
    const uint64_t used = UsedBytes();
    bytes = m_nCapacity > used ? m_nCapacity - used : 0;
    return 0;
}

int CMemoryFileSystem::ResolvePath(const std::string& path, std::string& resolved) {
    std::lock_guard lock(m_mutex);
    CPlace place;
    if (const int err = Find(path, tv::LinkMode::Follow, place)) {
        return err;
    }
    if (!place.m_node) {
        return ENOENT;
    }
    resolved = place.m_path;
    return 0;
}

}  // namespace tvtest
