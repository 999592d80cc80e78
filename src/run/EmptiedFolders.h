#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace tv {

class CElement;

// After "Delete source files after task finishing": removes every folder below `root` that
// holds nothing any more, deepest first. A folder that still holds anything (a file, a link,
// a folder that could not be removed) stays, with all folders above it; `root` itself stays.
// Each removal is logged "%s deleted" among the folders deleted in source. Worker thread;
// blocks on disk I/O; stops between folders when the run is canceled.
void RemoveEmptiedFolders(CElement& task, const std::string& root, IFileSystem& fs);

}  // namespace tv
