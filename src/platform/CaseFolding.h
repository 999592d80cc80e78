#pragma once

#include <string>

namespace tv {

// True when the file system holding `path` matches names without regard to case: vfat,
// exfat, ntfs, HFS+, cifs/smb, or a folder of ext4/f2fs/tmpfs with the casefold flag. A path
// that does not exist yet is judged by its nearest existing parent. Blocks for a statfs and
// at most one ioctl; any thread; meant to be called once per side of a run. Only the folder
// itself is examined: a casefold folder somewhere below a case-sensitive root is not seen.
bool FoldsCase(const std::string& path);

}  // namespace tv
