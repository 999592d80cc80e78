#pragma once

#include <cstddef>

namespace tv {

class CTreeF;

// The files of an investigated tree (one side), at any depth.
size_t CountFiles(const CTreeF& root);

// The files the planning step chose to delete on each side of a merged tree.
struct CPlannedDeletions {
    size_t m_nInSource = 0;
    size_t m_nInTarget = 0;
};
CPlannedDeletions CountPlannedDeletions(const CTreeF& merged);

// The side a run would empty because the other side holds no file: a drive that is not
// mounted leaves an empty mount-point folder, and a backup must not follow it into nothing.
enum class EndangeredSide { None, Source, Target };
EndangeredSide FindEndangeredSide(size_t sourceFiles, size_t targetFiles,
                                  const CPlannedDeletions& deletions);

}  // namespace tv
