#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "run/Preview.h"
#include "sync/Plan.h"
#include "task/Options.h"
#include "task/Side.h"

namespace tv {

class CElement;
class CFileDoInfo;
class CTreeF;

// The four lists of the preview, in the order the window shows them.
enum class PreviewList : int { CopyFromSource, CopyFromTarget, DeleteInTarget, DeleteInSource };
inline constexpr int kPreviewLists = 4;

// The task's sound for an opening preview, when it has one. Returns at once: the sound plays
// on its own.
void PlayPreviewSound(const CElement& task);

// `value` in decimal, grouped in threes from the right with ",": 1234567 gives "1,234,567".
std::string GroupThousands(uint64_t value);

// The planned actions of one target as the preview shows them, and the user's exclusions.
// It refers to the merged tree of the run without owning it; the run's worker waits while the
// preview is open, so nothing else touches the tree. GUI thread (or the worker itself).
class CPreviewModel {
  public:
    CPreviewModel(const CElement& task, CTreeF& merged, const CPlanBytes& bytes,
                  CPreviewRequest request);

    const std::string& Caption() const { return m_request.m_strCaption; }
    // Where the files this run deletes or replaces go; empty when they are gone for good.
    const std::string& KeepNote() const { return m_request.m_strKeepNote; }
    // The task whose run asks, "Task: <name> (<id>)": several previews may be open at once.
    const std::string& Asking() const { return m_strAsking; }
    int RowCount(PreviewList list) const;
    // The path of the row's file relative to its side's root.
    const std::string& Row(PreviewList list, int row) const;
    // Why the row's action was planned, as the dry run says it: "copy to target: newer in
    // source by 3 s". Empty for the lone "*.*" row.
    const std::string& Reason(PreviewList list, int row) const;
    bool IsExcluded(PreviewList list, int row) const;
    // "Will be copied from source: 1,234 byte" and the like.
    std::string TotalText(PreviewList list) const;

    // Select/Unselect and the double click: each of `rows` that was excluded is included again,
    // each other one excluded. The lone "*.*" row of the source deletions after a backup
    // stands for the task's option, which a preview cannot switch off, and stays as it is.
    void Toggle(PreviewList list, const std::vector<int>& rows);

    // OK: takes the excluded actions out of the tree, walking it in the order the lists were
    // filled. An excluded source action leaves its record unselected; an excluded target
    // record leaves the tree. A one-sided folder holding an excluded deletion is no longer
    // removed as a whole, which would take the kept file with it.
    void Apply();

  private:
    struct CRows {
        std::vector<std::string> m_paths;
        std::vector<std::string> m_reasons;
        std::vector<bool> m_excluded;
    };

    bool Listed(const CFileDoInfo& record, PreviewList& list) const;
    void Collect(const CElement& task, const CTreeF& node, const std::string& folder);
    void ApplyTo(CTreeF& node, std::vector<CTreeF*>& chain, std::array<int, kPreviewLists>& next);
    void KeepFolders(const std::vector<CTreeF*>& chain, Side side) const;
    CRows& Rows(PreviewList list) { return m_rows[static_cast<int>(list)]; }
    const CRows& Rows(PreviewList list) const { return m_rows[static_cast<int>(list)]; }

    CTreeF& m_merged;
    const CPlanBytes m_bytes;
    const CPreviewRequest m_request;
    const std::string m_strAsking;
    const RunKind m_kind;
    const bool m_bAllSourceRow;  // the source deletions are the single row "*.*"
    std::array<CRows, kPreviewLists> m_rows;
};

}  // namespace tv
