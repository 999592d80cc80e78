#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FileOps.h"

namespace tvtest {

// Wraps the real write side and makes chosen calls fail, to prove that a full disk, an
// unreadable source or a refused delete loses nothing. Calls on an open file are matched by
// the path it was opened (or created) with; a kernel copy counts as a read of its source and a
// write of its destination. Thread-safe.
class CFaultFileOps final : public tv::IFileOps {
  public:
    enum class Op {
        OpenRead,
        CreateTemp,
        Read,
        Write,
        CopyRange,
        SetOpenTimes,
        SetOpenMode,
        Close,
        Stat,
        ListNames,
        Rename,
        Unlink,
        MakeFolder,
        RemoveFolder,
        SetMode,
        SetTimes,
        FreeSpace,
        ResolvePath,
    };

    explicit CFaultFileOps(tv::IFileOps& inner) : m_inner(inner) {}

    // Calls of `op` whose path contains `pathPart` (any path when empty) fail with `error`
    // from the `nth` such call on (1-based), `times` calls long (-1: for good).
    void Fail(Op op, int error, int nth = 1, int times = -1, std::string pathPart = {});
    // The kernel copy says it cannot work here, so copies go through the buffer.
    void DisableKernelCopy() { m_bNoKernelCopy = true; }
    // Called before every call with its path (under no lock): a test can cancel a run there.
    void OnCall(std::function<void(Op, const std::string&)> hook) { m_hook = std::move(hook); }
    // How many calls of `op` were made (failed ones included).
    int Calls(Op op) const;

    int OpenRead(const std::string& path, int& fd) override;
    int CreateTemp(const std::string& folder, const std::string& name, std::string& tempPath,
                   int& fd) override;
    int StatOpen(int fd, tv::CFileStat& st) override;
    int Read(int fd, uint64_t offset, void* buffer, size_t size, size_t& got) override;
    int Write(int fd, uint64_t offset, const void* buffer, size_t size, size_t& written) override;
    int CopyRange(int in, int out, uint64_t offset, size_t size, size_t& copied) override;
    int SetOpenTimes(int fd, tv::FileTime lastAccess, tv::FileTime lastWrite) override;
    int SetOpenMode(int fd, uint32_t mode) override;
    int Close(int fd) override;
    int Stat(const std::string& path, tv::CFileStat& st, bool followLinks) override;
    int ListNames(const std::string& folder, std::vector<std::string>& names) override;
    int Rename(const std::string& from, const std::string& to) override;
    int Unlink(const std::string& path) override;
    int MakeFolder(const std::string& path) override;
    int RemoveFolder(const std::string& path) override;
    int SetMode(const std::string& path, uint32_t mode) override;
    int SetTimes(const std::string& path, tv::FileTime lastAccess, tv::FileTime lastWrite) override;
    int FreeSpace(const std::string& path, uint64_t& bytes) override;
    int ResolvePath(const std::string& path, std::string& resolved) override;

  private:
    struct CRule {
        Op m_op;
        int m_error;
        int m_nth;
        int m_times;
        std::string m_pathPart;
        int m_seen = 0;
    };

    // 0, or the error a rule gives this call.
    int Check(Op op, const std::string& path);
    std::string PathOf(int fd) const;
    void Remember(int fd, const std::string& path);

    tv::IFileOps& m_inner;
    mutable std::mutex m_mutex;
    std::vector<CRule> m_rules;
    std::map<int, std::string> m_paths;
    std::map<Op, int> m_calls;
    std::function<void(Op, const std::string&)> m_hook;
    bool m_bNoKernelCopy = false;
};

}  // namespace tvtest
