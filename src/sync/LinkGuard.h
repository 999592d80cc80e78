#pragma once

#include <optional>
#include <string>

#include "platform/FileSystem.h"

namespace tv {

// Keeps the changes of a pass on one side inside that side's root. The scan follows links to
// folders so that it can read through them; a change made through such a link would land
// wherever the link leads, outside the folder the user named. A link that leads back inside
// the root is harmless. One object per side and pass; worker thread only.
class CLinkGuard {
  public:
    CLinkGuard(IFileSystem& fs, std::string root);

    // Where `path` leads when it is a symbolic link whose resolved path lies outside the root;
    // nullopt when it is no link, leads inside, leads nowhere, or is not there. Blocks on one
    // lstat; for a link also on resolving it (and the root, once).
    std::optional<std::string> Outside(const std::string& path);

    const std::string& Root() const { return m_root; }

  private:
    IFileSystem& m_fs;
    std::string m_root;
    std::optional<std::string> m_resolvedRoot;  // empty when the root cannot be resolved
};

}  // namespace tv
