#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"

namespace tv {

// The file systems of one run seen as one: a remote site is mounted under the text of its root
// ("sftp://user@host:22"), and every path that begins with that text followed by "/" (or is that
// text) goes to the site with the rest as its server path; every other path goes to the base
// file system. The scan, the pass and the copy then keep the one interface whatever the sides
// are, and a copy between a local file and a remote one is an ordinary copy between two handles.
//
// Handles of a mounted file system are renumbered above every descriptor the kernel can give
// out, so that a handle names its file system. A copy between two file systems is never one
// step: CopyRange across them is EXDEV, a rename across them EXDEV.
//
// Threads: mount everything before the first call; then any thread.
class CRoutedFileSystem final : public IFileSystem {
  public:
    explicit CRoutedFileSystem(IFileSystem& base) : m_base(base) {}

    // `prefix` has no trailing "/"; the file system outlives this object.
    void Mount(std::string prefix, IFileSystem& fs);

    uint32_t Capabilities(const std::string& path) override;
    int ReadFolder(const std::string& path, CFileInfo& folder, std::vector<CFolderItem>& items,
                   const FolderPieceFn& onPiece) override;
    int ListNames(const std::string& folder, std::vector<std::string>& names) override;
    int Stat(const std::string& path, CFileInfo& info, LinkMode links) override;
    int OpenRead(const std::string& path, int& file) override;
    int CreateTemp(const std::string& folder, const std::string& name, uint32_t mode,
                   std::string& tempPath, int& file) override;
    int CreateScratch(const std::string& folder, int& file) override;
    int Lock(const std::string& path, int& file) override;
    int StatOpen(int file, CFileInfo& info) override;
    int Read(int file, uint64_t offset, void* buffer, size_t size, size_t& got) override;
    int Write(int file, uint64_t offset, const void* buffer, size_t size, size_t& written) override;
    int CopyRange(int in, int out, uint64_t offset, size_t size, size_t& copied) override;
    int SetOpenTimes(int file, FileTime lastAccess, FileTime lastWrite) override;
    int SetOpenMode(int file, uint32_t mode) override;
    int Flush(int file) override;
    int Close(int file) override;
    int Rename(const std::string& from, const std::string& to) override;
    int Unlink(const std::string& path) override;
    int MakeFolder(const std::string& path) override;
    int RemoveFolder(const std::string& path) override;
    int SetMode(const std::string& path, uint32_t mode) override;
    int SetTimes(const std::string& path, FileTime lastAccess, FileTime lastWrite) override;
    int FlushFolder(const std::string& folder) override;
    void RemoveStaleTemps(const std::string& folder, const std::string& name) override;
    int FreeSpace(const std::string& path, uint64_t& bytes) override;
    int ResolvePath(const std::string& path, std::string& resolved) override;

  private:
    struct CMount {
        std::string m_prefix;
        IFileSystem* m_fs = nullptr;
    };
    struct CRoute {
        IFileSystem* m_fs = nullptr;
        const CMount* m_mount = nullptr;  // none: the base file system
        std::string m_path;               // the path as that file system knows it
    };
    struct COpen {
        IFileSystem* m_fs = nullptr;
        int m_inner = -1;
    };

    CRoute Route(const std::string& path) const;
    // The path `inner` of `route`'s file system as this one shows it.
    static std::string Outer(const CRoute& route, const std::string& inner);
    int Adopt(IFileSystem& fs, int inner);
    COpen Find(int file);

    // Above the largest descriptor Linux can give out (fs.nr_open stays below 2^30).
    static constexpr int kFirstHandle = 1 << 30;

    IFileSystem& m_base;
    std::vector<CMount> m_mounts;
    std::mutex m_mutex;
    std::map<int, COpen> m_open;
    int m_nextHandle = kFirstHandle;
};

}  // namespace tv
