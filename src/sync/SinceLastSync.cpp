#include "sync/SinceLastSync.h"

#include "platform/Clock.h"
#include "scan/TreeF.h"

namespace tv {

namespace {

// File systems stamp from a clock a tick behind the precise one, and FAT cuts last-write
// times down to even seconds: a file written just after the scan began can carry a stamp up
// to two seconds before it. Taking the start that much earlier only makes more files count
// as new, which copies them instead of deleting them.
constexpr FileTime kStampLag = 2 * kTicksPerSecond;
// "Changed since the last synchronization" wants a clear margin: file systems and copies
// round times.
constexpr FileTime kChangedMargin = 2 * kTicksPerSecond;

}  // namespace

FileTime ScanStartNow() {
    return TruncateToSecond(CoarseNow()) - kStampLag;
}

bool ExistedAtLastSync(const CFileDoInfo& record, const CLastSync& last) {
    return last.Known() && record.lastWrite < last.m_scanStart && record.creation <= last.m_passEnd;
}

bool ChangedSinceLastSync(const CFileDoInfo& record, const CLastSync& last) {
    return record.lastWrite > last.m_scanStart &&
           record.lastWrite - last.m_scanStart > kChangedMargin;
}

bool FolderExistedAtLastSync(const CTreeF& folder, const CLastSync& last) {
    if (!last.Known() || !folder.investigated || folder.time > last.m_passEnd) {
        return false;
    }
    for (const CFileDoInfo& record : folder.files) {
        if (!ExistedAtLastSync(record, last)) {
            return false;
        }
    }
    for (const auto& sub : folder.subfolders) {
        if (!sub->existedAtLastSync) {
            return false;
        }
    }
    return true;
}

}  // namespace tv
