#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "scan/FileDoInfo.h"

namespace tv {

// An entry that never reached the planned tree (a filter left it out) or that the planning
// step took out of it (a target file nothing acts on), kept so that a dry run can say why.
struct CSkippedItem {
    std::string m_strFolder;  // relative to its side's root; empty for the root itself
    CFileDoInfo m_record;     // its side and reason set; a folder has only its name
    std::string m_strMask;    // the mask of a filter reason
    bool m_bFolder = false;
};

// Collects skipped entries from both investigation threads and the planning step. Only dry
// runs hand one out: a real run keeps nothing it does not act on.
class CSkippedItems {
  public:
    // Any thread.
    void Add(CSkippedItem item);
    // Once the threads that add are done; in the order added per thread.
    std::vector<CSkippedItem> Take();

  private:
    std::mutex m_mutex;
    std::vector<CSkippedItem> m_items;
};

}  // namespace tv
