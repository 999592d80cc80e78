#include "uimodel/CompareModel.h"

#include <algorithm>

#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "scan/Investigate.h"
#include "scan/TreeF.h"
#include "sync/Compare.h"
#include "task/Element.h"
#include "task/Options.h"
#include "uimodel/CompareStrings.h"

namespace tv {

namespace {

// Listing problems are passed over as a run under "Continue" passes them over.
class CQuietPrompter : public ITaskPrompter {
  public:
    PromptAnswer AbortRetryIgnore(const std::string&) override { return PromptAnswer::Ignore; }
    PromptAnswer YesNo(const std::string&) override { return PromptAnswer::No; }
};

struct CPairing {
    CElement& task;
    ContentCheck check;
    IFileSystem& fs;
    CCompareResult& result;
};

void Count(CCompareResult& result, CCompareRow row) {
    ++result.m_counts[static_cast<size_t>(row.m_mark)];
    result.m_rows.push_back(std::move(row));
}

CompareMark MarkFiles(CPairing& p, const CFileDoInfo& left, const CFileDoInfo& right,
                      const std::string& leftFolder, const std::string& rightFolder) {
    const int newer = CompareTimes(left.lastWrite, right.lastWrite);
    if (newer != 0) {
        return newer > 0 ? CompareMark::LeftNewer : CompareMark::RightNewer;
    }
    if (left.size != right.size) {
        return CompareMark::SizeDiffers;
    }
    if (p.check == ContentCheck::Binary &&
        CompareFiles(p.task, left, right, leftFolder, rightFolder, false, false, p.fs) != 0) {
        return CompareMark::ContentDiffers;
    }
    return CompareMark::Same;
}

template <class T, class NameOf>
std::vector<const T*> Sorted(const std::vector<T>& items, NameOf nameOf) {
    std::vector<const T*> sorted;
    for (const T& item : items) {
        sorted.push_back(&item);
    }
    std::sort(sorted.begin(), sorted.end(),
              [&](const T* a, const T* b) { return nameOf(*a) < nameOf(*b); });
    return sorted;
}

void PairFolder(CPairing& p, const CTreeF* left, const CTreeF* right, const std::string& leftPath,
                const std::string& rightPath, int depth);

// Walks two sorted lists at once; `emit` gets the item of each side or nullptr.
template <class T, class NameOf, class Emit>
void Zip(const std::vector<const T*>& left, const std::vector<const T*>& right, NameOf nameOf,
         Emit emit) {
    size_t l = 0;
    size_t r = 0;
    while (l < left.size() || r < right.size()) {
        const bool takeLeft =
            r == right.size() || (l < left.size() && nameOf(*left[l]) <= nameOf(*right[r]));
        const bool takeRight =
            l == left.size() || (r < right.size() && nameOf(*right[r]) <= nameOf(*left[l]));
        emit(takeLeft ? left[l] : nullptr, takeRight ? right[r] : nullptr);
        l += takeLeft ? 1 : 0;
        r += takeRight ? 1 : 0;
    }
}

void PairFiles(CPairing& p, const CTreeF* left, const CTreeF* right, const std::string& leftPath,
               const std::string& rightPath, int depth) {
    const auto name = [](const CFileDoInfo& f) { return f.name; };
    static const std::vector<CFileDoInfo> none;
    Zip(Sorted(left ? left->files : none, name), Sorted(right ? right->files : none, name), name,
        [&](const CFileDoInfo* l, const CFileDoInfo* r) {
            CCompareRow row{depth, false, (l ? l : r)->name, l != nullptr, r != nullptr};
            row.m_leftSize = l ? l->size : 0;
            row.m_rightSize = r ? r->size : 0;
            row.m_leftTime = l ? l->lastWrite : 0;
            row.m_rightTime = r ? r->lastWrite : 0;
            row.m_mark = !r   ? CompareMark::LeftOnly
                         : !l ? CompareMark::RightOnly
                              : MarkFiles(p, *l, *r, leftPath, rightPath);
            Count(p.result, std::move(row));
        });
}

void PairFolder(CPairing& p, const CTreeF* left, const CTreeF* right, const std::string& leftPath,
                const std::string& rightPath, int depth) {
    const auto name = [](const std::unique_ptr<CTreeF>& f) { return f->name; };
    static const std::vector<std::unique_ptr<CTreeF>> none;
    Zip(Sorted(left ? left->subfolders : none, name),
        Sorted(right ? right->subfolders : none, name), name,
        [&](const std::unique_ptr<CTreeF>* l, const std::unique_ptr<CTreeF>* r) {
            const std::string& folder = (l ? *l : *r)->name;
            CCompareRow row{depth, true, folder, l != nullptr, r != nullptr};
            row.m_mark = !r   ? CompareMark::LeftOnly
                         : !l ? CompareMark::RightOnly
                              : CompareMark::Same;
            Count(p.result, std::move(row));
            PairFolder(p, l ? l->get() : nullptr, r ? r->get() : nullptr, leftPath + "/" + folder,
                       rightPath + "/" + folder, depth + 1);
        });
    PairFiles(p, left, right, leftPath, rightPath, depth);
}

std::string WithoutSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

}  // namespace

CCompareResult CompareTrees(const CCompareArgs& args, ContentCheck check, IFileSystem& fs) {
    CCompareResult result;
    if (!args.m_left.IsLocal() || !args.m_right.IsLocal()) {
        result.m_strError = LoadString(IDS_CMP_REMOTE_LATER);
        return result;
    }
    CElement task;
    task.m_dwOptions = args.m_bSubfolders ? opt1::kIncludeSubfolders : 0;
    task.m_dwOptions2 = static_cast<uint32_t>(ErrorPolicy::Continue) << opt2::kPolicyShift;
    task.m_Source = args.m_left;
    task.m_Source.m_strPath = WithoutSlash(args.m_left.m_strPath);
    task.m_Targets = {args.m_right};
    task.m_Targets[0].m_strPath = WithoutSlash(args.m_right.m_strPath);
    task.m_nCompareMode = COMPARE_BINARY;
    ITaskObserver observer;
    CQuietPrompter prompter;
    task.m_Run.Attach(&observer, &prompter);
    task.m_Run.Begin(RunKind::Synchronize, 0, 1);
    CTreeF left;
    left.name = task.m_Source.m_strPath;
    left.sourceOnly = true;
    CTreeF right;
    right.name = task.m_Targets[0].m_strPath;
    CInvestigationRequest request;
    request.m_Source = {&task.m_Source, &left, &fs};
    request.m_Target = {&task.m_Targets[0], &right, &fs};
    request.m_bSingleTarget = true;
    result.m_bListed = InvestigateSides(task, request);
    if (!result.m_bListed) {
        result.m_strError = LoadString(IDS_CMP_NOT_LISTED);
    } else {
        CPairing pairing{task, check, fs, result};
        PairFolder(pairing, &left, &right, left.name, right.name, 0);
    }
    task.m_Run.End(RunEnd::Normal);
    task.m_Run.Detach();
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

CCompareRunner::~CCompareRunner() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CCompareRunner::Start(const CCompareArgs& args, ContentCheck check, IFileSystem& fs,
                           std::function<void(CCompareResult)> done) {
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_thread = std::thread(
        [args, check, &fs, done = std::move(done)] { done(CompareTrees(args, check, fs)); });
}

}  // namespace tv
