#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace tv {

class IFileSystem;

// The cache of FTP time-zone shifts kept in the program data folder: which site keys map to
// which shift is the FTP transport's business; this class only keeps the table and its file.
class CFtpTimeTable {
  public:
    std::map<std::string, int32_t> m_Shifts;

    // Replaces the table with the file's content. A missing, unreadable or damaged file leaves
    // the table empty and returns false. Blocks on disk I/O; main thread.
    bool LoadFile(IFileSystem& fs, const std::string& path);
    // Replaces the file atomically. Blocks on disk I/O; main thread.
    bool SaveFile(IFileSystem& fs, const std::string& path, std::string* error = nullptr) const;

    std::string Store() const;
    bool Load(std::string_view bytes);
};

}  // namespace tv
