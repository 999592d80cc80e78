#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/FileTime.h"

namespace tv {

// Windows-compatible attribute bits in the low half; the POSIX permission bits (mode & 07777)
// in the high half.
namespace attr {
inline constexpr uint32_t kReadOnly = 0x1;
inline constexpr uint32_t kHidden = 0x2;
inline constexpr uint32_t kSystem = 0x4;
inline constexpr uint32_t kDirectory = 0x10;
inline constexpr uint32_t kArchive = 0x20;
inline constexpr uint32_t kReparsePoint = 0x400;
inline constexpr int kModeShift = 16;
}  // namespace attr

// What a file system can do (IFileSystem::Capabilities). A caller that needs one of these and
// does not find it takes another way or refuses, rather than learning it from a failure halfway.
namespace fscap {
inline constexpr uint32_t kCanRename = 0x1;   // Rename replaces a file in one step
inline constexpr uint32_t kExactTimes = 0x2;  // times are kept to the 100 ns and can be set
inline constexpr uint32_t kHasLinks = 0x4;    // symbolic links exist; ResolvePath resolves them
inline constexpr uint32_t kFoldsCase = 0x8;   // names match without regard to case
inline constexpr uint32_t kHasModes = 0x10;   // permission bits are kept and can be set
}  // namespace fscap

enum class EntryType : uint8_t { File, Folder, Other };

// Stat: whether a symbolic link at the path is followed or described itself.
enum class LinkMode : uint8_t { Follow, NoFollow };

// One file or folder. Times are exact (100 ns ticks), not cut to the second as the folder-tree
// records are. Of a link that was followed, everything describes the target, but m_bSymlink
// and the reparse-point attribute say that a link led there.
struct CFileInfo {
    EntryType m_type = EntryType::Other;
    bool m_bSymlink = false;
    uint32_t m_attributes = 0;
    uint64_t m_size = 0;
    FileTime m_lastWrite = 0;
    FileTime m_lastAccess = 0;
    FileTime m_creation = 0;  // birth time where the file system has one, else change time
    uint64_t m_device = 0;
    uint64_t m_inode = 0;

    uint32_t Mode() const { return m_attributes >> attr::kModeShift; }
};

// One entry of a folder together with its information, as the investigation needs it.
struct CFolderItem {
    std::string m_name;  // raw bytes as the file system returned them
    CFileInfo m_info;    // of the link's target for a symbolic link
};

// Takes one piece of a folder listing (IFileSystem::ReadFolder); it may move the items out. A
// nonzero result ends the listing with that error.
using FolderPieceFn = std::function<int(std::vector<CFolderItem>& piece)>;

// SetTimes / SetOpenTimes: leave this time as it is.
inline constexpr FileTime kKeepTime = UINT64_MAX;

// The attribute value of an entry: the Windows-compatible bits derived from the mode and the
// name (hidden = the name starts with "."), and the permission bits in the high half.
uint32_t AttributesFromMode(uint32_t mode, std::string_view name, bool symlink);

// Errors of a remote file system that is gone for a moment (the server, the connection, a
// stale handle): they stand for the network errors that were worth a second try on Windows.
bool IsNetworkError(int error);

// The system's own text for an errno value.
std::string SystemErrorText(int error);

// A location as the engine sees it: every folder it lists, every file it reads, writes, copies,
// renames or removes, and every file the program keeps (task lists, snapshots, the profile,
// logs...), is reached through this interface, so that tests can put a fault-injecting layer or
// an in-memory fake under any part, and a new kind of location is a new implementation rather
// than a new branch in the pass. Paths use "/" and are absolute or relative to the location's
// own root. Results are 0 or an errno value. Every call blocks on the calling thread, may be
// made from several threads at once, and cannot be cancelled halfway (callers look at the
// cancel flag between calls).
//
// Open files are handles the file system gives out (the local one: descriptors), -1 for none.
// Reads and writes name their offset; a file system that can only stream (a remote transfer, an
// archive entry) accepts the offsets in order and refuses others with ESPIPE.
//
// How the coming kinds of locations plug in:
// - An FTP/SFTP site keeps its connection (and its reconnections) behind the calls: ReadFolder
//   hands each piece of an MLSD/LIST/readdir reply on as it arrives; OpenRead and CreateTemp
//   start a download or an upload to a temporary remote name that Close completes and Rename
//   puts in place; SetTimes is MFMT or setstat. Its capabilities say whether the server renames
//   and keeps exact times; CopyRange says ENOSYS, so copies pass through the buffer.
// - A zip archive lists its central directory as folders; OpenRead streams one entry; writing
//   collects the entries of a new archive that replaces the old one when it is complete, so
//   CreateTemp + Rename is "add this entry". No links, no modes, times to two seconds.
// - A disc image lists and reads its ISO 9660/Joliet tree and writes to a staging tree that
//   the burn takes; it cannot rename on the disc itself, and says so.
// The local implementation follows the temporary-file protocol of platform/TempFile.h.
class IFileSystem {
  public:
    virtual ~IFileSystem() = default;

