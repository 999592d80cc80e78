#pragma once

#include <cstdint>
#include <memory>
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

enum class EntryType : uint8_t { File, Folder, Other };

struct CDirEntry {
    std::string m_name;  // raw bytes as the file system returned them
    EntryType m_type = EntryType::Other;
    bool m_bSymlink = false;
};

struct CFileInfo {
    EntryType m_type = EntryType::Other;
    uint64_t m_size = 0;
    FileTime m_lastWrite = 0;
    FileTime m_creation = 0;  // birth time where the file system has one, else change time
    uint32_t m_attributes = 0;
    uint64_t m_device = 0;
    uint64_t m_inode = 0;
};

// One entry of a folder together with its information, as the investigation needs it.
struct CFolderItem {
    std::string m_name;  // raw bytes as the file system returned them
    CFileInfo m_info;    // of the link's target for a symbolic link
    bool m_bSymlink = false;
};

// The attribute value of an entry: the Windows-compatible bits derived from the mode and the
// name (hidden = the name starts with "."), and the permission bits in the high half.
uint32_t AttributesFromMode(uint32_t mode, std::string_view name, bool symlink);

// Errors of a remote file system that is gone for a moment (the server, the connection, a
// stale handle): they stand for the network errors that were worth a second try on Windows.
bool IsNetworkError(int error);

// The system's own text for an errno value.
std::string SystemErrorText(int error);

// An open file for sequential reading. Read returns the bytes read, 0 at the end, or -errno.
class IReadFile {
  public:
    virtual ~IReadFile() = default;
    virtual int64_t Read(void* buffer, size_t size) = 0;
};

// Every file-system call of the engine goes through this interface so that tests can put a
// fault-injecting layer under any part. All calls block on the calling thread and are safe to
// make from several threads at once. Results are 0 or an errno value.
class IFileSystem {
  public:
    virtual ~IFileSystem() = default;

    // The entries of a folder, "." and ".." left out.
    virtual int ListFolder(const std::string& path, std::vector<CDirEntry>& entries) = 0;
    // Follows symbolic links; the link itself is reported through the reparse-point bit.
    virtual int GetInfo(const std::string& path, CFileInfo& info) = 0;
    virtual int OpenRead(const std::string& path, std::unique_ptr<IReadFile>& file) = 0;
    // A whole folder with the information of each entry, read relative to the open folder,
    // and the folder's own information. Symbolic links are followed; a link that dangles,
    // loops or cannot be followed is left out, as are an entry that vanished while the folder
    // was read and FIFOs, sockets and devices, so every item is a file or a folder. Temporary
    // files (platform/TempFile.h) are left out too, and the real file system removes the stale
    // ones among them: reading a folder of the scan clears what killed runs left there. On error
    // `items` is empty; it keeps its capacity from call to call. The default builds it from
    // ListFolder and GetInfo (enough for a fake); the real file system reads it in one pass.
    virtual int ReadFolder(const std::string& path, CFileInfo& folder,
                           std::vector<CFolderItem>& items);
};

// The real file system of this machine.
IFileSystem& LocalFileSystem();

}  // namespace tv
