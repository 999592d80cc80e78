#include <map>
#include <set>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "uimodel/CompareActions.h"
#include "uimodel/CompareListing.h"

namespace tv {

namespace {

using CReplacements = std::map<size_t, std::vector<CCompareRow>>;

// A copy makes the folders above what it copies, so a folder row above a changed row is
// looked at again. Deletes never remove more than what was picked.
void CheckPresence(CCompareTask& compare, CCompareRow& folder) {
    IFileSystem& fs = compare.Fs();
    folder.m_bLeft =
        folder.m_bLeft || IsFolder(fs, BelowRoot(compare.LeftRoot(), folder.m_strPath));
    folder.m_bRight =
        folder.m_bRight || IsFolder(fs, BelowRoot(compare.RightRoot(), folder.m_strRightPath));
    folder.m_mark = !folder.m_bRight  ? CompareMark::LeftOnly
                    : !folder.m_bLeft ? CompareMark::RightOnly
                                      : CompareMark::Same;
}

// A folder row as the sides hold it now, with what it holds; nothing when neither side has it.
// False when a side could not be listed: the old rows then stay.
bool RelistFolder(CCompareTask& compare, CRowPairing& pairing, const CCompareRow& old,
                  std::vector<CCompareRow>& out) {
    CSideTrees trees;
    if (!ListSides(compare, old.m_strPath, old.m_strRightPath, ListDepth::AsAsked,
                   MissingSide::IsEmpty, trees)) {
        return false;
    }
    if (!trees.m_bLeftThere && !trees.m_bRightThere) {
        return true;
    }
    CCompareRow row = old;
    row.m_bLeft = trees.m_bLeftThere;
    row.m_bRight = trees.m_bRightThere;
    row.m_mark = !row.m_bRight  ? CompareMark::LeftOnly
                 : !row.m_bLeft ? CompareMark::RightOnly
                                : CompareMark::Same;
    out.push_back(row);
    pairing.PairFolder(row.m_bLeft ? &trees.m_left : nullptr,
                       row.m_bRight ? &trees.m_right : nullptr, row.m_strPath, row.m_strRightPath,
                       row.m_nDepth + 1, out);
    return true;
}

// The picked files of one folder, listed again in one go: a row keeps its place when either
// side still has its name.
void RelistFiles(CCompareTask& compare, CRowPairing& pairing, const std::vector<CCompareRow>& rows,
                 const std::vector<size_t>& picked, CReplacements& replacements) {
    const CCompareRow& first = rows[picked.front()];
    CSideTrees trees;
    if (!ListSides(compare, ParentOf(first.m_strPath), ParentOf(first.m_strRightPath),
                   ListDepth::OneLevel, MissingSide::IsEmpty, trees)) {
        return;
    }
    std::vector<CCompareRow> now;
    pairing.PairFiles(&trees.m_left, &trees.m_right, ParentOf(first.m_strPath),
                      ParentOf(first.m_strRightPath), first.m_nDepth, now);
    std::vector<bool> used(now.size());
    for (size_t index : picked) {
        std::vector<CCompareRow>& into = replacements[index];
        for (size_t i = 0; i < now.size(); ++i) {
            const bool same = now[i].m_strName == rows[index].m_strName ||
                              now[i].RightName() == rows[index].RightName();
            if (same && !used[i]) {
                used[i] = true;
                into.push_back(now[i]);
            }
        }
    }
}

}  // namespace

void RecompareRows(const CCompareArgs& args, ContentCheck check, const std::vector<CRowKey>& picked,
                   IFileSystem& fs, CCompareResult& result) {
    std::vector<CCompareRow>& rows = result.m_rows;
    CCompareTask compare(args, fs, nullptr);
    if (std::string error; !compare.Connect(error)) {
        return;
    }
    CRowPairing pairing(compare, check);
    CReplacements replacements;
    std::map<std::pair<std::string, std::string>, std::vector<size_t>> filesByFolder;
    for (size_t index : PickedRows(rows, picked)) {
        const CCompareRow& row = rows[index];
        if (row.m_bFolder) {
            std::vector<CCompareRow> now;
            if (RelistFolder(compare, pairing, row, now)) {
                replacements[index] = std::move(now);
            }
        } else {
            filesByFolder[{ParentOf(row.m_strPath), ParentOf(row.m_strRightPath)}].push_back(index);
        }
    }
    for (const auto& [folder, indexes] : filesByFolder) {
        RelistFiles(compare, pairing, rows, indexes, replacements);
    }
    std::vector<CCompareRow> merged;
    merged.reserve(rows.size());
    std::vector<size_t> open;  // the folders above the row being merged, by index in `merged`
    std::set<size_t> above;    // folders above a row that changed: a copy may have made them
    for (size_t i = 0; i < rows.size();) {
        while (!open.empty() && merged[open.back()].m_nDepth >= rows[i].m_nDepth) {
            open.pop_back();
        }
        const auto it = replacements.find(i);
        if (it == replacements.end()) {
            if (rows[i].m_bFolder) {
                open.push_back(merged.size());
            }
            merged.push_back(std::move(rows[i++]));
            continue;
        }
        above.insert(open.begin(), open.end());
        const size_t end = SubtreeEnd(rows, i);
        std::move(it->second.begin(), it->second.end(), std::back_inserter(merged));
        i = end;
    }
    for (size_t index : above) {
        CheckPresence(compare, merged[index]);
    }
    rows = std::move(merged);
    result.Recount();
}

}  // namespace tv
