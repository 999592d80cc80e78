#include "run/EmptySide.h"

#include "scan/TreeF.h"

namespace tv {

namespace {

void AddDeletions(const CTreeF& node, CPlannedDeletions& count) {
    for (const CFileDoInfo& record : node.files) {
        if (record.selected && record.action == ACTION_DELETE) {
            ++(record.side == Side::Source ? count.m_nInSource : count.m_nInTarget);
        }
    }
    for (const auto& sub : node.subfolders) {
        AddDeletions(*sub, count);
    }
}

}  // namespace

size_t CountFiles(const CTreeF& root) {
    size_t count = root.files.size();
    for (const auto& sub : root.subfolders) {
        count += CountFiles(*sub);
    }
    return count;
}

CPlannedDeletions CountPlannedDeletions(const CTreeF& merged) {
    CPlannedDeletions count;
    AddDeletions(merged, count);
    return count;
}

// Any deletion counts, not only a complete one: a two-way run that deletes "files deleted
// since the last synchronization" would take most of a side, keeping only what changed since.
EndangeredSide FindEndangeredSide(size_t sourceFiles, size_t targetFiles,
                                  const CPlannedDeletions& deletions) {
    if (sourceFiles == 0 && targetFiles > 0 && deletions.m_nInTarget > 0) {
        return EndangeredSide::Target;
    }
    if (targetFiles == 0 && sourceFiles > 0 && deletions.m_nInSource > 0) {
        return EndangeredSide::Source;
    }
    return EndangeredSide::None;
}

}  // namespace tv
