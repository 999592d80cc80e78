#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/AtomicFile.h"
#include "task/Element.h"

namespace tv {

class CArchiveReader;
class CProfile;
class IFileSystem;
struct CBodyFormat;

inline constexpr int kCurrentListVersion = 590;
inline constexpr char kCurrentListVersionText[] = "590";

// How a load went. A damaged file still yields the tasks that were read completely.
struct CListLoadResult {
    enum class Outcome { Loaded, Damaged, NotAList, CannotOpen };
    Outcome m_outcome = Outcome::Loaded;
    std::string m_strError;  // what was wrong, for the message shown to the user
    bool Ok() const { return m_outcome == Outcome::Loaded; }
};

// The ordered list of tasks as kept in a task list file (".tsl"). Not thread-safe: owned by
// the main window or the unattended runner.
class CTaskList {
  public:
    std::vector<std::unique_ptr<CElement>> m_Tasks;
    std::string m_strVersion = kCurrentListVersionText;
    int m_nVersion = kCurrentListVersion;
    int m_nHighestId = 0;     // the highest id of the list (seeded from the task counter)
    bool m_bChanged = false;  // a load repaired something, or the user edited the list
    std::string m_strPath;    // the file the list was loaded from or saved to

    // Serializes the list in the current layout; tasks without an id get highest id + 1.
    std::vector<uint8_t> Store();
    // Replaces the tasks with those read from `bytes`; "NextTags" come from `profile`. Ids
    // that repeat (or are not positive) are replaced by fresh ones and mark the list changed.
    // Bytes that are not a task list at all (NotAList) leave the list as it was. The oldest
    // lists have no ids: their tasks draw them from the task counter in `fs`.
    CListLoadResult Load(IFileSystem& fs, std::span<const uint8_t> bytes, const CProfile& profile);

    // Blocking file I/O on the calling thread, in `fs`, which also keeps the task counter. The
    // file is replaced atomically. A list loaded (completely or not) takes the path, and the
    // task counter is raised to its highest id; CannotOpen and NotAList leave the list as it was.
    CListLoadResult LoadFile(IFileSystem& fs, const std::string& path, const CProfile& profile);
    // Saving under a path other than m_strPath gives every task a fresh id above the highest
    // id; the task counter is raised to the new highest id. When the file cannot be written
    // the tasks keep their ids, and the old file stays as it was. A list in the program's own
    // folders is private; one elsewhere keeps the mode of the file it replaces, and a new one
    // that holds a password is private.
    bool SaveFile(IFileSystem& fs, const std::string& path, std::string* error = nullptr);

  private:
    int NextFreeId() const;
    FileAccess Access(const std::string& path) const;
    CListLoadResult LoadTasks(CArchiveReader& ar, const CBodyFormat& format,
                              const CProfile& profile);
    void AdoptLoaded(std::unique_ptr<CElement> task, const CBodyFormat& format,
                     const CProfile& profile, std::unordered_set<int>& loadedIds);
};

// One task body in the current layout, without header or class reference: the content of the
// new-task pattern file.
std::vector<uint8_t> StoreTaskBody(CElement& task);
bool LoadTaskBody(std::span<const uint8_t> bytes, CElement& task);

}  // namespace tv
