#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

// Every temporary file of the program (copies on their way to their destination, the atomic
// writes of the files it keeps) is named "<kTempFilePrefix><name>-XXXXXX" beside the file it is
// to become, XXXXXX being six letters or digits. Its creator holds an exclusive flock on it from
// the moment it exists until it is renamed or removed, so a file of that name that nobody holds
// was left by a run that was killed, and whoever comes across it may remove it.
inline constexpr std::string_view kTempFilePrefix = ".~tv-";

// Whether one name (no folder part) has the form of a temporary file's name.
bool IsTempFileName(std::string_view name);

// Creates a new file for `name` in `folder` (the current folder when empty) exclusively with
// `mode` less the umask, open for writing, and locks it. The lock belongs to the open file, so it
// lasts as long as `fd` or a duplicate of it stays open; the creator removes or renames the file
// before it lets go. Results are 0 or an errno value. Blocks briefly; any thread.
int CreateLockedTempFile(const std::string& folder, std::string_view name, uint32_t mode,
                         std::string& tempPath, int& fd);

// Removes the temporary file `name` from the folder open as `folderFd` when it is stale: a
// regular file that no process holds and that still has that name. A live one, anything else
// and every failure are left alone (false). Blocks briefly; any thread.
bool RemoveStaleTempFile(int folderFd, const char* name);

// Removes the stale temporary files of `name` in `folder`, the ones that killed writers of that
// file left. Blocks on reading the folder; any thread.
void RemoveStaleTempFilesOf(const std::string& folder, std::string_view name);

}  // namespace tv
