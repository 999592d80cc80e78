#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "zip/ZipFormat.h"

namespace tv {

class IFileSystem;

// Open and Extract say a damaged archive or a damaged entry with this value.
inline constexpr int kZipDamaged = -1;

enum class ExtractResult : uint8_t {
    Done,
    Failed,    // m_error says why (kZipDamaged: the entry's data is damaged)
    Refused,   // the entry's name would lead outside the root: nothing was written
    Canceled,  // nothing was changed
};

struct CExtractStatus {
    ExtractResult m_result = ExtractResult::Done;
    int m_error = 0;
    std::string m_strPath;  // where the entry goes (or would go); the entry's name if refused
    ZipEntryKind m_kind = ZipEntryKind::File;
};

// Whether an extraction is to stop; asked between pieces of data.
using ExtractCancelFn = std::function<bool()>;

// An existing zip archive, read-only. Every call blocks on the file system; one thread.
class CZipReader {
  public:
    explicit CZipReader(IFileSystem& fs);
    ~CZipReader();
    CZipReader(const CZipReader&) = delete;
    CZipReader& operator=(const CZipReader&) = delete;

    // 0, an errno, or kZipDamaged for a file that is damaged or not a zip archive.
    int Open(const std::string& path);
    size_t EntryCount() const;
    // The stored name of the entry `index` (its bytes), empty when there is none.
    std::string EntryName(uint64_t index) const;
    // Extracts the entry `index` below `root` with its stored path, creating the folders it
    // needs. A name that is absolute, holds a ".." part, or leads through a symbolic link to a
    // place outside the root is refused. A file entry goes to a temporary file beside its
    // destination, its CRC is checked, it gets its stored time and permission bits (no set-id
    // bits), and only then does it replace what was there. Runs of zero bytes become holes
    // where the file system allows writes past the end. Symbolic links are not made.
    CExtractStatus Extract(uint64_t index, const std::string& root,
                           const ExtractCancelFn& canceled);
    void Close();

  private:
    int MakeFolders(const std::string& root, const std::vector<std::string>& parts, size_t count,
                    std::string& folder);
    int ExtractFile(uint64_t index, const CZipEntryMeta& meta, const std::string& folder,
                    const std::string& name, const ExtractCancelFn& canceled);
    int CopyData(uint64_t index, int out, const ExtractCancelFn& canceled);

    IFileSystem& m_fs;
    int m_file = -1;
    zip_t* m_za = nullptr;
    std::string m_strResolvedRoot;
    std::string m_strRootOfResolved;
};

// The parts of an entry's name below the root ("." and empty parts left out), or false for a
// name that must not be extracted: absolute, with a ".." part, or with no part at all.
bool SplitEntryName(const std::string& name, std::vector<std::string>& parts);

}  // namespace tv
