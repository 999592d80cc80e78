#pragma once

#include <string>

namespace tv {

// True when `path` is the root of a mounted file system (what a drive root was on Windows).
// Blocks for one or two stat calls; any thread. A path that cannot be examined is not one.
bool IsMountPoint(const std::string& path);

}  // namespace tv
