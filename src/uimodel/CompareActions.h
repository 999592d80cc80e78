#pragma once

#include <string>
#include <vector>

#include "uimodel/CompareModel.h"

namespace tv {

// What the user can do with the rows picked in the comparison window.
enum class CompareAction { CopyToRight, CopyToLeft, DeleteLeft, DeleteRight };

// A row picked by the user, as the window names it: rows are found again by where they lie
// on the left, which a new listing keeps.
struct CRowKey {
    std::string m_strPath;
    bool m_bFolder = false;

    bool operator==(const CRowKey&) const = default;
};

struct CActionOutcome {
    size_t m_nDone = 0;  // files copied and items deleted
    bool m_bCanceled = false;
    std::vector<std::string> m_errors;  // in the engine's words, as a run's log has them
};

// The rows the keys name, in tree order, without those below another picked folder (the
// folder's action covers them). Pure.
std::vector<size_t> PickedRows(const std::vector<CCompareRow>& rows,
                               const std::vector<CRowKey>& picked);

// The question asked before a delete: how many items go, and from which side. Pure.
std::string DeleteQuestion(const std::vector<CCompareRow>& rows, const std::vector<size_t>& picked,
                           CompareAction action);

// Copies or deletes the picked rows through the engine's file operations, under the error
// handling of a run that continues after errors. A copy goes through a temporary file renamed
// into place; a file whose destination changed since the listing is left alone, and a delete
// removes only what the listing saw. Folders are created where missing; a picked folder is
// copied or deleted with what the listing saw in it; files marked the same are not copied
// again. Blocks on disk I/O; the working thread; cancelable between items through `control`.
CActionOutcome PerformCompareAction(const CCompareArgs& args, CompareAction action,
                                    const std::vector<CCompareRow>& rows,
                                    const std::vector<size_t>& picked, IFileSystem& fs,
                                    CCompareControl* control);

// Lists the picked rows again (a folder with what it holds, a file with its folder's other
// picked files) and puts what is there now in their place, with the counts to match. A row
// that neither side has any more goes. Blocks on the listing; the working thread.
void RecompareRows(const CCompareArgs& args, ContentCheck check, const std::vector<CRowKey>& picked,
                   IFileSystem& fs, CCompareResult& result);

}  // namespace tv
