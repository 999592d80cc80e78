#pragma once

#include "base/FileTime.h"

namespace tv {

class CFileDoInfo;
class CTreeF;

// A target's last completed synchronization, kept as two moments because one moment cannot
// say both what that run saw and what it made. Content written before its scan began was seen
// by it; an item born before its pass ended was there when it ended, the copies it made
// included. A file put into a folder during the pass with an old last-write time (a copy that
// keeps times) passes both tests although the run never saw it: only a record of every item
// could tell, and that is more than this option stores.
struct CLastSync {
    FileTime m_scanStart = 0;  // whole seconds, never later than a stamp written after it
    FileTime m_passEnd = 0;    // exact: a stamp boundary taken after the pass's last operation

    bool Known() const { return m_scanStart != 0 && m_passEnd != 0; }
    bool operator==(const CLastSync&) const = default;
};

// The scan start to keep for a scan that begins now. Does not block; any thread.
FileTime ScanStartNow();

// The tests below do not block and may be made on any thread.

// A one-sided file existed at the last synchronization, so its twin has been deleted since.
bool ExistedAtLastSync(const CFileDoInfo& record, const CLastSync& last);

// The file was written after the last synchronization's scan began, by more than the
// 2-second band of the time comparisons.
bool ChangedSinceLastSync(const CFileDoInfo& record, const CLastSync& last);

// A one-sided folder existed at the last synchronization with everything recorded below it:
// a folder that holds anything newer must not go as a whole. Reads the existedAtLastSync
// flags that its subfolders already carry.
bool FolderExistedAtLastSync(const CTreeF& folder, const CLastSync& last);

}  // namespace tv
