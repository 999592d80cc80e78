#pragma once

#include <string>
#include <vector>

#include "platform/FileSystem.h"

// The local file system's reading side (statx and getdents64), for LocalFileSystem.cpp only.

namespace tv {

// Information on `path` (relative to the current folder); see IFileSystem::Stat.
int LocalStat(const std::string& path, CFileInfo& info, LinkMode links);
// Information on an open descriptor; no hidden bit, as there is no name.
int LocalStatOpen(int fd, CFileInfo& info);
// IFileSystem::ReadFolder in one piece.
int LocalReadFolder(const std::string& path, CFileInfo& folder, std::vector<CFolderItem>& items,
                    const FolderPieceFn& onPiece);
// IFileSystem::ListNames.
int LocalListNames(const std::string& folder, std::vector<std::string>& names);

}  // namespace tv
