#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tv {

class CProfile;

// The most recently used task lists, newest first, kept in the profile section "recentlist"
// as "file1" ... "file5". Blocks on the profile's disk I/O; main thread.
class CRecentFileList {
  public:
    static constexpr size_t kSize = 5;
    static constexpr size_t kDisplayLength = 30;

    explicit CRecentFileList(CProfile& profile) : m_profile(profile) {}

    void Load();
    // Puts `path` first (moving it when it is already listed) and stores the list. False when
    // the profile could not be written; the list in memory has the entry all the same.
    bool Add(const std::string& path);

    const std::vector<std::string>& Entries() const { return m_Entries; }
    // The entry as a menu shows it: at most kDisplayLength characters.
    std::string DisplayName(size_t index) const;

  private:
    CProfile& m_profile;
    std::vector<std::string> m_Entries;
};

// `path` shortened to at most `maxChars` characters: leading folders give way to "...", and a
// file name that alone is too long is cut at its end. Characters are counted in UTF-8; a byte
// that is not valid UTF-8 counts as one.
std::string AbbreviatePath(const std::string& path, size_t maxChars);

}  // namespace tv
