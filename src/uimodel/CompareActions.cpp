#include "uimodel/CompareActions.h"

#include <cerrno>
#include <set>
#include <unordered_set>

#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "sync/ErrorPolicy.h"
#include "sync/FileOperations.h"
#include "uimodel/CompareListing.h"
#include "uimodel/CompareStrings.h"

namespace tv {

namespace {

std::string KeyText(const std::string& path, bool folder) {
    return (folder ? "d" : "f") + path;
}

bool Has(const CCompareRow& row, Side side) {
    return side == Side::Source ? row.m_bLeft : row.m_bRight;
}

const std::string& RelOn(const CCompareRow& row, Side side) {
    return side == Side::Source ? row.m_strPath : row.m_strRightPath;
}

// One action over the picked rows, under a task of its own so that every copy and delete
// goes through the error policy of a run.
class CActionRun {
  public:
    CActionRun(const CCompareArgs& args, const std::vector<CCompareRow>& rows, IFileSystem& fs,
               CCompareControl* control)
        : m_compare(args, fs, control),
          m_rows(rows),
          m_fs(m_compare.Fs()),
          m_ops(m_compare.Task(), m_fs),
          m_policy(m_compare.Task(), &m_bytes) {}

    bool Connect(std::string& error) { return m_compare.Connect(error); }
    void Copy(size_t index, Side from);
    void Delete(size_t index, Side side);
    CActionOutcome Outcome();

  private:
    const std::string& Root(Side side) const {
        return side == Side::Source ? m_compare.LeftRoot() : m_compare.RightRoot();
    }
    std::string PathOn(const CCompareRow& row, Side side) const {
        return BelowRoot(Root(side), RelOn(row, side));
    }
    bool EnsureFolders(Side side, const std::string& rel);
    CTreeF ScannedTree(size_t index, Side side) const;

