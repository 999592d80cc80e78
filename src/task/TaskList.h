#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "task/Element.h"

namespace tv {

class CProfile;

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
    // Replaces the tasks with those read from `bytes`; "NextTags" come from `profile`.
    CListLoadResult Load(std::span<const uint8_t> bytes, const CProfile& profile);

    // Blocking file I/O on the calling thread. The file is replaced atomically.
    CListLoadResult LoadFile(const std::string& path, const CProfile& profile);
    // Saving under a path other than m_strPath gives every task a fresh id above the highest
    // id; the task counter is raised to the new highest id.
    bool SaveFile(const std::string& path, std::string* error = nullptr);
};

// One task body in the current layout, without header or class reference: the content of the
// new-task pattern file.
std::vector<uint8_t> StoreTaskBody(CElement& task);
bool LoadTaskBody(std::span<const uint8_t> bytes, CElement& task);

}  // namespace tv
