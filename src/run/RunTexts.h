#pragma once

#include <string>

namespace tv {

class IFileSystem;

// The text of `stringId` (with ": " after it unless it ends with a blank) followed by the
// current local time as "%A, %B %d, %Y, %H:%M": the
// start and end stamps of a run. Any thread.
std::string StampText(int stringId);

// The working folder of a program started after a task: the part of its path (the command
// line's first word) before its last "/", when that slash is not the first character and
// names an existing folder of `fs`; else empty (no working folder). Blocks for one stat; any
// thread.
std::string WorkingFolderOf(IFileSystem& fs, const std::string& commandLine);

}  // namespace tv
