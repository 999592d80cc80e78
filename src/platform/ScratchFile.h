#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

class IFileSystem;

// A file for what a run collects and reads back once at its end. It has no name in the file
// system (or loses it the moment it is made, where the file system cannot make a nameless
// file), so a run that is killed leaves nothing behind; the space is freed when it closes.
// One owner at a time; every call blocks on disk I/O.
class CScratchFile {
  public:
    CScratchFile() = default;
    ~CScratchFile();
    CScratchFile(const CScratchFile&) = delete;
    CScratchFile& operator=(const CScratchFile&) = delete;

    // Makes the file in `folder` of `fs`, which is made when missing. 0 or an errno value.
    int Open(IFileSystem& fs, const std::string& folder);
    bool IsOpen() const { return m_file >= 0; }
    // All of `bytes` at `offset`. 0, or an errno value: then part of them may be written.
    int Write(uint64_t offset, std::string_view bytes);
    // At most `size` bytes at `offset`; `got` 0 means the end. 0 or an errno value.
    int Read(uint64_t offset, void* buffer, size_t size, size_t& got) const;

  private:
    IFileSystem* m_pFs = nullptr;
    int m_file = -1;
};

}  // namespace tv
