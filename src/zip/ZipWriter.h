#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/FileTime.h"

namespace tv {

class CZipDeflater;
class IFileSystem;

// A new zip archive. It is written under a temporary name in the archive's folder and takes the
// archive's name only when Close completed it: until then, and after a failure or a Discard,
// an archive that was there stays as it was. Entries are deflated (zlib's default level),
// named by their path relative to the root in UTF-8 (a name that is not valid UTF-8 keeps its
// bytes), and keep the file's last-write time (to the second) and permission bits. Zip64
// wherever a size or an offset needs it. Every call blocks on the file system; one thread.
class CZipWriter {
  public:
    explicit CZipWriter(IFileSystem& fs);
    ~CZipWriter();  // discards an archive that was not closed
    CZipWriter(const CZipWriter&) = delete;
    CZipWriter& operator=(const CZipWriter&) = delete;

    // Starts the archive `path` (an existing file there is replaced by Close). 0 or an errno.
    int Create(const std::string& path);
    // The folder whose files are added: entry names are relative to it.
    void SetRootPath(const std::string& root) { m_strRoot = root; }
    // Adds the file `path`, which lies below the root. A file that cannot be read to its end
    // adds nothing, and may be added again. 0 or an errno (EINVAL: not below the root).
    int AddFile(const std::string& path);
    // Writes the archive and puts it in place. 0 or an errno; on failure nothing is replaced.
    int Close();
    void Discard();

  private:
    // A deflater with its spool: the entries are spread over as many as there are cores.
    struct CLane {
        int m_spool = -1;
        std::unique_ptr<CZipDeflater> m_deflater;
        uint64_t m_bytesFed = 0;
        size_t m_entriesEnded = 0;
    };
    struct CEntry {
        size_t m_lane = 0;
        size_t m_span = 0;  // the index of its span in the lane
        std::string m_name;
        uint64_t m_size = 0;
        uint32_t m_crc = 0;
        FileTime m_lastWrite = 0;
        uint32_t m_mode = 0;
    };

    int ReadInto(int file, CEntry& entry, CLane& lane);
    CLane& LeastFedLane();
    int WriteArchive();
    int WriteEmptyArchive();
    void CloseFiles();

    IFileSystem& m_fs;
    std::string m_strPath;
    std::string m_strTemp;
    std::string m_strRoot;
    int m_file = -1;
    std::vector<CLane> m_lanes;
    std::vector<CEntry> m_entries;
    std::vector<unsigned char> m_readBuffer;
};

}  // namespace tv
