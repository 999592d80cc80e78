#pragma once

#include <string>

#include "task/Element.h"

namespace tv {

class IFileSystem;

// The new-task pattern: one task body in the current layout, in the file "NewTskPattern" of
// the program data folder in `fs`. All three block on disk I/O; any thread.

// Writes the pattern atomically; false when it cannot be written.
bool SavePattern(IFileSystem& fs, const std::string& programDataFolder, CElement& task);
// Fills `task` from the pattern; false (and `task` unchanged) when there is no readable pattern.
bool LoadPattern(IFileSystem& fs, const std::string& programDataFolder, CElement& task);
// Removes the pattern; true also when there was none.
bool ClearPattern(IFileSystem& fs, const std::string& programDataFolder);

}  // namespace tv
