#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/FileTime.h"

namespace tv {

class CElement;
class CTreeF;
struct CInvestigationJob;

// The last-write time as the tree keeps it: whole seconds, the year capped at 3000.
FileTime NormalizeListedTime(FileTime time);

// The rules every side applies to the entries of one listed folder, and their insertion into
// the job's node. A lister feeds it entry by entry on the side's investigation thread.
class CEntrySink {
  public:
    // `expectedFiles` reserves the file list once, so that it does not grow in steps.
    CEntrySink(CInvestigationJob& job, size_t expectedFiles);
    CEntrySink(const CEntrySink&) = delete;
    CEntrySink& operator=(const CEntrySink&) = delete;

    // Call before each entry; true ends the listing (a cancel, or the single-target stop).
    // Blocks while the run is paused.
    bool ShouldStop() const;
    // The hidden and system rules, on the attributes the listing reports.
    bool IsSkippedByAttributes(uint32_t attributes) const;
    // A folder entry: the include-subfolders and junction rules, the progress notice, the
    // filter, then a new node at the end of the subfolders.
    void AddFolder(const std::string& name, FileTime creation, uint32_t attributes);
    // A file entry: the filter, then a record. `name` is taken when the file is admitted.
    void AddFile(std::string& name, uint64_t size, FileTime lastWrite, FileTime creation,
                 uint32_t attributes);
    // Source records end in the reverse of the listing order, as they always have; target
    // records keep it. Trims what the reservation overestimated.
    void Finish();

  private:
    const std::string& FullPath(const std::string& name);
    bool Admit(const std::string& name, bool isFolder, uint64_t size, FileTime lastWrite);
    std::string RelativeFolder() const;

    CInvestigationJob& m_job;
    CElement& m_task;
    CTreeF& m_node;
    size_t m_nFirstNewFile;
    bool m_bRoomForTarget = false;
    size_t m_nPrefixLength;
    std::string m_strPath;  // the folder path and a separator, then the current entry's name
    bool m_bSubfolders;
    bool m_bSkipJunctions;
    bool m_bSkipHidden;
    bool m_bSkipSystem;
    bool m_bSilent;
};

}  // namespace tv
