#include "FaultFileOps.h"

#include <cerrno>

namespace tvtest {

void CFaultFileOps::Fail(Op op, int error, int nth, int times, std::string pathPart) {
    std::lock_guard lock(m_mutex);
    m_rules.push_back(CRule{op, error, nth, times, std::move(pathPart)});
}

int CFaultFileOps::Calls(Op op) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_calls.find(op);
    return it == m_calls.end() ? 0 : it->second;
}

int CFaultFileOps::Check(Op op, const std::string& path) {
    if (m_hook) {
        m_hook(op, path);
    }
    std::lock_guard lock(m_mutex);
    ++m_calls[op];
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

std::string CFaultFileOps::PathOf(int fd) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_paths.find(fd);
    return it == m_paths.end() ? std::string() : it->second;
}

void CFaultFileOps::Remember(int fd, const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_paths[fd] = path;
}

int CFaultFileOps::OpenRead(const std::string& path, int& fd) {
    if (int err = Check(Op::OpenRead, path)) {
        fd = -1;
        return err;
    }
    const int err = m_inner.OpenRead(path, fd);
    if (err == 0) {
        Remember(fd, path);
    }
    return err;
}

int CFaultFileOps::CreateTemp(const std::string& folder, const std::string& name,
                              std::string& tempPath, int& fd) {
    if (int err = Check(Op::CreateTemp, folder + "/" + name)) {
        fd = -1;
        return err;
    }
    const int err = m_inner.CreateTemp(folder, name, tempPath, fd);
    if (err == 0) {
        Remember(fd, tempPath);
    }
    return err;
}

int CFaultFileOps::StatOpen(int fd, tv::CFileStat& st) {
    return m_inner.StatOpen(fd, st);
}

int CFaultFileOps::Read(int fd, uint64_t offset, void* buffer, size_t size, size_t& got) {
    got = 0;
    if (int err = Check(Op::Read, PathOf(fd))) {
        return err;
    }
    return m_inner.Read(fd, offset, buffer, size, got);
}

int CFaultFileOps::Write(int fd, uint64_t offset, const void* buffer, size_t size,
                         size_t& written) {
    written = 0;
    if (int err = Check(Op::Write, PathOf(fd))) {
        return err;
    }
    return m_inner.Write(fd, offset, buffer, size, written);
}

int CFaultFileOps::CopyRange(int in, int out, uint64_t offset, size_t size, size_t& copied) {
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
    if (int err = Check(Op::Write, PathOf(out))) {
        return err;
    }
    return m_inner.CopyRange(in, out, offset, size, copied);
}

int CFaultFileOps::SetOpenTimes(int fd, tv::FileTime lastAccess, tv::FileTime lastWrite) {
    if (int err = Check(Op::SetOpenTimes, PathOf(fd))) {
        return err;
    }
    return m_inner.SetOpenTimes(fd, lastAccess, lastWrite);
}

int CFaultFileOps::SetOpenMode(int fd, uint32_t mode) {
    if (int err = Check(Op::SetOpenMode, PathOf(fd))) {
        return err;
    }
    return m_inner.SetOpenMode(fd, mode);
}

int CFaultFileOps::Close(int fd) {
    const std::string path = PathOf(fd);
    {
        std::lock_guard lock(m_mutex);
        m_paths.erase(fd);
    }
    // The descriptor goes in any case, as close(2) releases it even when it reports an error.
    const int err = Check(Op::Close, path);
    const int closeErr = m_inner.Close(fd);
    return err ? err : closeErr;
}

int CFaultFileOps::Stat(const std::string& path, tv::CFileStat& st, bool followLinks) {
    if (int err = Check(Op::Stat, path)) {
        return err;
    }
    return m_inner.Stat(path, st, followLinks);
}

int CFaultFileOps::ListNames(const std::string& folder, std::vector<std::string>& names) {
    if (int err = Check(Op::ListNames, folder)) {
        names.clear();
        return err;
    }
    return m_inner.ListNames(folder, names);
}

int CFaultFileOps::Rename(const std::string& from, const std::string& to) {
    if (int err = Check(Op::Rename, to)) {
        return err;
    }
    return m_inner.Rename(from, to);
}

int CFaultFileOps::Unlink(const std::string& path) {
    if (int err = Check(Op::Unlink, path)) {
        return err;
    }
    return m_inner.Unlink(path);
}

int CFaultFileOps::MakeFolder(const std::string& path) {
    if (int err = Check(Op::MakeFolder, path)) {
        return err;
    }
    return m_inner.MakeFolder(path);
}

int CFaultFileOps::RemoveFolder(const std::string& path) {
    if (int err = Check(Op::RemoveFolder, path)) {
        return err;
    }
    return m_inner.RemoveFolder(path);
}

int CFaultFileOps::SetMode(const std::string& path, uint32_t mode) {
    if (int err = Check(Op::SetMode, path)) {
        return err;
    }
    return m_inner.SetMode(path, mode);
}

int CFaultFileOps::SetTimes(const std::string& path, tv::FileTime lastAccess,
                            tv::FileTime lastWrite) {
    if (int err = Check(Op::SetTimes, path)) {
        return err;
    }
    return m_inner.SetTimes(path, lastAccess, lastWrite);
}

int CFaultFileOps::FreeSpace(const std::string& path, uint64_t& bytes) {
    if (int err = Check(Op::FreeSpace, path)) {
        return err;
    }
    return m_inner.FreeSpace(path, bytes);
}

int CFaultFileOps::ResolvePath(const std::string& path, std::string& resolved) {
    if (int err = Check(Op::ResolvePath, path)) {
        return err;
    }
    return m_inner.ResolvePath(path, resolved);
}

}  // namespace tvtest
