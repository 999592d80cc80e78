#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "sync/FileOperations.h"
#include "task/KeepSettings.h"

namespace tv {

class IFileSystem;

// How a side's files can be kept: a folder of this machine renames them into the trash or the
// versions folder; a remote site renames only the uploads it completes, so it keeps nothing.
enum class SideReach : uint8_t { Local, Remote };

// Where the files that a run deletes or overwrites go instead of nowhere: the desktop's trash
// or the versions folder of the side's root ("<root>/.twinvale-versions/<run>/<relative path>").
// Where the trash cannot take a file, the versions folder does; a remote side keeps nothing,
// and its files are deleted as before. One object per target and run,
// used by the pass on the run's worker thread only.
class CFileKeeper {
  public:
    CFileKeeper(IFileSystem& fs, KeepMode mode, std::string runName);

    // A side root whose files this keeper keeps. Never blocks.
    void AddRoot(const std::string& root, SideReach reach);

    // Whether a file at `path` is kept rather than deleted: it lies below a root that can keep.
    bool Keeps(const std::string& path) const;
    // Moves the file or link `path` (Keeps is true) out of the way, into the trash or else the
    // versions folder; it never copies. Failed (with the errno) leaves the file where it was.
    // Blocks on disk I/O; not cancelable.
    COpStatus Keep(const std::string& path);

    // One line for each place that took files so far, and for each root that could keep none
    // or had to pass the trash over, saying why. In the order they first happened.
    const std::vector<std::string>& Places() const { return m_places; }

  private:
    struct CRoot {
        std::string m_path;
        bool m_bKeeps = false;  // the trash or the versions folder can take its files
        bool m_bTrash = false;
    };

    const CRoot* RootOf(const std::string& path) const;
    COpStatus KeepInVersions(const CRoot& root, const std::string& path);
    int MakeFolders(const std::string& base, const std::string& relativeFolder);
    void NoteTrashPassedOver(const CRoot& root, const std::string& why);
    void Note(std::string line);

    IFileSystem& m_fs;
    KeepMode m_mode;
    std::string m_strRunName;
    std::vector<CRoot> m_roots;
    std::unordered_set<std::string> m_madeFolders;
    std::vector<std::string> m_places;
};

// Removes the run folders of `root`'s versions folder that are older than `days` before `now`
// (Unix seconds), with everything in them; folders of other names stay. Failures are passed
// over: the next run tries again. Blocks on disk I/O; the run's worker thread.
void PruneVersions(IFileSystem& fs, const std::string& root, int days, int64_t now);

}  // namespace tv
