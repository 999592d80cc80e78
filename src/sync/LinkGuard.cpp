#include "sync/LinkGuard.h"

namespace tv {

namespace {

// Cut only at a separator: "/src2/x" does not lie below "/src".
bool IsWithin(const std::string& path, const std::string& root) {
    if (root == "/") {
        return true;
    }
    return path.starts_with(root) && (path.size() == root.size() || path[root.size()] == '/');
}

}  // namespace

CLinkGuard::CLinkGuard(IFileSystem& fs, std::string root) : m_fs(fs), m_root(std::move(root)) {}

std::optional<std::string> CLinkGuard::Outside(const std::string& path) {
    CFileInfo st;
    if (m_fs.Stat(path, st, LinkMode::NoFollow) != 0 || !st.m_bSymlink) {
        return std::nullopt;
    }
    // A dangling link carries nothing anywhere: whatever goes through it fails on its own.
    std::string resolved;
    if (m_fs.ResolvePath(path, resolved) != 0) {
        return std::nullopt;
    }
    if (!m_resolvedRoot) {
        std::string root;
        m_resolvedRoot = m_fs.ResolvePath(m_root, root) == 0 ? root : std::string();
    }
    // A root that cannot be resolved has nothing inside it that a link could safely reach.
    if (!m_resolvedRoot->empty() && IsWithin(resolved, *m_resolvedRoot)) {
        return std::nullopt;
    }
    return resolved;
}

}  // namespace tv
