#pragma once

#include "base/FileTime.h"

namespace tv {

// The wall clock that file systems stamp files with: at most a kernel tick behind the precise
// clock, never ahead of it, so a file written after a reading has a stamp no earlier than it.
// Does not block; any thread.
FileTime CoarseNow();

// A moment that divides the stamps of local file systems: every stamp given before the call
// is no later than it, every stamp given after the call is later. Blocks until the coarse
// clock has passed the moment (a kernel tick at most); any thread.
FileTime StampBoundaryNow();

}  // namespace tv
