#pragma once

#include <string>

namespace tv {

// Paths as text, without asking the file system.

// The folder part of `path`: "." when it names no folder, "/" for an entry of the root.
std::string FolderOf(const std::string& path);

// The last part of `path` (all of it when it names no folder).
std::string NameOf(const std::string& path);

// A folder path in one form: repeated separators made one and trailing ones dropped ("/"
// stays "/"), so that comparisons of the paths below it hold however it was typed.
std::string CleanFolderPath(const std::string& path);

// The length of the "scheme://authority" beginning of a remote root text ("sftp://tv@host:22"
// in "sftp://tv@host:22/up"), 0 for a local path: a walk over the folders of a path starts
// below it.
size_t RemoteRootLength(const std::string& path);

}  // namespace tv
