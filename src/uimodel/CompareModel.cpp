#include "uimodel/CompareModel.h"

#include <algorithm>

#include "base/StringTable.h"
#include "task/TaskRunState.h"
#include "uimodel/CompareListing.h"
#include "uimodel/CompareStrings.h"

namespace tv {

std::string CCompareRow::RightName() const {
    const size_t slash = m_strRightPath.rfind('/');
    return slash == std::string::npos ? m_strRightPath : m_strRightPath.substr(slash + 1);
}

void CCompareResult::Recount() {
    m_counts = {};
    for (const CCompareRow& row : m_rows) {
        ++m_counts[static_cast<size_t>(row.m_mark)];
    }
}

void CCompareControl::Cancel() {
    std::lock_guard lock(m_mutex);
    m_bCanceled = true;
    if (m_pRun) {
        m_pRun->RequestCancel();
    }
}

void CCompareControl::Reset() {
    m_bCanceled = false;
    m_nListed = 0;
}

void CCompareControl::Attach(CTaskRunState* run) {
    std::lock_guard lock(m_mutex);
    m_pRun = run;
    if (m_pRun && m_bCanceled) {
        m_pRun->RequestCancel();
    }
}

CCompareResult CompareTrees(const CCompareArgs& args, ContentCheck check, IFileSystem& fs,
                            CCompareControl* control) {
    CCompareResult result;
    CCompareTask compare(args, fs, control);
    CSideTrees trees;
    result.m_bListed = compare.Connect(result.m_strError) &&
                       ListSides(compare, "", "", ListDepth::AsAsked, MissingSide::Fails, trees);
    if (!result.m_bListed) {
        if (compare.Canceled()) {
            result.m_strError = LoadString(IDS_CMP_CANCELED);
        } else if (result.m_strError.empty()) {
            // The engine's lines name the folder and the system's reason.
            result.m_strError = LoadString(IDS_CMP_NOT_LISTED);
            for (const std::string& line : compare.Errors()) {
                result.m_strError += "\n" + line;
            }
        }
        return result;
    }
    CRowPairing pairing(compare, check);
    pairing.PairFolder(&trees.m_left, &trees.m_right, "", "", 0, result.m_rows);
    if (compare.Canceled()) {
        result = {};
        result.m_strError = LoadString(IDS_CMP_CANCELED);
        return result;
    }
    result.Recount();
    return result;
}

std::vector<CCompareRow> OnlyDifferences(const std::vector<CCompareRow>& rows) {
    std::vector<CCompareRow> kept;
    // The folders above the row being looked at, still to be written when a difference shows.
    std::vector<const CCompareRow*> open;
    size_t written = 0;  // how many of `open` are in `kept` already
    for (const CCompareRow& row : rows) {
        while (!open.empty() && open.back()->m_nDepth >= row.m_nDepth) {
            open.pop_back();
            written = std::min(written, open.size());
        }
        if (row.m_mark != CompareMark::Same) {
            for (; written < open.size(); ++written) {
                kept.push_back(*open[written]);
            }
            kept.push_back(row);
        }
        if (row.m_bFolder) {
            open.push_back(&row);
            written += row.m_mark != CompareMark::Same ? 1 : 0;
        }
    }
    return kept;
}

size_t SubtreeEnd(const std::vector<CCompareRow>& rows, size_t index) {
    size_t end = index + 1;
    if (rows[index].m_bFolder) {
        while (end < rows.size() && rows[end].m_nDepth > rows[index].m_nDepth) {
            ++end;
        }
    }
    return end;
}

CCompareRunner::~CCompareRunner() {
    m_control.Cancel();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CCompareRunner::Start(const CCompareArgs& args, ContentCheck check, IFileSystem& fs,
                           std::function<void(CCompareResult)> done) {
    Run([args, check, &fs, done = std::move(done)](CCompareControl& control) {
        done(CompareTrees(args, check, fs, &control));
    });
}

void CCompareRunner::Run(std::function<void(CCompareControl&)> work) {
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_control.Reset();
    m_thread = std::thread([this, work = std::move(work)] { work(m_control); });
}

}  // namespace tv
