#pragma once

#include <string>

namespace tv {

class IFileSystem;

// The user guide (its file name is text 462, so a language can bring its own): beside the
// program, or where an installed program keeps it (../share/doc/twinvale or ../share/twinvale
// from the program folder). A guide named by the current language that cannot be found gives
// way to the English one. Empty when there is none. `programFolder` (in `fs`) ends with "/".
// Blocks on disk I/O.
std::string HelpFilePath(IFileSystem& fs, const std::string& programFolder);

// Shows that guide in the desktop's viewer; false when there is none or it cannot be opened.
// Returns once the viewer has been started.
bool OpenHelpFile(IFileSystem& fs, const std::string& programFolder);

}  // namespace tv
