#include "FaultFileSystem.h"

#include <cerrno>

namespace tvtest {

void CFaultFileSystem::Fail(Op op, int error, int nth, int times, std::string pathPart) {
    std::lock_guard lock(m_mutex);
    m_rules.push_back(CRule{op, error, nth, times, std::move(pathPart)});
}

int CFaultFileSystem::Calls(Op op) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_calls.find(op);
    return it == m_calls.end() ? 0 : it->second;
}

int CFaultFileSystem::Check(Op op, const std::string& path) {
    if (m_hook) {
        m_hook(op, path);
    }
    const int own = m_rule ? m_rule(op, path) : 0;
    std::lock_guard lock(m_mutex);
    ++m_calls[op];
    if (own != 0) {
        return own;
    }
    int error = 0;
    for (CRule& rule : m_rules) {
        if (rule.m_op != op ||
            (!rule.m_pathPart.empty() && path.find(rule.m_pathPart) == std::string::npos)) {
            continue;
        }
        const int seen = ++rule.m_seen;
        const bool active =
            seen >= rule.m_nth && (rule.m_times < 0 || seen < rule.m_nth + rule.m_times);
        if (active && error == 0) {
            error = rule.m_error;
        }
    }
    return error;
}

std::string CFaultFileSystem::PathOf(int file) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_paths.find(file);
    return it == m_paths.end() ? std::string() : it->second;
}

void CFaultFileSystem::Remember(int file, const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_paths[file] = path;
}

uint32_t CFaultFileSystem::Capabilities(const std::string& path) {
    return m_inner.Capabilities(path);
}

int CFaultFileSystem::ReadFolder(const std::string& path, tv::CFileInfo& folder,
                                 std::vector<tv::CFolderItem>& items,
                                 const tv::FolderPieceFn& onPiece) {
    items.clear();
    return Guarded(Op::ReadFolder, path,
                   [&] { return m_inner.ReadFolder(path, folder, items, onPiece); });
}

int CFaultFileSystem::ListNames(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    return Guarded(Op::ListNames, folder, [&] { return m_inner.ListNames(folder, names); });
}

int CFaultFileSystem::Stat(const std::string& path, tv::CFileInfo& info, tv::LinkMode links) {
    return Guarded(Op::Stat, path, [&] { return m_inner.Stat(path, info, links); });
}

int CFaultFileSystem::OpenRead(const std::string& path, int& file) {
    file = -1;
    const int err = Guarded(Op::OpenRead, path, [&] { return m_inner.OpenRead(path, file); });
    if (err == 0) {
        Remember(file, path);
    }
    return err;
}

int CFaultFileSystem::CreateTemp(const std::string& folder, const std::string& name, uint32_t mode,
                                 std::string& tempPath, int& file) {
    file = -1;
    const int err = Guarded(Op::CreateTemp, folder + "/" + name,
                            [&] { return m_inner.CreateTemp(folder, name, mode, tempPath, file); });
    if (err == 0) {
        Remember(file, tempPath);
    }
    return err;
}

int CFaultFileSystem::CreateScratch(const std::string& folder, int& file) {
    file = -1;
    const int err =
        Guarded(Op::CreateScratch, folder, [&] { return m_inner.CreateScratch(folder, file); });
    if (err == 0) {
        Remember(file, folder);
    }
    return err;
}

int CFaultFileSystem::Lock(const std::string& path, int& file) {
    file = -1;
    const int err = Guarded(Op::Lock, path, [&] { return m_inner.Lock(path, file); });
    if (err == 0) {
        Remember(file, path);
    }
    return err;
}

int CFaultFileSystem::StatOpen(int file, tv::CFileInfo& info) {
    return Guarded(Op::StatOpen, PathOf(file), [&] { return m_inner.StatOpen(file, info); });
}

int CFaultFileSystem::Read(int file, uint64_t offset, void* buffer, size_t size, size_t& got) {
    got = 0;
    return Guarded(Op::Read, PathOf(file),
                   [&] { return m_inner.Read(file, offset, buffer, size, got); });
}

