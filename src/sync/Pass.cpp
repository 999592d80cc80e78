#include "sync/Pass.h"

#include <cerrno>

#include "base/PathText.h"
#include "base/StringTable.h"
#include "scan/InvestigateJob.h"
#include "scan/TreeF.h"
#include "sync/FolderPlan.h"
#include "task/Element.h"

namespace tv {

namespace {

bool ChangesSource(const CElement& task, RunKind kind) {
    return kind == RunKind::Synchronize || kind == RunKind::Restore ||
           kind == RunKind::EqualizeToTarget ||
           (kind == RunKind::UpdateTarget && task.m_bDeleteSourceAfterRun);
}

}  // namespace

CPassRequest CPassRequest::Local(const CElement& task, std::string source, std::string target,
                                 bool lastTarget) {
    CPassRequest request;
    request.m_strSource = std::move(source);
    request.m_strTarget = std::move(target);
    if (task.Has3(opt3::kAltCopy)) {
        request.m_strThirdPlace = task.m_strAltCopyDir;
    }
    request.m_bLastTarget = lastTarget;
    return request;
}

CSyncPass::CSyncPass(CElement& task, CPassRequest request, CRunBytes& bytes, IFileSystem& fs)
    : m_task(task),
      m_request(std::move(request)),
      m_bytes(bytes),
      m_fs(fs),
      m_fileOps(task, fs),
      m_policy(task, &bytes),
      m_kind(task.m_Run.Kind()),
      m_bSilent(task.Has2(opt2::kSilent)),
      m_bThirdPlace(m_kind == RunKind::UpdateTarget && !m_request.m_strThirdPlace.empty()),
      m_bChangesSource(ChangesSource(task, m_kind)),
      m_bChangesTarget(m_kind != RunKind::Restore),
      m_targetCase(m_request.m_targetMedium == SideMedium::Ftp ? TargetNameCase(task)
                                                               : NameCase::Keep) {
    m_fileOps.KeepThrough(m_request.m_pKeeper);
}

bool CSyncPass::Run(CTreeF& root) {
    const auto unsupported = [](SideMedium medium) {
        return medium == SideMedium::Archive || medium == SideMedium::Disc;
    };
    if (unsupported(m_request.m_sourceMedium) || unsupported(m_request.m_targetMedium)) {
        const bool source = unsupported(m_request.m_sourceMedium);
        const std::string& path = source ? m_request.m_strSource : m_request.m_strTarget;
        m_policy.LogError(FormatText(LoadString(IDS_CANT_OPEN).c_str(), path.c_str()));
        return false;
    }
    CPaths paths{m_request.m_strSource, m_request.m_strTarget,
                 m_bThirdPlace ? m_request.m_strThirdPlace : std::string()};
    if (m_bThirdPlace && !EnsureFolders(paths.m_third, CTaskInfor::ListCount)) {
        return false;
    }
    if (!CheckRoot(paths.m_src, Side::Source) || !CheckRoot(paths.m_dst, Side::Target)) {
        return false;
    }
    m_thirdReady = paths.m_third;
    m_sourceGuard.emplace(m_fs, paths.m_src);
    m_targetGuard.emplace(m_fs, paths.m_dst);
    ITaskObserver* observer = m_task.m_Run.Observer();
    if (observer && !m_bSilent) {
        observer->Status(IDS_COPYING_FILES);
    }
    return PassFolder(root, paths, root.incomplete);
}

// A root that is a file stands for the folder that holds it.
bool CSyncPass::CheckRoot(std::string& path, Side side) {
    CFileInfo st;
    const int err = m_fs.Stat(path, st, LinkMode::Follow);
    if (err == 0 && st.m_type == EntryType::Folder) {
        return true;
    }
    if (err == 0 && st.m_type == EntryType::File) {
        path = FolderOf(path);
        return true;
    }
    if (side == Side::Target && err == ENOENT && m_task.Has3(opt3::kCreateTarget)) {
        return EnsureFolders(path, CTaskInfor::FoldersCreatedInTarget);
    }
    m_policy.LogError(FormatText(LoadString(IDS_CANT_OPEN).c_str(), path.c_str()));
    return false;
}

// Creates `path` with every missing folder above it; `createdList` (ListCount: none) gets a
// line per folder made.
bool CSyncPass::EnsureFolders(const std::string& path, CTaskInfor::List createdList) {
    for (size_t end = path.find('/', RemoteRootLength(path) + 1);; end = path.find('/', end + 1)) {
        const std::string prefix = path.substr(0, end);
        CFileInfo st;
        if (!prefix.empty() && m_fs.Stat(prefix, st, LinkMode::Follow) == ENOENT) {
            const COpStatus made = m_fileOps.CreateFolder(prefix);
            if (!made.Ok() && made.m_error != EEXIST) {
                m_policy.LogError(
                    FormatText(LoadString(IDS_CANT_CREATE_DIR).c_str(), prefix.c_str()));
                return false;
            }
            if (made.Ok() && createdList != CTaskInfor::ListCount) {
                const std::string line =
                    FormatText(LoadString(IDS_FOLDER_CREATED).c_str(), prefix.c_str());
                LogChange(createdList, line, line);
            }
        }
        if (end == std::string::npos) {
            return true;
        }
    }
}

bool CSyncPass::PassFolder(CTreeF& node, const CPaths& paths, bool belowIncomplete) {
    belowIncomplete = belowIncomplete || node.incomplete;
    CTargetNames names;
    if (!PassFiles(node, paths, belowIncomplete, names)) {
        return false;
    }
    // A folder on both sides has its twin: a new one of the same name on the target would be
    // a second folder there, so it is the new one that gives way.
    for (const auto& sub : node.subfolders) {
        if (!sub->sourceOnly && !sub->targetOnly) {
            ClaimTargetName(sub->name, names);
        }
    }
    for (auto& sub : node.subfolders) {
        if (m_bCanceled || IsTaskCanceled(m_task)) {
            m_bCanceled = true;
            return true;
        }
        if (!PassSubfolder(*sub, paths, belowIncomplete, names)) {
            return false;
        }
    }
    return true;
}

// A target-only folder keeps the name it has there, and so does a folder on both sides; a new
// one gets the name the target gives it.
bool CSyncPass::PassSubfolder(CTreeF& sub, const CPaths& parent, bool belowIncomplete,
                              CTargetNames& names) {
    const std::string dstName = sub.targetOnly   ? sub.name
                                : sub.sourceOnly ? TargetName(sub.name)
                                                 : MergedTargetName(sub.name, parent.m_dst, names);
    const CPaths paths{JoinPath(parent.m_src, sub.name), JoinPath(parent.m_dst, dstName),
                       parent.m_third.empty() ? std::string() : JoinPath(parent.m_third, sub.name)};
    if (sub.sourceOnly && !ClaimTargetName(dstName, names)) {
        LogNameTaken(paths.m_src, paths.m_dst);
        PassOver(sub);
        return m_task.m_Run.Policy() != ErrorPolicy::Stop;
    }
    bool usable = true;
    if ((sub.sourceOnly || sub.targetOnly) &&
        !OneSidedFolder(sub, paths, belowIncomplete, usable)) {
        return false;
    }
    if (!EntersFolder(m_task, m_kind, sub, usable) || LeavesRoots(paths)) {
        PassOver(sub);
        return true;
    }
    return PassFolder(sub, paths, belowIncomplete);
}

// One lstat per side that the run changes; only a link costs more.
bool CSyncPass::LeavesRoots(const CPaths& paths) {
    return (m_bChangesSource && LeavesRoot(paths.m_src, Side::Source)) ||
           (m_bChangesTarget && LeavesRoot(paths.m_dst, Side::Target));
}

bool CSyncPass::LeavesRoot(const std::string& path, Side side) {
    CLinkGuard& guard = side == Side::Source ? *m_sourceGuard : *m_targetGuard;
    const std::optional<std::string> resolved = guard.Outside(path);
    if (resolved) {
        m_policy.LogError(FormatText(LoadString(IDS_LINK_LEAVES_ROOT).c_str(), path.c_str(),
                                     resolved->c_str(), guard.Root().c_str()));
    }
    return resolved.has_value();
}

bool CSyncPass::OneSidedFolder(CTreeF& sub, const CPaths& paths, bool belowIncomplete,
                               bool& usable) {
    const CFolderDecision decision = DecideOneSidedFolder(
        m_task, m_kind, sub, RemovalBlocked(sub, belowIncomplete), m_bThirdPlace);
    usable = decision.m_step == FolderStep::Enter;
    const std::string& path = decision.m_side == Side::Source ? paths.m_src : paths.m_dst;
    switch (decision.m_step) {
        case FolderStep::Create:
            return CreateFolder(sub, path, decision.m_side, usable);
        case FolderStep::Remove:
            return RemoveFolder(sub, path, decision.m_side);
        default:
            return true;
    }
}

bool CSyncPass::CreateFolder(CTreeF& sub, const std::string& path, Side side, bool& usable) {
    const CPolicyOutcome outcome = m_policy.Perform(FileOpKind::CreateFolder, path, 0,
                                                    [&] { return m_fileOps.CreateFolder(path); });
    sub.processed = outcome.m_bDone;
    usable = outcome.m_bDone;
    if (outcome.m_bDone) {
        const std::string line = FormatText(LoadString(IDS_FOLDER_CREATED).c_str(), path.c_str());
        LogChange(side == Side::Source ? CTaskInfor::FoldersCreatedInSource
                                       : CTaskInfor::FoldersCreatedInTarget,
                  line, line);
    }
    return outcome.m_bGoOn;
}

// The recursive delete removes only what the scan saw there, re-checked, and logs what it
// removes and what it keeps.
bool CSyncPass::RemoveFolder(CTreeF& sub, const std::string& path, Side side) {
    bool removed = false;
    const bool goOn = m_fileOps.DeleteRecursively(path, side, sub, &removed);
    sub.processed = removed;
    return goOn;
}

// A folder the pass does not enter still counts its planned bytes as done, so that the
// progress bar reaches its end.
void CSyncPass::PassOver(const CTreeF& sub) {
    for (const CFileDoInfo& record : sub.files) {
        if (record.side == Side::Source ? record.selected : record.action != ACTION_NONE) {
            m_bytes.m_done += record.size;
        }
    }
    for (const auto& child : sub.subfolders) {
        PassOver(*child);
    }
}

}  // namespace tv
