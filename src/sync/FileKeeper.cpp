#include "sync/FileKeeper.h"

#include <algorithm>
#include <cerrno>

#include "base/PathText.h"
#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Trash.h"
#include "scan/InvestigateJob.h"

namespace tv {

namespace {

constexpr int64_t kSecondsPerDay = 86400;
// A kept file whose name the run folder holds already (two targets share a root, or a file is
// replaced twice in one run) gets a number; past this many the keep fails rather than replace.
constexpr int kMaxNameTries = 1000;

COpStatus Status(int err) {
    return err == 0 ? COpStatus{OpResult::Done, 0} : COpStatus{OpResult::Failed, err};
}

bool Below(const std::string& path, const std::string& root) {
    if (root.empty() || path.size() <= root.size() || path.compare(0, root.size(), root) != 0) {
        return false;
    }
    return root.back() == '/' || path[root.size()] == '/';
}

void RemoveTree(IFileSystem& fs, const std::string& folder) {
    std::vector<std::string> names;
    if (fs.ListNames(folder, names) != 0) {
        return;
    }
    for (const std::string& name : names) {
        const std::string path = JoinPath(folder, name);
        CFileInfo st;
        if (fs.Stat(path, st, LinkMode::NoFollow) != 0) {
            continue;
        }
        if (st.m_type == EntryType::Folder && !st.m_bSymlink) {
            RemoveTree(fs, path);
        } else {
            fs.Unlink(path);
        }
    }
    fs.RemoveFolder(folder);
}

}  // namespace

CFileKeeper::CFileKeeper(IFileSystem& fs, KeepMode mode, std::string runName)
    : m_fs(fs), m_mode(mode), m_strRunName(std::move(runName)) {}

void CFileKeeper::AddRoot(const std::string& root, SideReach reach) {
    CRoot added;
    added.m_path = root;
    added.m_bTrash = m_mode == KeepMode::Trash && reach == SideReach::Local;
    added.m_bKeeps = reach == SideReach::Local;
    if (!added.m_bKeeps) {
        Note(FormatText(LoadString(IDS_KEPT_NOWHERE).c_str(), root.c_str()));
    }
    m_roots.push_back(std::move(added));
    // A root inside the other one must win for the paths below it.
    std::sort(m_roots.begin(), m_roots.end(),
              [](const CRoot& a, const CRoot& b) { return a.m_path.size() > b.m_path.size(); });
}

const CFileKeeper::CRoot* CFileKeeper::RootOf(const std::string& path) const {
    for (const CRoot& root : m_roots) {
        if (Below(path, root.m_path)) {
            return &root;
        }
    }
    return nullptr;
}

bool CFileKeeper::Keeps(const std::string& path) const {
    const CRoot* root = RootOf(path);
    return root && root->m_bKeeps;
}

COpStatus CFileKeeper::Keep(const std::string& path) {
    const CRoot* root = RootOf(path);
    if (!root || !root->m_bKeeps) {
        return Status(EINVAL);
    }
    if (root->m_bTrash) {
        std::string trash;
        const int err = MoveToTrash(path, trash);
        if (err == 0 || err == ENOENT) {
            if (err == 0) {
                Note(trash);
            }
            return Status(err);
        }
        NoteTrashPassedOver(*root, SystemErrorText(err));
    }
    return KeepInVersions(*root, path);
}

void CFileKeeper::NoteTrashPassedOver(const CRoot& root, const std::string& why) {
    const std::string place =
        JoinPath(JoinPath(root.m_path, std::string(kVersionsFolderName)), m_strRunName);
    Note(FormatText(LoadString(IDS_KEPT_TRASH_PASSED_OVER).c_str(), place.c_str(), why.c_str()));
}

COpStatus CFileKeeper::KeepInVersions(const CRoot& root, const std::string& path) {
    const size_t skip = root.m_path.back() == '/' ? root.m_path.size() : root.m_path.size() + 1;
    const std::string relative = path.substr(skip);
    const std::string run = std::string(kVersionsFolderName) + "/" + m_strRunName;
    const size_t slash = relative.rfind('/');
    const std::string folder =
        slash == std::string::npos ? run : run + "/" + relative.substr(0, slash);
    if (const int err = MakeFolders(root.m_path, folder); err != 0) {
        return Status(err);
    }
    const std::string kept = JoinPath(root.m_path, run + "/" + relative);
    std::string dest = kept;
    CFileInfo st;
    for (int n = 2; m_fs.Stat(dest, st, LinkMode::NoFollow) == 0; ++n) {
        if (n > kMaxNameTries) {
            return Status(EEXIST);
        }
        dest = kept + "~" + std::to_string(n);
    }
    if (const int err = m_fs.Rename(path, dest); err != 0) {
        return Status(err);
    }
    Note(JoinPath(root.m_path, run));
    return Status(0);
}

// Each level below `base`, made once per run; one that is there already is taken as it is.
int CFileKeeper::MakeFolders(const std::string& base, const std::string& relativeFolder) {
    for (size_t end = relativeFolder.find('/');; end = relativeFolder.find('/', end + 1)) {
        const std::string folder = JoinPath(base, relativeFolder.substr(0, end));
        if (m_madeFolders.insert(folder).second) {
            const int err = m_fs.MakeFolder(folder);
            if (err != 0 && err != EEXIST) {
                m_madeFolders.erase(folder);
                return err;
            }
        }
        if (end == std::string::npos) {
            return 0;
        }
    }
}

void CFileKeeper::Note(std::string line) {
    if (std::find(m_places.begin(), m_places.end(), line) == m_places.end()) {
        m_places.push_back(std::move(line));
    }
}

void PruneVersions(IFileSystem& fs, const std::string& root, int days, int64_t now) {
    const std::string versions = JoinPath(root, std::string(kVersionsFolderName));
    std::vector<std::string> runs;
    if (fs.ListNames(versions, runs) != 0) {
        return;
    }
    const int64_t oldest = now - static_cast<int64_t>(days) * kSecondsPerDay;
    for (const std::string& name : runs) {
        const std::optional<int64_t> started = VersionsRunTime(name);
        if (started && *started < oldest) {
            RemoveTree(fs, JoinPath(versions, name));
        }
    }
}

}  // namespace tv
