#pragma once

#include <optional>
#include <string>

namespace tv {

class IFileSystem;

// The user guide (its file name is text 462, so a language can bring its own): beside the
// program, or where an installed program keeps it (../share/doc/twinvale or ../share/twinvale
// from the program folder). A guide named by the current language that cannot be found gives
// way to the English one. Empty when there is none. `programFolder` (in `fs`) ends with "/".
// Blocks on disk I/O.
std::string HelpFilePath(IFileSystem& fs, const std::string& programFolder);

// Which guide could not be shown, and why.
struct CHelpFailure {
    std::string m_strPath;
    std::string m_strReason;
};

// Shows that guide in the desktop's viewer; nothing when the viewer was started. Returns once
// the viewer has been started.
std::optional<CHelpFailure> OpenHelpFile(IFileSystem& fs, const std::string& programFolder);

}  // namespace tv
