#include "sync/Plan.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "scan/InvestigateJob.h"
#include "scan/SkippedItems.h"
#include "scan/TreeF.h"
#include "sync/PlanDecision.h"
#include "task/Element.h"

namespace tv {

namespace {

template <typename T>
void AppendMoved(std::vector<T>& to, std::vector<T>& from) {
    if (to.empty()) {
        to.swap(from);
        from.clear();
        return;
    }
    to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
    from.clear();
}

// Folds a target folder node into the source node of the same name.
void FoldInto(CTreeF& survivor, CTreeF& other) {
    survivor.sourceOnly = false;
    survivor.targetEmpty = other.targetEmpty;
    survivor.incomplete = survivor.incomplete || other.incomplete;
    AppendMoved(survivor.files, other.files);
    AppendMoved(survivor.subfolders, other.subfolders);
}

class CPlanner {
  public:
    CPlanner(CElement& task, const CPlanRequest& request, CPlanBytes& bytes, CRunBytes& run,
             size_t rootLength)
        : m_task(task),
          m_request(request),
          m_decision(task, request, bytes, run),
          m_nRootLength(rootLength) {}

    void PlanNode(CTreeF& node, const std::string& src, const std::string& dst,
                  CIncomplete incomplete);

  private:
    void PlanFiles(CTreeF& node, const std::string& src, const std::string& dst,
                   CIncomplete incomplete);
    void PairUp(std::vector<CFileDoInfo>& files, size_t targets, const std::string& src,
                const std::string& dst, CIncomplete incomplete);
    void Reorder(std::vector<CFileDoInfo>& files);
    void ReportDropped(const std::vector<CFileDoInfo>& files, const std::string& src) const;
    std::vector<CIncomplete> MergeSubfolders(CTreeF& node, CIncomplete incomplete);

    CElement& m_task;
    const CPlanRequest& m_request;
    CPlanDecision m_decision;
    std::vector<TargetFate> m_fates;  // per record of the folder being planned
    size_t m_nRootLength;             // of the source root, which the folder paths begin with
};

void CPlanner::PlanNode(CTreeF& node, const std::string& src, const std::string& dst,
                        CIncomplete incomplete) {
    m_task.m_Run.ClearDisplayPaths();
    PlanFiles(node, src, dst, incomplete);
    const std::vector<CIncomplete> below = MergeSubfolders(node, incomplete);
    for (size_t i = 0; i < node.subfolders.size(); ++i) {
        CTreeF& sub = *node.subfolders[i];
        PlanNode(sub, JoinPath(src, sub.name), JoinPath(dst, sub.name), below[i]);
    }
    m_decision.DecideFolder(node);
}

void CPlanner::PlanFiles(CTreeF& node, const std::string& src, const std::string& dst,
                         CIncomplete incomplete) {
    std::vector<CFileDoInfo>& files = node.files;
    size_t targets = 0;
    for (CFileDoInfo& record : files) {
        record.matched = false;
        targets += record.side == Side::Source ? 0 : 1;
    }
    m_fates.assign(files.size(), TargetFate::Keep);
    PairUp(files, targets, src, dst, incomplete);
    for (size_t i = files.size(); i-- > 0;) {
        if (files[i].side == Side::Target && m_fates[i] == TargetFate::Keep) {
            m_fates[i] = m_decision.DecideTarget(files[i], incomplete);
        }
    }
    if (m_request.m_pSkipped) {
        ReportDropped(files, src);
    }
    Reorder(files);
}

// A target record of a pair that does nothing is explained by its source twin.
void CPlanner::ReportDropped(const std::vector<CFileDoInfo>& files, const std::string& src) const {
    std::string folder = src.substr(std::min(m_nRootLength, src.size()));
    folder.erase(0, folder.find_first_not_of('/') == std::string::npos
                        ? folder.size()
                        : folder.find_first_not_of('/'));
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i].side == Side::Target && m_fates[i] == TargetFate::Drop && !files[i].matched) {
            CSkippedItem item;
            item.m_strFolder = folder;
            item.m_record = files[i];
            m_request.m_pSkipped->Add(std::move(item));
        }
    }
}

