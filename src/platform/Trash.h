#pragma once

#include <string>

namespace tv {

// The desktop's trash, laid out the freedesktop.org way, so that the
// desktop's Trash window shows what a run put there and can restore it. Files on the file
// system of the home trash ($XDG_DATA_HOME/Trash) go there; files on other mounts go to
// "$topdir/.Trash/$uid" where the administrator made ".Trash" (a sticky folder, not a link),
// else to "$topdir/.Trash-$uid". Each file gets its ".trashinfo" (made exclusively, before the
// file moves) and is renamed into the trash, never copied.

// Moves the local file or link `path` into its trash. 0 and `trashFolder` (the trash's own
// folder, holding "files" and "info") on success; otherwise an errno value and the file stays
// where it was. Blocks on disk I/O; any thread.
int MoveToTrash(const std::string& path, std::string& trashFolder);

// The percent-encoded form of a path that a ".trashinfo" file holds: every byte but the
// unreserved characters and "/" as %XX. Pure.
std::string EncodeTrashPath(const std::string& path);

}  // namespace tv