    CCompareTask m_compare;
    const std::vector<CCompareRow>& m_rows;
    IFileSystem& m_fs;
    CFileOperations m_ops;
    CRunBytes m_bytes;
    CErrorPolicy m_policy;
    std::set<std::string> m_made;  // folders known to be there on the copy's side
    size_t m_nDone = 0;
};

// Creates what is missing of the folder chain `rel` on `side`; false when a folder could not
// be made (the error policy has logged it).
bool CActionRun::EnsureFolders(Side side, const std::string& rel) {
    for (size_t end = 0; end != std::string::npos && !rel.empty();) {
        end = rel.find('/', end + 1);
        const std::string prefix = rel.substr(0, end);
        if (m_made.contains(prefix)) {
            continue;
        }
        const std::string path = BelowRoot(Root(side), prefix);
        const CPolicyOutcome made = m_policy.Perform(FileOpKind::CreateFolder, path, 0, [&] {
            COpStatus status = m_ops.CreateFolder(path);
            CFileInfo info;
            if (status.m_error == EEXIST && m_fs.Stat(path, info, LinkMode::Follow) == 0 &&
                info.m_type == EntryType::Folder) {
                status = {};
            }
            return status;
        });
        if (!made.m_bDone) {
            return false;
        }
        m_made.insert(prefix);
    }
    return true;
}

void CActionRun::Copy(size_t index, Side from) {
    const Side to = OtherSide(from);
    const size_t end = SubtreeEnd(m_rows, index);
    for (size_t i = index; i < end && !m_compare.Canceled(); ++i) {
        const CCompareRow& row = m_rows[i];
        if (!Has(row, from)) {
            continue;
        }
        if (row.m_bFolder) {
            EnsureFolders(to, RelOn(row, to));
            continue;
        }
        if (row.m_mark == CompareMark::Same || !EnsureFolders(to, ParentOf(RelOn(row, to)))) {
            continue;
        }
        CCopyRequest request;
        request.m_strSource = PathOn(row, from);
        request.m_strDest = PathOn(row, to);
        request.m_size = from == Side::Source ? row.m_leftSize : row.m_rightSize;
        request.m_destScanned = !Has(row, to) ? CScannedFile::Absent()
                                : to == Side::Source
                                    ? CScannedFile::File(row.m_leftSize, row.m_leftTime)
                                    : CScannedFile::File(row.m_rightSize, row.m_rightTime);
        const CPolicyOutcome copied = m_policy.Perform(
            FileOpKind::Copy, request.m_strSource, request.m_size,
            [&] { return m_ops.CopyFile(request, m_bytes); }, request.m_strDest);
        m_nDone += copied.m_bDone ? 1 : 0;
    }
}

// What the listing saw of the folder row at `index` on `side`, as the engine's recursive
// delete expects it: only that goes.
CTreeF CActionRun::ScannedTree(size_t index, Side side) const {
    CTreeF root;
    std::vector<CTreeF*> open{&root};
    const size_t base = static_cast<size_t>(m_rows[index].m_nDepth) + 1;
    for (size_t i = index + 1, end = SubtreeEnd(m_rows, index); i < end; ++i) {
        const CCompareRow& row = m_rows[i];
        if (!Has(row, side)) {
            continue;
        }
        open.resize(static_cast<size_t>(row.m_nDepth) - base + 1);
        const std::string name = side == Side::Source ? row.m_strName : row.RightName();
        if (row.m_bFolder) {
            auto folder = std::make_unique<CTreeF>();
            folder->name = name;
            open.push_back(folder.get());
            open[open.size() - 2]->subfolders.push_back(std::move(folder));
        } else {
            const bool left = side == Side::Source;
            open.back()->files.emplace_back(name, left ? row.m_leftSize : row.m_rightSize, side,
                                            left ? row.m_leftTime : row.m_rightTime, 0, 0, false,
                                            false, ACTION_NONE);
        }
    }
    return root;
}

void CActionRun::Delete(size_t index, Side side) {
    const CCompareRow& row = m_rows[index];
    if (!Has(row, side) || m_compare.Canceled()) {
        return;
    }
    const std::string path = PathOn(row, side);
    if (row.m_bFolder) {
        bool removed = false;
        m_ops.DeleteRecursively(path, side, ScannedTree(index, side), &removed);
        m_nDone += removed ? 1 : 0;
        return;
    }
    const bool left = side == Side::Source;
    const CScannedFile scanned = CScannedFile::File(left ? row.m_leftSize : row.m_rightSize,
                                                    left ? row.m_leftTime : row.m_rightTime);
    const CPolicyOutcome deleted = m_policy.Perform(
        FileOpKind::Delete, path, 0, [&] { return m_ops.DeleteFile(path, scanned); });
    m_nDone += deleted.m_bDone ? 1 : 0;
}

CActionOutcome CActionRun::Outcome() {
    return {m_nDone, m_compare.Canceled(), m_compare.Errors()};
}

}  // namespace

std::vector<size_t> PickedRows(const std::vector<CCompareRow>& rows,
                               const std::vector<CRowKey>& picked) {
    std::unordered_set<std::string> wanted;
    for (const CRowKey& key : picked) {
        wanted.insert(KeyText(key.m_strPath, key.m_bFolder));
    }
    std::vector<size_t> found;
    for (size_t i = 0; i < rows.size();) {
        if (wanted.contains(KeyText(rows[i].m_strPath, rows[i].m_bFolder))) {
            found.push_back(i);
            i = SubtreeEnd(rows, i);
        } else {
            ++i;
        }
    }
    return found;
}

std::string DeleteQuestion(const std::vector<CCompareRow>& rows, const std::vector<size_t>& picked,
                           CompareAction action) {
    const Side side = action == CompareAction::DeleteLeft ? Side::Source : Side::Target;
    int count = 0;
    for (size_t index : picked) {
        count += Has(rows[index], side) ? 1 : 0;
    }
    const int id = side == Side::Source ? IDS_CMP_ASK_DELETE_LEFT : IDS_CMP_ASK_DELETE_RIGHT;
    return FormatText(LoadString(id).c_str(), count);
}

CActionOutcome PerformCompareAction(const CCompareArgs& args, CompareAction action,
                                    const std::vector<CCompareRow>& rows,
                                    const std::vector<size_t>& picked, IFileSystem& fs,
                                    CCompareControl* control) {
    CActionRun run(args, rows, fs, control);
    if (std::string error; !run.Connect(error)) {
        return {0, false, {error}};
    }
    for (size_t index : picked) {
        switch (action) {
            case CompareAction::CopyToRight:
                run.Copy(index, Side::Source);
                break;
            case CompareAction::CopyToLeft:
                run.Copy(index, Side::Target);
                break;
            case CompareAction::DeleteLeft:
                run.Delete(index, Side::Source);
                break;
            case CompareAction::DeleteRight:
                run.Delete(index, Side::Target);
                break;
        }
    }
    return run.Outcome();
}

}  // namespace tv