// Each source record meets the target record of its name through a hash of the target names,
// so a folder of any size is paired in one sweep.
void CPlanner::PairUp(std::vector<CFileDoInfo>& files, size_t targets, const std::string& src,
                      const std::string& dst, CIncomplete incomplete) {
    CNameIndex index(m_request.m_match, targets);
    if (targets != 0) {
        for (size_t i = 0; i < files.size(); ++i) {
            if (files[i].side == Side::Target) {
                index.Add(files[i].name, i);
            }
        }
    }
    for (CFileDoInfo& s : files) {
        if (s.side == Side::Target) {
            continue;
        }
        const size_t j = targets != 0 ? index.Take(s.name) : CNameIndex::npos;
        if (j == CNameIndex::npos) {
            m_decision.DecideSourceOnly(s, incomplete);
        } else if (!m_decision.DecidePair(s, files[j], src, dst)) {
            m_fates[j] = TargetFate::Drop;
        }
    }
}

// Target records that delete go first, so that a folder is emptied before it is filled; the
// target records that do nothing leave the tree.
void CPlanner::Reorder(std::vector<CFileDoInfo>& files) {
    bool first = false;
    for (size_t i = 0; i < files.size() && !first; ++i) {
        first = files[i].side == Side::Target && m_fates[i] == TargetFate::KeepFirst;
    }
    std::vector<CFileDoInfo> ordered;
    if (first) {
        ordered.reserve(files.size());
        for (size_t i = 0; i < files.size(); ++i) {
            if (files[i].side == Side::Target && m_fates[i] == TargetFate::KeepFirst) {
                ordered.push_back(std::move(files[i]));
            }
        }
    }
    size_t kept = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i].side == Side::Target && m_fates[i] != TargetFate::Keep) {
            continue;
        }
        if (first) {
            ordered.push_back(std::move(files[i]));
            continue;
        }
        if (kept != i) {
            files[kept] = std::move(files[i]);
        }
        ++kept;
    }
    if (first) {
        files.swap(ordered);
    } else {
        files.resize(kept);
    }
}

// A target folder joins the source folder of its name, found through a hash of the source
// names. Two folders of one side never join: on a case-sensitive side "Dir" and "dir" are two
// folders even when the other side folds case.
std::vector<CIncomplete> CPlanner::MergeSubfolders(CTreeF& node, CIncomplete incomplete) {
    auto& subs = node.subfolders;
    std::vector<CIncomplete> flags(subs.size(), incomplete);
    size_t targets = 0;
    for (size_t i = 0; i < subs.size(); ++i) {
        CTreeF& sub = *subs[i];
        (sub.targetOnly ? flags[i].m_bTarget : flags[i].m_bSource) |= sub.incomplete;
        targets += sub.targetOnly ? 1 : 0;
    }
    if (targets == 0 || targets == subs.size()) {
        return flags;
    }
    // Added backwards, since the index prefers the entry added last: the first folder of the
    // list takes a twin of another spelling, as the first file does.
    CNameIndex index(m_request.m_match, subs.size() - targets);
    for (size_t i = subs.size(); i-- > 0;) {
        if (!subs[i]->targetOnly) {
            index.Add(subs[i]->name, i);
        }
    }
    std::vector<bool> folded(subs.size(), false);
    bool any = false;
    for (size_t i = 0; i < subs.size(); ++i) {
        if (!subs[i]->targetOnly) {
            continue;
        }
        const size_t j = index.Take(subs[i]->name);
        if (j != CNameIndex::npos) {
            flags[j].m_bTarget = flags[j].m_bTarget || subs[i]->incomplete;
            FoldInto(*subs[j], *subs[i]);
            folded[i] = any = true;
        }
    }
    if (any) {
        size_t kept = 0;
        for (size_t i = 0; i < subs.size(); ++i) {
            if (folded[i]) {
                continue;
            }
            if (kept != i) {
                subs[kept] = std::move(subs[i]);
                flags[kept] = flags[i];
            }
            ++kept;
        }
        subs.resize(kept);
        flags.resize(kept);
    }
    return flags;
}

}  // namespace

void MergeRoots(CTreeF& sourceRoot, CTreeF& targetRoot) {
    sourceRoot.targetEmpty = targetRoot.targetEmpty;
    sourceRoot.incomplete = sourceRoot.incomplete || targetRoot.incomplete;
    AppendMoved(sourceRoot.files, targetRoot.files);
    AppendMoved(sourceRoot.subfolders, targetRoot.subfolders);
}

void PlanSynchronization(CElement& task, CTreeF& root, const std::string& srcFolder,
                         const std::string& dstFolder, const CPlanRequest& request,
                         CPlanBytes& bytes, CRunBytes& run) {
    CPlanner planner(task, request, bytes, run, srcFolder.size());
    // Which side of the root was cut short is no longer known after the merge: both count.
    const CIncomplete incomplete{root.incomplete, root.incomplete};
    planner.PlanNode(root, srcFolder, dstFolder, incomplete);
}

}  // namespace tv
