#pragma once

#include <cstdint>

#include "base/FileTime.h"

namespace tv {

// The legacy schedule block: carried through task lists unchanged, read by nothing else.
class CSchedule {
  public:
    int32_t A = 0;
    int32_t B = 0;
    TaskTime C = 0;
    int32_t D = 0;
    int32_t E = 0;
    TaskTime F = 0;
    TaskTime G = 0;
    int32_t H[6] = {};

    // All integers 0, C 0, F and G 1998-04-03 00:01 and 23:59 local time.
    void Reset();

    bool operator==(const CSchedule&) const = default;
};

}  // namespace tv
