#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace tvtest {

// Wraps a file system and makes chosen calls fail, to prove that a full disk, an unreadable
// source, a refused delete or a lost lock loses nothing. Calls on an open file are matched by
// the path it was opened (or created) with; a kernel copy counts as a read of its source and a
// write of its destination. Thread-safe.
class CFaultFileSystem : public tv::IFileSystem {
  public:
    enum class Op {
        ReadFolder,
        ListNames,
        Stat,
        OpenRead,
        CreateTemp,
        CreateScratch,
        Lock,
        StatOpen,
        Read,
        Write,
        CopyRange,
        SetOpenTimes,
        SetOpenMode,
        Flush,
        Close,
        Rename,
        Unlink,
        MakeFolder,
        RemoveFolder,
        SetMode,
        SetTimes,
        FlushFolder,
        RemoveStaleTemps,
        FreeSpace,
        ResolvePath,
    };

    explicit CFaultFileSystem(tv::IFileSystem& inner) : m_inner(inner) {}

    // Calls of `op` whose path contains `pathPart` (any path when empty) fail with `error`
    // from the `nth` such call on (1-based), `times` calls long (-1: for good). A temporary
    // file's name holds the name it is made for, so a rule for "list.tsl" meets both.
    void Fail(Op op, int error, int nth = 1, int times = -1, std::string pathPart = {});
    // The kernel copy says it cannot work here, so copies go through the buffer.
    void DisableKernelCopy() { m_bNoKernelCopy = true; }
    // Called before every call with its path (under no lock): a test can cancel a run there.
    void OnCall(std::function<void(Op, const std::string&)> hook) { m_hook = std::move(hook); }
    // A rule of the test's own, asked after the hook (under no lock): a nonzero result fails
    // the call with that error, before any rule given to Fail is counted.
    void FailWhen(std::function<int(Op, const std::string&)> rule) { m_rule = std::move(rule); }
    // How many calls of `op` were made (failed ones included).
    int Calls(Op op) const;

    uint32_t Capabilities(const std::string& path) override;
    int ReadFolder(const std::string& path, tv::CFileInfo& folder,
                   std::vector<tv::CFolderItem>& items, const tv::FolderPieceFn& onPiece) override;
    int ListNames(const std::string& folder, std::vector<std::string>& names) override;
    int Stat(const std::string& path, tv::CFileInfo& info, tv::LinkMode links) override;
    int OpenRead(const std::string& path, int& file) override;
    int CreateTemp(const std::string& folder, const std::string& name, uint32_t mode,
                   std::string& tempPath, int& file) override;
    int CreateScratch(const std::string& folder, int& file) override;
    int Lock(const std::string& path, int& file) override;
    int StatOpen(int file, tv::CFileInfo& info) override;
    int Read(int file, uint64_t offset, void* buffer, size_t size, size_t& got) override;
    int Write(int file, uint64_t offset, const void* buffer, size_t size, size_t& written) override;
    int CopyRange(int in, int out, uint64_t offset, size_t size, size_t& copied) override;
    int SetOpenTimes(int file, tv::FileTime lastAccess, tv::FileTime lastWrite) override;
    int SetOpenMode(int file, uint32_t mode) override;
    int Flush(int file) override;
    int Close(int file) override;
    int Rename(const std::string& from, const std::string& to) override;
    int Unlink(const std::string& path) override;
    int MakeFolder(const std::string& path) override;
    int RemoveFolder(const std::string& path) override;
    int SetMode(const std::string& path, uint32_t mode) override;
    int SetTimes(const std::string& path, tv::FileTime lastAccess, tv::FileTime lastWrite) override;
    int FlushFolder(const std::string& folder) override;
    void RemoveStaleTemps(const std::string& folder, const std::string& name) override;
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
    // The inner call unless a rule fails it.
    template <typename Call>
    int Guarded(Op op, const std::string& path, Call&& call) {
        const int err = Check(op, path);
        return err != 0 ? err : call();
    }
    std::string PathOf(int file) const;
    void Remember(int file, const std::string& path);

    tv::IFileSystem& m_inner;
    mutable std::mutex m_mutex;
    std::vector<CRule> m_rules;
    std::map<int, std::string> m_paths;
    std::map<Op, int> m_calls;
    std::function<void(Op, const std::string&)> m_hook;
    std::function<int(Op, const std::string&)> m_rule;
    bool m_bNoKernelCopy = false;
};

}  // namespace tvtest