int CFaultFileSystem::Write(int file, uint64_t offset, const void* buffer, size_t size,
                            size_t& written) {
    written = 0;
    return Guarded(Op::Write, PathOf(file),
                   [&] { return m_inner.Write(file, offset, buffer, size, written); });
}

int CFaultFileSystem::CopyRange(int in, int out, uint64_t offset, size_t size, size_t& copied) {
    copied = 0;
    if (int err = Check(Op::CopyRange, PathOf(out))) {
        return err;
    }
    if (m_bNoKernelCopy) {
        return ENOSYS;
    }
    if (int err = Check(Op::Read, PathOf(in))) {
        return err;
    }
    return Guarded(Op::Write, PathOf(out),
                   [&] { return m_inner.CopyRange(in, out, offset, size, copied); });
}

int CFaultFileSystem::SetOpenTimes(int file, tv::FileTime lastAccess, tv::FileTime lastWrite) {
    return Guarded(Op::SetOpenTimes, PathOf(file),
                   [&] { return m_inner.SetOpenTimes(file, lastAccess, lastWrite); });
}

int CFaultFileSystem::SetOpenMode(int file, uint32_t mode) {
    return Guarded(Op::SetOpenMode, PathOf(file), [&] { return m_inner.SetOpenMode(file, mode); });
}

int CFaultFileSystem::Flush(int file) {
    return Guarded(Op::Flush, PathOf(file), [&] { return m_inner.Flush(file); });
}

// The handle goes in any case, as close(2) releases it even when it reports an error.
int CFaultFileSystem::Close(int file) {
    const std::string path = PathOf(file);
    {
        std::lock_guard lock(m_mutex);
        m_paths.erase(file);
    }
    const int err = Check(Op::Close, path);
    const int closeErr = m_inner.Close(file);
    return err ? err : closeErr;
}

int CFaultFileSystem::Rename(const std::string& from, const std::string& to) {
    return Guarded(Op::Rename, to, [&] { return m_inner.Rename(from, to); });
}

int CFaultFileSystem::Unlink(const std::string& path) {
    return Guarded(Op::Unlink, path, [&] { return m_inner.Unlink(path); });
}

int CFaultFileSystem::MakeFolder(const std::string& path) {
    return Guarded(Op::MakeFolder, path, [&] { return m_inner.MakeFolder(path); });
}

int CFaultFileSystem::RemoveFolder(const std::string& path) {
    return Guarded(Op::RemoveFolder, path, [&] { return m_inner.RemoveFolder(path); });
}

int CFaultFileSystem::SetMode(const std::string& path, uint32_t mode) {
    return Guarded(Op::SetMode, path, [&] { return m_inner.SetMode(path, mode); });
}

int CFaultFileSystem::SetTimes(const std::string& path, tv::FileTime lastAccess,
                               tv::FileTime lastWrite) {
    return Guarded(Op::SetTimes, path,
                   [&] { return m_inner.SetTimes(path, lastAccess, lastWrite); });
}

int CFaultFileSystem::FlushFolder(const std::string& folder) {
    return Guarded(Op::FlushFolder, folder, [&] { return m_inner.FlushFolder(folder); });
}

// Nothing to fail: a cleanup that does not happen leaves a leftover for next time.
void CFaultFileSystem::RemoveStaleTemps(const std::string& folder, const std::string& name) {
    if (Check(Op::RemoveStaleTemps, folder + "/" + name) == 0) {
        m_inner.RemoveStaleTemps(folder, name);
    }
}

int CFaultFileSystem::FreeSpace(const std::string& path, uint64_t& bytes) {
    return Guarded(Op::FreeSpace, path, [&] { return m_inner.FreeSpace(path, bytes); });
}

int CFaultFileSystem::ResolvePath(const std::string& path, std::string& resolved) {
    return Guarded(Op::ResolvePath, path, [&] { return m_inner.ResolvePath(path, resolved); });
}

}  // namespace tvtest
