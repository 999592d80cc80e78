#pragma once

#include <string>

namespace tv {

class CElement;
class IFileSystem;
class IUiDialogs;

// A freedesktop launcher (".desktop" entry) that runs one task of a task list:
// `mirrant -f:LIST ID`, the way the command line runs it. Each argument of the Exec line is
// quoted and escaped so that a desktop hands mirrant exactly these arguments, whatever
// blanks, quotes, backslashes, "$" or "%" the paths hold. Empty when a path or the name
// cannot be written into an entry (it is not UTF-8, or holds a control character other than
// a line break or a tab).
std::string TaskDesktopEntry(const std::string& taskName, int taskId, const std::string& listPath,
                             const std::string& mirrantPath);

// The file name of a task's launcher: the task name made safe as one file name, with
// ".desktop" appended.
std::string TaskDesktopFileName(const std::string& taskName);

enum class ShortcutResult { Written, Kept, Failed };

// Writes the launcher of `task` into `folder` of `fs` (created when missing), asking before it
// replaces one that is there, and marks it executable as desktops want of launchers they
// trust. Kept when the user chose to keep the old one. GUI thread; blocks on disk I/O and on
// the question.
ShortcutResult WriteTaskShortcut(IFileSystem& fs, const CElement& task, const std::string& listPath,
                                 const std::string& mirrantPath, const std::string& folder,
                                 IUiDialogs& dialogs);

}  // namespace tv