    // fscap bits for the location that holds `path` (a path not there yet is judged by its
    // nearest existing parent).
    virtual uint32_t Capabilities(const std::string& path) = 0;

    // --- Listing and information

    // A folder with the information of each entry, handed to `onPiece` piece by piece as the
    // listing arrives (the local file system reads a folder in one piece, an empty one too), and
    // the folder's own information, filled before the first piece. `items` is the caller's
    // buffer, cleared and filled for each piece; it keeps its capacity from call to call. Symbolic
    // links are followed; a link that dangles, loops or cannot be followed is left out, as are an
    // entry that vanished while the folder was read and FIFOs, sockets and devices, so every item
    // is a file or a folder. Temporary files are left out too, and the ones that killed runs left
    // are removed on the way. A listing that fails after a piece was handed on returns its error
    // all the same.
    virtual int ReadFolder(const std::string& path, CFileInfo& folder,
                           std::vector<CFolderItem>& items, const FolderPieceFn& onPiece) = 0;
    // Every name in a folder, "." and ".." left out, temporary files and special files
    // included; a link to a folder is not entered.
    virtual int ListNames(const std::string& folder, std::vector<std::string>& names) = 0;
    // The hidden bit comes from the path's last name.
    virtual int Stat(const std::string& path, CFileInfo& info, LinkMode links) = 0;

    // --- Open files

    // Existing file only, for reading.
    virtual int OpenRead(const std::string& path, int& file) = 0;
    // A new empty temporary file for `name` in `folder`, created exclusively with `mode` less
    // the umask, open for writing; `tempPath` receives its path. It stays locked until it is
    // renamed or unlinked through this interface, even when closed before.
    virtual int CreateTemp(const std::string& folder, const std::string& name, uint32_t mode,
                           std::string& tempPath, int& file) = 0;
    // A file without a name in `folder` (which must exist), open for reading and writing, that
    // vanishes when closed: a run's spool leaves nothing behind, even when it is killed.
    virtual int CreateScratch(const std::string& folder, int& file) = 0;
    // An exclusive lock on the file `path` (created when missing, never removed), granted when
    // no other holder has it, in this process or another; Close lets it go. Blocks until then.
    virtual int Lock(const std::string& path, int& file) = 0;
    virtual int StatOpen(int file, CFileInfo& info) = 0;
    // At most `size` bytes at `offset`; `got` 0 means the end of the file.
    virtual int Read(int file, uint64_t offset, void* buffer, size_t size, size_t& got) = 0;
    // All of `size` bytes at `offset`, or an error (then part of them may be written).
    virtual int Write(int file, uint64_t offset, const void* buffer, size_t size,
                      size_t& written) = 0;
    // Copies inside the file system (sharing blocks where it can) from `in` to `out`, both at
    // `offset`. ENOSYS, EXDEV, EOPNOTSUPP or EINVAL: not possible between these two.
    virtual int CopyRange(int in, int out, uint64_t offset, size_t size, size_t& copied) = 0;
    virtual int SetOpenTimes(int file, FileTime lastAccess, FileTime lastWrite) = 0;
    virtual int SetOpenMode(int file, uint32_t mode) = 0;
    // Puts what was written on the disk (or the server) before the call returns.
    virtual int Flush(int file) = 0;
    // The handle goes in any case; an error says that data written before may be lost.
    virtual int Close(int file) = 0;

    // --- Changes by path

    // Replaces an existing file at `to`, whatever its permission bits.
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual int Unlink(const std::string& path) = 0;
    // Mode 0777 less the umask. EEXIST when anything is already there.
    virtual int MakeFolder(const std::string& path) = 0;
    virtual int RemoveFolder(const std::string& path) = 0;
    virtual int SetMode(const std::string& path, uint32_t mode) = 0;
    virtual int SetTimes(const std::string& path, FileTime lastAccess, FileTime lastWrite) = 0;
    // Makes the renames and removals in a folder durable. A file system that has nothing to
    // flush there returns 0.
    virtual int FlushFolder(const std::string& folder) = 0;
    // Removes the temporary files for `name` in `folder` that killed writers left (none that a
    // live writer holds). Failures are passed over: a leftover is found again next time.
    virtual void RemoveStaleTemps(const std::string& folder, const std::string& name) = 0;

    // --- Space and names

    // Bytes an unprivileged writer may still use on the file system that holds `path`.
    virtual int FreeSpace(const std::string& path, uint64_t& bytes) = 0;
    // The absolute path of `path` with every symbolic link, "." and ".." resolved.
    virtual int ResolvePath(const std::string& path, std::string& resolved) = 0;
};

// Every piece of a folder's listing in one vector (ReadFolder without the pieces). Blocks on
// the listing; any thread.
int ListFolder(IFileSystem& fs, const std::string& path, CFileInfo& folder,
               std::vector<CFolderItem>& items);

// The real file system of this machine. Only entry points take it (main(), the benchmarks, the
// fuzz targets, tests); everything else is handed the file system it works on.
IFileSystem& LocalFileSystem();

}  // namespace tv
