#include "uimodel/PreviewModel.h"

#include <algorithm>

#include "base/StringTable.h"
#include "platform/Desktop.h"
#include "scan/TreeF.h"
#include "sync/PlanExplain.h"
#include "task/Element.h"
#include "uimodel/ProgressPresenter.h"
#include "uimodel/RunWindowStrings.h"

namespace tv {

namespace {

constexpr const char* kAllFiles = "*.*";

constexpr int kTotalTexts[kPreviewLists] = {
    IDS_RUNWIN_COPY_FROM_SOURCE, IDS_RUNWIN_COPY_FROM_TARGET, IDS_RUNWIN_DELETE_IN_TARGET,
    IDS_RUNWIN_DELETE_IN_SOURCE};

}  // namespace

void PlayPreviewSound(const CElement& task) {
    if (task.m_bPreviewSound && !task.m_strPreviewSound.empty()) {
        PlaySoundFile(task.m_strPreviewSound);
    }
}

std::string GroupThousands(uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return grouped;
}

CPreviewModel::CPreviewModel(const CElement& task, CTreeF& merged, const CPlanBytes& bytes,
                             CPreviewRequest request)
    : m_merged(merged),
      m_bytes(bytes),
      m_request(std::move(request)),
      m_strAsking(TaskCaption(task)),
      m_kind(task.m_Run.Kind()),
      m_bAllSourceRow(m_kind == RunKind::UpdateTarget && task.m_bDeleteSourceAfterRun) {
    Collect(task, merged, {});
    if (m_bAllSourceRow) {
        Rows(PreviewList::DeleteInSource).m_paths.assign(1, kAllFiles);
        Rows(PreviewList::DeleteInSource).m_reasons.assign(1, {});
    }
    for (CRows& rows : m_rows) {
        rows.m_excluded.assign(rows.m_paths.size(), false);
    }
}

// A source record acts only while selected; a target record acts on its action alone.
bool CPreviewModel::Listed(const CFileDoInfo& record, PreviewList& list) const {
    if (record.action == ACTION_NONE || (record.side == Side::Source && !record.selected)) {
        return false;
    }
    const bool deletes = record.action == ACTION_DELETE;
    if (record.side == Side::Source) {
        list = deletes ? PreviewList::DeleteInSource : PreviewList::CopyFromSource;
        return !(deletes && m_bAllSourceRow);
    }
    list = deletes ? PreviewList::DeleteInTarget : PreviewList::CopyFromTarget;
    return true;
}

void CPreviewModel::Collect(const CElement& task, const CTreeF& node, const std::string& folder) {
    const bool thirdPlace = m_kind == RunKind::UpdateTarget && task.Has3(opt3::kAltCopy) &&
                            !task.m_strAltCopyDir.empty();
    for (const CFileDoInfo& record : node.files) {
        PreviewList list{};
        if (Listed(record, list)) {
            Rows(list).m_paths.push_back(folder + record.name);
            Rows(list).m_reasons.push_back(
                ExplainedStep(StepOf(record, m_kind, thirdPlace), ExplainRecord(record, task)));
        }
    }
    for (const auto& sub : node.subfolders) {
        Collect(task, *sub, folder + sub->name + "/");
    }
}

const std::string& CPreviewModel::Reason(PreviewList list, int row) const {
    return Rows(list).m_reasons.at(static_cast<size_t>(row));
}

int CPreviewModel::RowCount(PreviewList list) const {
    return static_cast<int>(Rows(list).m_paths.size());
}

const std::string& CPreviewModel::Row(PreviewList list, int row) const {
    return Rows(list).m_paths.at(static_cast<size_t>(row));
}

bool CPreviewModel::IsExcluded(PreviewList list, int row) const {
    return Rows(list).m_excluded.at(static_cast<size_t>(row));
}

std::string CPreviewModel::TotalText(PreviewList list) const {
    const uint64_t totals[kPreviewLists] = {m_bytes.m_copyFromSource, m_bytes.m_copyFromTarget,
                                            m_bytes.m_deleteInTarget, m_bytes.m_deleteInSource};
    const int index = static_cast<int>(list);
    return FormatText(LoadString(kTotalTexts[index]).c_str(),
                      GroupThousands(totals[index]).c_str());
}

void CPreviewModel::Toggle(PreviewList list, const std::vector<int>& rows) {
    if (list == PreviewList::DeleteInSource && m_bAllSourceRow) {
        return;
    }
    std::vector<int> unique = rows;
    std::sort(unique.begin(), unique.end());
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    std::vector<bool>& excluded = Rows(list).m_excluded;
    for (const int row : unique) {
        if (row >= 0 && static_cast<size_t>(row) < excluded.size()) {
            excluded[static_cast<size_t>(row)] = !excluded[static_cast<size_t>(row)];
        }
    }
}

void CPreviewModel::Apply() {
    std::vector<CTreeF*> chain;
    std::array<int, kPreviewLists> next{};
    ApplyTo(m_merged, chain, next);
}

void CPreviewModel::ApplyTo(CTreeF& node, std::vector<CTreeF*>& chain,
                            std::array<int, kPreviewLists>& next) {
    std::vector<CFileDoInfo>& files = node.files;
    size_t kept = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        CFileDoInfo& record = files[i];
        PreviewList list{};
        bool drop = false;
        if (Listed(record, list) && IsExcluded(list, next[static_cast<int>(list)]++)) {
            if (record.action == ACTION_DELETE) {
                KeepFolders(chain, record.side);
            }
            record.selected = false;
            drop = record.side == Side::Target;
        }
        if (drop) {
            continue;
        }
        if (kept != i) {
            files[kept] = std::move(files[i]);
        }
        ++kept;
    }
    files.resize(kept);
    for (const auto& sub : node.subfolders) {
        chain.push_back(sub.get());
        ApplyTo(*sub, chain, next);
        chain.pop_back();
    }
}

// The pass removes a one-sided folder as a whole where the run deletes what lies only on that
// side. Where the folder is never copied to the other side (a target folder under Replace or a
// backup), it is entered like a folder of both sides instead, so that its other planned
// deletions still happen one by one; in a two-way run it is no longer taken for a folder
// deleted since the last synchronization, so that it is copied back as a new one would be.
void CPreviewModel::KeepFolders(const std::vector<CTreeF*>& chain, Side side) const {
    const bool neverCopied =
        side == Side::Target && (m_kind == RunKind::Replace || m_kind == RunKind::UpdateTarget);
    for (CTreeF* folder : chain) {
        bool& oneSided = side == Side::Source ? folder->sourceOnly : folder->targetOnly;
        if (!oneSided) {
            continue;
        }
        if (neverCopied) {
            oneSided = false;
        } else {
            folder->existedAtLastSync = false;
        }
    }
}

}  // namespace tv
