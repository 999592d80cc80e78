#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace tvtest {

// A whole file system in memory, for tests that must prove where the program's files go and
// what a full disk or a listing in pieces does, without touching the disk. It keeps the
// contract of tv::IFileSystem as the local file system does (links, modes, the temporary-file
// protocol, exclusive locks, nameless scratch files), with these differences: paths are taken
// as absolute ("." and ".." are resolved by name), CopyRange says ENOSYS, the umask is 022, and
// every time comes from the system clock at the moment of the change. Thread-safe.
class CMemoryFileSystem final : public tv::IFileSystem {
  public:
    CMemoryFileSystem();
    ~CMemoryFileSystem() override;

    // --- For the test's own setup and checks

    // Creates the folders of `path` and a file there (replacing one), with a last-write time
    // in seconds since 1970 when one is given.
    void PutFile(const std::string& path, const std::string& content, int64_t mtime = 0);
    void PutFolder(const std::string& path);
    void PutLink(const std::string& path, const std::string& target);
    // The content of the file at `path` (links followed), or nullopt.
    std::optional<std::string> Content(const std::string& path) const;
    // Every file below `folder` by its path relative to it, with its content.
    std::map<std::string, std::string> Files(const std::string& folder) const;
    // Writes fail with ENOSPC once the files hold this many bytes in all.
    void SetCapacity(uint64_t bytes);
    // A folder is listed in pieces of this many entries (0: in one piece).
    void SetPieceSize(size_t entries) { m_nPieceSize = entries; }
    // Reads of files opened below `folder` bring at most `bytes` at a time, as a network file
    // system may.
    void LimitReads(const std::string& folder, size_t bytes);
    void SetCapabilities(uint32_t caps) { m_nCaps = caps; }
    // Drops every lock and every claim on a temporary file, as a killed process does.
    void Crash();

    // --- tv::IFileSystem
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
    struct CNode;
    using NodePtr = std::shared_ptr<CNode>;
    // Where a path leads: the folder that holds its last name, the name, and the node there
    // (none when the name is free).
    struct CPlace {
        NodePtr m_parent;
        std::string m_name;
        NodePtr m_node;
        std::string m_path;  // with every link on the way resolved
    };
    struct COpen {
        NodePtr m_node;
        bool m_bWrite = false;
        bool m_bLock = false;  // Lock's handle: Close lets the lock go
        size_t m_nReadLimit = SIZE_MAX;
    };

    int Find(const std::string& path, tv::LinkMode links, CPlace& place, int depth = 0) const;
    int FindExisting(const std::string& path, tv::LinkMode links, NodePtr& node) const;
    // An existing folder, links followed; ENOTDIR for anything else.
    int FindFolder(const std::string& path, NodePtr& node) const;
    NodePtr NewNode(int type, uint32_t mode);
    NodePtr MakeFolders(const std::string& path);
    void Info(const CNode& node, const std::string& name, bool viaLink, tv::CFileInfo& info) const;
    void AddItem(const std::string& folderPath, const std::string& name, const NodePtr& node,
                 std::vector<tv::CFolderItem>& items) const;
    bool IsLiveTemp(const CNode* node) const;
    int Open(const NodePtr& node, bool write);
    COpen* Handle(int file);
    uint64_t UsedBytes() const;

    mutable std::mutex m_mutex;
    std::condition_variable m_unlocked;
    NodePtr m_root;
    std::map<int, COpen> m_open;
    std::set<const CNode*> m_locked;     // nodes under Lock
    std::set<const CNode*> m_liveTemps;  // temporary files a writer still claims
    int m_nNextHandle = 3;
    uint64_t m_nNextInode = 1;
    uint64_t m_nCapacity = UINT64_MAX;
    size_t m_nPieceSize = 0;
    uint32_t m_nCaps;
    uint32_t m_nTempCounter = 0;
    std::map<std::string, size_t> m_readLimits;  // by folder
};

}  // namespace tvtest
