#include "sync/PlanDecision.h"

#include "base/StringTable.h"
#include "scan/FileDoInfo.h"
#include "scan/InvestigateJob.h"
#include "scan/RunPrompts.h"
#include "scan/TreeF.h"
#include "sync/Compare.h"
#include "sync/SinceLastSync.h"
#include "task/Element.h"

namespace tv {

namespace {

std::string Fill(int id, const std::string& a, const std::string& b) {
    return FormatText(LoadString(id).c_str(), a.c_str(), b.c_str());
}

}  // namespace

CPlanDecision::CPlanDecision(CElement& task, const CPlanRequest& request, CPlanBytes& bytes,
                             CRunBytes& run)
    : m_task(task), m_request(request), m_bytes(bytes), m_run(run), m_kind(task.m_Run.Kind()) {}

bool CPlanDecision::Has(uint32_t bit) const {
    return m_task.Has1(bit);
}

bool CPlanDecision::ChangedSinceLastSync(const CFileDoInfo& record) const {
    return tv::ChangedSinceLastSync(record, m_request.m_lastSync);
}

bool CPlanDecision::DeletesSinceLastSync() const {
    return m_kind == RunKind::Synchronize && m_task.Has3(opt3::kDeleteNewBeforeLastSync);
}

// A one-sided folder with no file below it was never made on the other side when the task
// does not create empty folders: its twin cannot have been deleted.
void CPlanDecision::DecideFolder(CTreeF& folder) const {
    const bool neverMade = m_task.Has1(opt1::kNoEmptyFolders) &&
                           (folder.sourceOnly ? folder.sourceEmpty : folder.targetEmpty);
    folder.existedAtLastSync = DeletesSinceLastSync() && folder.sourceOnly != folder.targetOnly &&
                               !neverMade && FolderExistedAtLastSync(folder, m_request.m_lastSync);
}

void CPlanDecision::Act(CFileDoInfo& record, FileAction action, uint64_t& counter) {
    record.selected = true;
    record.action = action;
    counter += record.size;
    m_run.m_total += record.size;
}

void CPlanDecision::ActSource(CFileDoInfo& s, FileAction action) {
    Act(s, action, m_bytes.m_copyFromSource);
}

// The question is put only where someone watches the run and both sides have news.
Conflict CPlanDecision::Ask(const CFileDoInfo& s, const CFileDoInfo& t,
                            const std::string& srcFolder, const std::string& dstFolder,
                            Side winner) {
    const bool asks = (m_task.m_Run.Preferences() & pref::kConfirmConflicts) &&
                      !m_task.Has2(opt2::kSilent) && m_request.m_lastSync.Known() &&
                      ChangedSinceLastSync(s) && ChangedSinceLastSync(t);
    if (!asks) {
        return Conflict::NotAsked;
    }
    const std::string srcPath = JoinPath(srcFolder, s.name);
    const std::string dstPath = JoinPath(dstFolder, t.name);
    LogRunError(m_task, Fill(IDS_BOTH_CHANGED, srcPath, dstPath));
    const std::string question = Fill(
        winner == Side::Source ? IDS_OVERWRITE_TARGET : IDS_OVERWRITE_SOURCE, srcPath, dstPath);
    return AskYesNo(m_task, question) == PromptAnswer::Yes ? Conflict::Accepted : Conflict::Refused;
}

bool CPlanDecision::DecidePair(CFileDoInfo& s, CFileDoInfo& t, const std::string& srcFolder,
                               const std::string& dstFolder) {
    s.otherLastWrite = t.lastWrite;
    t.otherLastWrite = s.lastWrite;
    s.otherSize = t.size;
    t.otherSize = s.size;
    s.matched = t.matched = true;
    const int r = CompareFiles(m_task, s, t, srcFolder, dstFolder, m_request.m_bSourceIsFtp,
                               m_request.m_bTargetIsFtp, m_request.m_fs);
    s.reason = r == COMPARE_EQUAL ? PlanReason::Equal : PlanReason::AttributesDiffer;
    switch (m_kind) {
        case RunKind::Synchronize:
            return DecideTwoWay(s, t, r, srcFolder, dstFolder);
        case RunKind::UpdateTarget:
            DecideUpdate(s, t, r, srcFolder, dstFolder);
            return false;
        case RunKind::Replace:
            if (r != COMPARE_EQUAL) {
                const Conflict answer = Ask(s, t, srcFolder, dstFolder, Side::Source);
                if (answer != Conflict::Refused) {
                    const bool attributesOnly =
                        r == COMPARE_ATTRIBUTES_DIFFER && answer == Conflict::Accepted;
                    ActSource(s, attributesOnly ? ACTION_COPY_ATTRIBUTES : ACTION_COPY);
                    s.reason = r == COMPARE_ATTRIBUTES_DIFFER ? PlanReason::AttributesDiffer
                                                              : PlanReason::ReplaceDiffers;
                } else {
                    s.reason = PlanReason::ConflictRefused;
                }
            }
            return false;
        case RunKind::EqualizeToSource:
            if (r != COMPARE_EQUAL && s.size == t.size) {
                Act(s, ACTION_COPY_TIMESTAMP, m_uncounted);
                s.reason = PlanReason::TimesDiffer;
            } else if (r != COMPARE_EQUAL) {
                s.reason = PlanReason::SizesDiffer;
            }
            return false;
        case RunKind::EqualizeToTarget:
            if (r != COMPARE_EQUAL && s.size == t.size) {
                t.selected = true;
                t.action = ACTION_COPY_TIMESTAMP;
                t.reason = PlanReason::TimesDiffer;
                s.reason = PlanReason::None;  // the target record speaks for the pair
                return true;
            }
            s.reason = r != COMPARE_EQUAL ? PlanReason::SizesDiffer : PlanReason::Equal;
            return false;
        case RunKind::Restore:
            if (r == COMPARE_SOURCE_NEWER) {
                t.selected = true;
                t.action = ACTION_COPY;
                t.reason = PlanReason::RestoreSourceNewer;
                s.reason = PlanReason::None;
                return true;
            }
            s.reason = r == COMPARE_TARGET_NEWER ? PlanReason::TargetNewerKept : s.reason;
            return false;
        default:
            return false;
    }
}

bool CPlanDecision::DecideTwoWay(CFileDoInfo& s, CFileDoInfo& t, int r,
                                 const std::string& srcFolder, const std::string& dstFolder) {
    if (r != COMPARE_SOURCE_NEWER && r != COMPARE_TARGET_NEWER) {
        return false;
    }
    const Side winner = r == COMPARE_SOURCE_NEWER ? Side::Source : Side::Target;
    if (Ask(s, t, srcFolder, dstFolder, winner) == Conflict::Refused) {
        s.reason = PlanReason::ConflictRefused;
        return false;
    }
    if (winner == Side::Source) {
        ActSource(s, ACTION_COPY);
        s.reason = PlanReason::SourceWins;
        return false;
    }
    t.selected = true;
    t.action = ACTION_COPY;
    t.reason = PlanReason::TargetWins;
    s.reason = PlanReason::None;  // the target record speaks for the pair
    return true;
}

void CPlanDecision::DecideUpdate(CFileDoInfo& s, const CFileDoInfo& t, int r,
                                 const std::string& srcFolder, const std::string& dstFolder) {
    const bool onlyNewer = Has(opt1::kOnlyIfTargetNewer);
    const bool sourceNewerCopies =
        r == COMPARE_SOURCE_NEWER && (!onlyNewer || m_task.m_nCompareMode != COMPARE_TIME);
    if (sourceNewerCopies || (r == COMPARE_TARGET_NEWER && onlyNewer)) {
        if (onlyNewer || Ask(s, t, srcFolder, dstFolder, Side::Source) != Conflict::Refused) {
            ActSource(s, ACTION_COPY);
            s.reason = sourceNewerCopies ? PlanReason::SourceWins : PlanReason::TargetNewerWanted;
        } else {
            s.reason = PlanReason::ConflictRefused;
        }
    } else if (r == COMPARE_ATTRIBUTES_DIFFER && !onlyNewer) {
        ActSource(s, ACTION_COPY_ATTRIBUTES);
    } else if (r == COMPARE_SOURCE_NEWER) {
        s.reason = PlanReason::SourceNewerUnwanted;
    } else if (r == COMPARE_TARGET_NEWER) {
        s.reason = PlanReason::TargetNewerKept;
    }
}

void CPlanDecision::DecideSourceOnly(CFileDoInfo& s, CIncomplete incomplete) {
    switch (m_kind) {
        case RunKind::Synchronize:
            if (DeletesSinceLastSync() && !incomplete.Any() &&
                ExistedAtLastSync(s, m_request.m_lastSync)) {
                Act(s, ACTION_DELETE, m_bytes.m_deleteInSource);
                s.reason = PlanReason::DeletedFromTarget;
                return;
            }
            break;
        case RunKind::UpdateTarget:
            if (Has(opt1::kOnlyIfOnTarget)) {
                s.reason = PlanReason::NotOnTarget;
                return;
            }
            break;
        case RunKind::Replace:
        case RunKind::EqualizeToTarget:
            break;
        default:
            s.reason = PlanReason::OneSidedKept;
            return;
    }
    // A target listing that was cut short may hold this file unseen; it is not overwritten.
    if (!incomplete.m_bTarget) {
        ActSource(s, ACTION_COPY);
        s.reason = PlanReason::OnlyInSource;
    } else {
        s.reason = PlanReason::ListingCut;
    }
}

TargetFate CPlanDecision::DecideTarget(CFileDoInfo& t, CIncomplete incomplete) {
    const bool deletes = m_kind == RunKind::Replace ||
                         (m_kind == RunKind::UpdateTarget && Has(opt1::kDeleteFromTarget));
    if (deletes) {
        if (incomplete.Any()) {
            t.reason = PlanReason::ListingCut;
            return TargetFate::Drop;
        }
        Act(t, ACTION_DELETE, m_bytes.m_deleteInTarget);
        t.reason =
            m_kind == RunKind::Replace ? PlanReason::ReplaceRemoves : PlanReason::DeleteFromTarget;
        return TargetFate::KeepFirst;
    }
    if (m_kind == RunKind::UpdateTarget) {
        t.reason = PlanReason::TargetKept;
        return TargetFate::Drop;
    }
    if (m_kind == RunKind::EqualizeToSource ||
        (m_kind == RunKind::EqualizeToTarget && !t.matched)) {
        t.reason = PlanReason::OneSidedKept;
        return TargetFate::Drop;
    }
    if (m_kind != RunKind::Synchronize && m_kind != RunKind::Restore &&
        m_kind != RunKind::EqualizeToTarget) {
        return TargetFate::Drop;
    }
    if (DeletesSinceLastSync() && !t.matched && !incomplete.Any() &&
        ExistedAtLastSync(t, m_request.m_lastSync)) {
        Act(t, ACTION_DELETE, m_bytes.m_deleteInTarget);
        t.reason = PlanReason::DeletedFromSource;
        return TargetFate::Keep;
    }
    // A source listing that was cut short may hold this file unseen; it is not overwritten.
    if (!t.matched && incomplete.m_bSource) {
        t.reason = PlanReason::ListingCut;
        return TargetFate::Drop;
    }
    const FileAction action =
        m_kind == RunKind::EqualizeToTarget ? ACTION_COPY_TIMESTAMP : ACTION_COPY;
    Act(t, action, m_bytes.m_copyFromTarget);
    if (!t.matched) {
        t.reason = PlanReason::OnlyInTarget;
    }
    return TargetFate::Keep;
}

}  // namespace tv
