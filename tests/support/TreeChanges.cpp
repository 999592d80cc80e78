#include "support/TreeChanges.h"

#include <sys/stat.h>

#include "support/TestEnv.h"

namespace tvtest {

namespace fs = std::filesystem;

CTreeState ReadTreeState(const fs::path& root) {
    CTreeState state;
    if (!fs::exists(root)) {
        return state;
    }
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        struct stat st = {};
        if (lstat(it->path().c_str(), &st) != 0) {
            continue;
        }
        CEntryState entry;
        entry.m_bFolder = S_ISDIR(st.st_mode);
        entry.m_mode = st.st_mode & 07777;
        if (!entry.m_bFolder) {
            entry.m_mtime = st.st_mtim.tv_sec;
            entry.m_content = S_ISREG(st.st_mode) ? ReadFile(it->path()) : std::string();
        }
        state[fs::relative(it->path(), root).string()] = entry;
    }
    return state;
}

void AddTreeChanges(char side, const CTreeState& before, const CTreeState& after,
                    CChanges& changes) {
    for (const auto& [path, old] : before) {
        const auto now = after.find(path);
        if (now == after.end()) {
            changes.emplace(side, path, old.m_bFolder ? Change::RemoveFolder : Change::Delete);
        } else if (!old.m_bFolder && old.m_content != now->second.m_content) {
            changes.emplace(side, path, Change::Write);
        } else if (!old.m_bFolder && old.m_mtime != now->second.m_mtime) {
            changes.emplace(side, path, Change::Times);
        } else if (old.m_mode != now->second.m_mode) {
            changes.emplace(side, path, Change::Mode);
        }
    }
    for (const auto& [path, now] : after) {
        if (!before.contains(path)) {
            changes.emplace(side, path, now.m_bFolder ? Change::MakeFolder : Change::Write);
        }
    }
}

std::string Fingerprint(const std::initializer_list<fs::path>& roots) {
    std::string text;
    for (const fs::path& root : roots) {
        text += "[" + root.string() + "]\n";
        if (fs::is_regular_file(root)) {
            text += ReadFile(root) + "\n";
            continue;
        }
        for (const auto& [path, entry] : ReadTreeState(root)) {
            text += path + " " + std::to_string(entry.m_bFolder) + " " +
                    std::to_string(entry.m_mtime) + " " + std::to_string(entry.m_mode) + " " +
                    std::to_string(entry.m_content.size()) + ":" + entry.m_content + "\n";
        }
    }
    return text;
}

std::string ChangeText(const CChange& change) {
    static const char* const kNames[] = {"write", "delete", "mkdir", "rmdir", "times", "mode"};
    const auto& [side, path, kind] = change;
    return std::string(1, side) + " " + path + " " + kNames[static_cast<int>(kind)];
}

}  // namespace tvtest
