#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/FileTime.h"
#include "scan/FileDoInfo.h"

namespace tv {

class CArchiveReader;
class CArchiveWriter;

// One folder node of an investigated tree. The root of a run holds the root path (or an
// empty name); every other node holds its bare folder name. A node owns its records and
// subnodes.
class CTreeF {
  public:
    std::string name;
    bool targetOnly = false;
    bool sourceOnly = false;
    bool sourceEmpty = true;
    bool targetEmpty = true;
    bool investigated = false;
    bool processed = false;
    // The listing of this folder failed and was passed over: what the tree holds below it is
    // not the whole truth, so nothing on the other side may be deleted on its account.
    bool incomplete = false;
    // Set by the planning step of a two-way run that deletes what the other side lost: this
    // one-sided folder, and everything recorded below it, existed at the last synchronization.
    bool existedAtLastSync = false;
    FileTime time = 0;  // the folder's birth time, exact: it is compared with a pass's end
    std::vector<CFileDoInfo> files;
    std::vector<std::unique_ptr<CTreeF>> subfolders;

    // The stored form (snapshots): name, files, subfolders, recursively; each list is a count
    // and its objects, each object behind a "CFileDoInfo" or "CTreeF" object header (this node
    // itself has none). Records and nodes that have nothing to store are left out of the lists
    // and their counts, so that a stored tree always reads back whole. Does not block.
    void Store(CArchiveWriter& ar) const;
    // Replaces this node's content. Throws CArchiveError on damage or nesting deeper than 4096
    // levels: a tree is read whole or not at all. Every node read back lies on the target side.
    void Load(CArchiveReader& ar);
};

}  // namespace tv
