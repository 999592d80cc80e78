#include "platform/RoutedFileSystem.h"

#include <cerrno>

namespace tv {

void CRoutedFileSystem::Mount(std::string prefix, IFileSystem& fs) {
    m_mounts.push_back({std::move(prefix), &fs});
}

CRoutedFileSystem::CRoute CRoutedFileSystem::Route(const std::string& path) const {
    for (const CMount& mount : m_mounts) {
        const std::string& prefix = mount.m_prefix;
        if (path.starts_with(prefix) &&
            (path.size() == prefix.size() || path[prefix.size()] == '/')) {
            std::string inner = path.size() == prefix.size() ? "/" : path.substr(prefix.size());
            return {mount.m_fs, &mount, std::move(inner)};
        }
    }
    return {&m_base, nullptr, path};
}

std::string CRoutedFileSystem::Outer(const CRoute& route, const std::string& inner) {
    if (!route.m_mount) {
        return inner;
    }
    return route.m_mount->m_prefix + (inner.starts_with('/') ? inner : "/" + inner);
}

int CRoutedFileSystem::Adopt(IFileSystem& fs, int inner) {
    if (&fs == &m_base) {
        return inner;
    }
    std::lock_guard lock(m_mutex);
    const int handle = m_nextHandle++;
    m_open[handle] = {&fs, inner};
    return handle;
}

CRoutedFileSystem::COpen CRoutedFileSystem::Find(int file) {
    if (file < kFirstHandle) {
        return {&m_base, file};
    }
    std::lock_guard lock(m_mutex);
    const auto found = m_open.find(file);
    return found == m_open.end() ? COpen{} : found->second;
}

uint32_t CRoutedFileSystem::Capabilities(const std::string& path) {
    const CRoute route = Route(path);
    return route.m_fs->Capabilities(route.m_path);
}

int CRoutedFileSystem::ReadFolder(const std::string& path, CFileInfo& folder,
                                  std::vector<CFolderItem>& items, const FolderPieceFn& onPiece) {
    const CRoute route = Route(path);
    return route.m_fs->ReadFolder(route.m_path, folder, items, onPiece);
}

int CRoutedFileSystem::ListNames(const std::string& folder, std::vector<std::string>& names) {
    const CRoute route = Route(folder);
    return route.m_fs->ListNames(route.m_path, names);
}

int CRoutedFileSystem::Stat(const std::string& path, CFileInfo& info, LinkMode links) {
    const CRoute route = Route(path);
    return route.m_fs->Stat(route.m_path, info, links);
}

int CRoutedFileSystem::OpenRead(const std::string& path, int& file) {
    const CRoute route = Route(path);
    int inner = -1;
    const int err = route.m_fs->OpenRead(route.m_path, inner);
    file = err == 0 ? Adopt(*route.m_fs, inner) : -1;
    return err;
}

int CRoutedFileSystem::CreateTemp(const std::string& folder, const std::string& name, uint32_t mode,
                                  std::string& tempPath, int& file) {
    const CRoute route = Route(folder);
    int inner = -1;
    std::string innerTemp;
    const int err = route.m_fs->CreateTemp(route.m_path, name, mode, innerTemp, inner);
    file = err == 0 ? Adopt(*route.m_fs, inner) : -1;
    tempPath = err == 0 ? Outer(route, innerTemp) : std::string();
    return err;
}

int CRoutedFileSystem::CreateScratch(const std::string& folder, int& file) {
    const CRoute route = Route(folder);
    int inner = -1;
    const int err = route.m_fs->CreateScratch(route.m_path, inner);
    file = err == 0 ? Adopt(*route.m_fs, inner) : -1;
    return err;
}

int CRoutedFileSystem::Lock(const std::string& path, int& file) {
    const CRoute route = Route(path);
    int inner = -1;
    const int err = route.m_fs->Lock(route.m_path, inner);
    file = err == 0 ? Adopt(*route.m_fs, inner) : -1;
    return err;
}

int CRoutedFileSystem::StatOpen(int file, CFileInfo& info) {
    const COpen open = Find(file);
    return open.m_fs ? open.m_fs->StatOpen(open.m_inner, info) : EBADF;
}

int CRoutedFileSystem::Read(int file, uint64_t offset, void* buffer, size_t size, size_t& got) {
    const COpen open = Find(file);
    got = 0;
    return open.m_fs ? open.m_fs->Read(open.m_inner, offset, buffer, size, got) : EBADF;
}

int CRoutedFileSystem::Write(int file, uint64_t offset, const void* buffer, size_t size,
                             size_t& written) {
    const COpen open = Find(file);
    written = 0;
    return open.m_fs ? open.m_fs->Write(open.m_inner, offset, buffer, size, written) : EBADF;
}

int CRoutedFileSystem::CopyRange(int in, int out, uint64_t offset, size_t size, size_t& copied) {
    const COpen from = Find(in);
    const COpen to = Find(out);
    copied = 0;
    if (!from.m_fs || !to.m_fs) {
        return EBADF;
    }
    return from.m_fs == to.m_fs
               ? from.m_fs->CopyRange(from.m_inner, to.m_inner, offset, size, copied)
               : EXDEV;
}

int CRoutedFileSystem::SetOpenTimes(int file, FileTime lastAccess, FileTime lastWrite) {
    const COpen open = Find(file);
    return open.m_fs ? open.m_fs->SetOpenTimes(open.m_inner, lastAccess, lastWrite) : EBADF;
}

int CRoutedFileSystem::SetOpenMode(int file, uint32_t mode) {
    const COpen open = Find(file);
    return open.m_fs ? open.m_fs->SetOpenMode(open.m_inner, mode) : EBADF;
}

int CRoutedFileSystem::Flush(int file) {
    const COpen open = Find(file);
    return open.m_fs ? open.m_fs->Flush(open.m_inner) : EBADF;
}

int CRoutedFileSystem::Close(int file) {
    const COpen open = Find(file);
    if (!open.m_fs) {
        return EBADF;
    }
    if (file >= kFirstHandle) {
        std::lock_guard lock(m_mutex);
        m_open.erase(file);
    }
    return open.m_fs->Close(open.m_inner);
}

int CRoutedFileSystem::Rename(const std::string& from, const std::string& to) {
    const CRoute source = Route(from);
    const CRoute dest = Route(to);
    return source.m_fs == dest.m_fs ? source.m_fs->Rename(source.m_path, dest.m_path) : EXDEV;
}

int CRoutedFileSystem::Unlink(const std::string& path) {
    const CRoute route = Route(path);
    return route.m_fs->Unlink(route.m_path);
}

int CRoutedFileSystem::MakeFolder(const std::string& path) {
    const CRoute route = Route(path);
    return route.m_fs->MakeFolder(route.m_path);
}

int CRoutedFileSystem::RemoveFolder(const std::string& path) {
    const CRoute route = Route(path);
    return route.m_fs->RemoveFolder(route.m_path);
}

int CRoutedFileSystem::SetMode(const std::string& path, uint32_t mode) {
    const CRoute route = Route(path);
    return route.m_fs->SetMode(route.m_path, mode);
}

int CRoutedFileSystem::SetTimes(const std::string& path, FileTime lastAccess, FileTime lastWrite) {
    const CRoute route = Route(path);
    return route.m_fs->SetTimes(route.m_path, lastAccess, lastWrite);
}

int CRoutedFileSystem::FlushFolder(const std::string& folder) {
    const CRoute route = Route(folder);
    return route.m_fs->FlushFolder(route.m_path);
}

void CRoutedFileSystem::RemoveStaleTemps(const std::string& folder, const std::string& name) {
    const CRoute route = Route(folder);
    route.m_fs->RemoveStaleTemps(route.m_path, name);
}

int CRoutedFileSystem::FreeSpace(const std::string& path, uint64_t& bytes) {
    const CRoute route = Route(path);
    return route.m_fs->FreeSpace(route.m_path, bytes);
}

int CRoutedFileSystem::ResolvePath(const std::string& path, std::string& resolved) {
    const CRoute route = Route(path);
    std::string inner;
    const int err = route.m_fs->ResolvePath(route.m_path, inner);
    resolved = err == 0 ? Outer(route, inner) : std::string();
    return err;
}

}  // namespace tv
