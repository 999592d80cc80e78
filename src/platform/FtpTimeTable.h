#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace tv {

class IFileSystem;

// The cache of FTP servers' time-zone shifts kept in the program data folder ("FTPTimes"): for
// each server, the minutes to add to the times its LIST replies show (read as the server's
// local time) to get UTC, as the last probe measured them. MLSD, MDTM and SFTP times are UTC and
// never need it. A server is named by FtpTimeKey. The file (docs/FTPTimes.md) is the object
// archive's encoding: the string "FTPTimes 1", a count, then per entry the key as a string and
// the shift as a 32-bit integer, in key order. It is a cache: a damaged file is read as empty.
class CFtpTimeTable {
  public:
    // Shifts beyond a day are no time zone's and mark a damaged file.
    static constexpr int32_t kMaxShiftMinutes = 24 * 60;

    std::map<std::string, int32_t> m_Shifts;  // key -> minutes

    // Replaces the table with the file's content. A missing, unreadable or damaged file leaves
    // the table empty and returns false. Blocks on disk I/O; main thread.
    bool LoadFile(IFileSystem& fs, const std::string& path);
    // Replaces the file atomically. Blocks on disk I/O; main thread.
    bool SaveFile(IFileSystem& fs, const std::string& path, std::string* error = nullptr) const;

    std::string Store() const;
    bool Load(std::string_view bytes);
};

// The key of a server in the table: its host without the "ftp://" (or any other "scheme://")
// beginning, in lower case, then ":" and the port, so "FTP://NAS.local" on port 21 is
// "nas.local:21". Pure.
std::string FtpTimeKey(const std::string& host, int32_t port);

}  // namespace tv
