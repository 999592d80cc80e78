#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/ScratchFile.h"

namespace tv {

class IFileSystem;

// The lines of one list of a run record, in the order they came. They gather in a buffer that
// moves to a scratch file whenever it fills, so that a run of a million files holds no more of
// them in memory than one buffer. When the scratch file cannot be made or written (a full
// disk), the lines stay in memory from then on, and none is lost. Not thread-safe: the owner
// guards it.
class CLineSpool {
  public:
    // Blocks on disk I/O when the buffer is full. 0, or the errno value of the scratch file's
    // failure when this line is the first one it made stay in memory. The scratch file goes to
    // `folder` of `fs`; without a file system or a folder every line stays in memory.
    int Add(std::string_view line, IFileSystem* fs, const std::string& folder);
    size_t Count() const { return m_nCount; }
    // Calls `visit` with each line in the order added. Blocks on disk I/O. Should the scratch
    // file fail to read back, the lines still in memory follow those read up to there.
    void ForEach(const std::function<void(std::string_view)>& visit) const;

  private:
    int Spill(IFileSystem& fs, const std::string& folder);
    void ReadBack(const std::function<void(std::string_view)>& visit) const;

    CScratchFile m_file;
    uint64_t m_nFileBytes = 0;  // whole records in the file
    std::string m_buffer;       // records not in the file
    size_t m_nCount = 0;
    bool m_bInMemory = false;
};

}  // namespace tv
