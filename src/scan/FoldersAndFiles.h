#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tv {

// A file of the disc staging tree: its name inside the disc image and where it lies on disk.
// Two entries are equal when their names are (exactly).
struct CFileEntry {
    std::string m_strName;
    std::string m_strPath;

    bool operator==(const CFileEntry& other) const { return m_strName == other.m_strName; }
};

// A folder of the disc staging tree: the files a disc target collects during the pass, in the
// order they were added. Names are compared exactly. Owns its children. One thread at a time.
class CFoldersAndFiles {
  public:
    explicit CFoldersAndFiles(std::string name = {}) : m_strName(std::move(name)) {}
    CFoldersAndFiles(const CFoldersAndFiles&) = delete;
    CFoldersAndFiles& operator=(const CFoldersAndFiles&) = delete;

    const std::string& Name() const { return m_strName; }
    const std::vector<std::unique_ptr<CFoldersAndFiles>>& Children() const { return m_Children; }
    const std::vector<CFileEntry>& Files() const { return m_Files; }

    // The child folder of that name, or null.
    CFoldersAndFiles* FindChild(std::string_view name) const;
    // The child folder of that name, appended when there is none yet.
    CFoldersAndFiles& GetOrAddChild(std::string_view name);
    // Appends a file; false (and nothing added) when a child folder or a file of that name is
    // already there.
    bool AddFile(std::string name, std::string path);

  private:
    std::string m_strName;
    std::vector<std::unique_ptr<CFoldersAndFiles>> m_Children;
    std::vector<CFileEntry> m_Files;
    // Lookups by name, so that a folder of many files is not filled in quadratic time.
    std::unordered_map<std::string, CFoldersAndFiles*> m_ChildByName;
    std::unordered_set<std::string> m_FileNames;
};

}  // namespace tv
