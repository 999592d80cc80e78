#include "uimodel/CompareListing.h"

#include <algorithm>
#include <cerrno>

#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "scan/FolderLister.h"
#include "scan/Investigate.h"
#include "sync/Compare.h"
#include "task/Options.h"

namespace tv {

namespace {

// Counts what each folder held once it is listed: the window shows the count as progress.
class CCountingLister : public IFolderLister {
  public:
    CCountingLister(IFileSystem& fs, CCompareControl* control) : m_inner(fs), m_pControl(control) {}

    int ListFolder(CInvestigationJob& job) override {
        const int err = m_inner.ListFolder(job);
        if (m_pControl) {
            m_pControl->AddListed(job.m_pNode->files.size() + job.m_pNode->subfolders.size());
        }
        return err;
    }
    bool RetryChild(const CInvestigationJob& child, int attempt) override {
        return m_inner.RetryChild(child, attempt);
    }

  private:
    CFileSystemLister m_inner;
    CCompareControl* m_pControl;
};

bool FoldsCase(IFileSystem& fs, const std::string& path) {
    return (fs.Capabilities(path) & fscap::kFoldsCase) != 0;
}

// Pairs the entries of one folder's two sides by name as a run's plan does, in the order of
// the names on show.
template <class T, class NameOf>
std::vector<std::pair<const T*, const T*>> PairByName(const std::vector<T>& left,
                                                      const std::vector<T>& right, NameOf nameOf,
                                                      NameMatch match) {
    CNameIndex index(match, right.size());
    for (size_t i = 0; i < right.size(); ++i) {
        index.Add(nameOf(right[i]), i);
    }
    std::vector<bool> taken(right.size());
    std::vector<std::pair<const T*, const T*>> pairs;
    pairs.reserve(left.size() + right.size());
    for (const T& item : left) {
        const size_t twin = index.Take(nameOf(item));
        if (twin != CNameIndex::npos) {
            taken[twin] = true;
        }
        pairs.emplace_back(&item, twin == CNameIndex::npos ? nullptr : &right[twin]);
    }
    for (size_t i = 0; i < right.size(); ++i) {
        if (!taken[i]) {
            pairs.emplace_back(nullptr, &right[i]);
        }
    }
    const auto shown = [&](const auto& pair) -> const std::string& {
        return nameOf(pair.first ? *pair.first : *pair.second);
    };
    std::sort(pairs.begin(), pairs.end(),
              [&](const auto& a, const auto& b) { return shown(a) < shown(b); });
    return pairs;
}

CompareMark OneSided(bool left, bool right) {
    return !right ? CompareMark::LeftOnly : !left ? CompareMark::RightOnly : CompareMark::Same;
}

}  // namespace

std::string JoinRel(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

std::string ParentOf(const std::string& rel) {
    const size_t slash = rel.rfind('/');
    return slash == std::string::npos ? std::string() : rel.substr(0, slash);
}

std::string BelowRoot(const std::string& root, const std::string& rel) {
    if (rel.empty()) {
        return root;
    }
    return root.ends_with('/') ? root + rel : root + "/" + rel;
}

CCompareTask::CCompareTask(const CCompareArgs& args, IFileSystem& fs, CCompareControl* control)
    : m_sides(m_task, fs, &m_ftpTimes, ProgramDataFolder() + "/Temp"), m_pControl(control) {
    m_task.m_dwOptions = args.m_bSubfolders ? opt1::kIncludeSubfolders : 0;
    m_task.m_dwOptions2 = static_cast<uint32_t>(ErrorPolicy::Continue) << opt2::kPolicyShift;
    m_task.m_Source = args.m_left.ForRun();
    m_task.m_Targets = {args.m_right.ForRun()};
    for (const CTag* side : {&args.m_left, &args.m_right}) {
        if (side->IsRemote()) {
            m_sites.push_back(*side);
        }
    }
    if (!m_sites.empty()) {
        m_ftpTimes.LoadFile(fs, ProgramDataFolder() + "/FTPTimes");
    }
    m_task.m_nCompareMode = COMPARE_BINARY;
    m_task.m_Run.Attach(this, this);
    m_task.m_Run.Begin(RunKind::Synchronize, 0, 1);
    if (m_pControl) {
        m_pControl->Attach(&m_task.m_Run);
    }
}

CCompareTask::~CCompareTask() {
    if (m_pControl) {
        m_pControl->Attach(nullptr);
    }
    m_task.m_Run.End(RunEnd::Normal);
    m_task.m_Run.Detach();
}

bool CCompareTask::Connect(std::string& error) {
    for (const CTag& site : m_sites) {
        if (!m_sides.Connect(site, error)) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> CCompareTask::Errors() const {
    std::lock_guard lock(m_mutex);
    return m_errors;
}

void CCompareTask::AddError(const std::string& line) {
    std::lock_guard lock(m_mutex);
    m_errors.push_back(line);
}

bool ListSides(CCompareTask& compare, const std::string& leftRel, const std::string& rightRel,
               ListDepth depth, MissingSide missing, CSideTrees& out) {
    CElement& task = compare.Task();
    IFileSystem& fs = compare.Fs();
    const uint32_t options = task.m_dwOptions;
    if (depth == ListDepth::OneLevel) {
        task.m_dwOptions &= ~opt1::kIncludeSubfolders;
    }
    // A site's root is read from its folder field, a local one's from its path: both move.
    CTag left = task.m_Source;
    left.m_strPath = left.m_strRemoteDir = BelowRoot(compare.LeftRoot(), leftRel);
    CTag right = task.m_Targets[0];
    right.m_strPath = right.m_strRemoteDir = BelowRoot(compare.RightRoot(), rightRel);
    out.m_bLeftThere = missing == MissingSide::Fails || IsFolder(fs, left.m_strPath);
    out.m_bRightThere = missing == MissingSide::Fails || IsFolder(fs, right.m_strPath);
    out.m_left.name = left.m_strPath;
    out.m_left.sourceOnly = true;
    out.m_right.name = right.m_strPath;
    CCountingLister leftLister(fs, compare.Control());
    CCountingLister rightLister(fs, compare.Control());
    CInvestigationRequest request;
    if (out.m_bLeftThere) {
        request.m_Source = {&left, &out.m_left, &fs, &leftLister};
    }
    if (out.m_bRightThere) {
        request.m_Target = {&right, &out.m_right, &fs, &rightLister};
    }
    request.m_bSingleTarget = true;
    const bool listed = InvestigateSides(task, request);
    task.m_dwOptions = options;
    return listed;
}

CRowPairing::CRowPairing(CCompareTask& compare, ContentCheck check)
    : m_compare(compare), m_check(check) {
    const CElement& task = compare.Task();
    m_match = ChooseNameMatch(task, task.m_Source.m_bIsFtp != 0, task.m_Targets[0].m_bIsFtp != 0,
                              FoldsCase(compare.Fs(), compare.LeftRoot()),
                              FoldsCase(compare.Fs(), compare.RightRoot()));
}

CompareMark CRowPairing::MarkFiles(const CFileDoInfo& left, const CFileDoInfo& right,
                                   const std::string& leftRel, const std::string& rightRel) {
    const int newer = CompareTimes(left.lastWrite, right.lastWrite);
    if (newer != 0) {
        return newer > 0 ? CompareMark::LeftNewer : CompareMark::RightNewer;
    }
    if (left.size != right.size) {
        return CompareMark::SizeDiffers;
    }
    if (m_check == ContentCheck::Binary &&
        CompareFiles(m_compare.Task(), left, right, BelowRoot(m_compare.LeftRoot(), leftRel),
                     BelowRoot(m_compare.RightRoot(), rightRel), false, false,
                     m_compare.Fs()) != 0) {
        return CompareMark::ContentDiffers;
    }
    return CompareMark::Same;
}

void CRowPairing::PairFiles(const CTreeF* left, const CTreeF* right, const std::string& leftRel,
                            const std::string& rightRel, int depth, std::vector<CCompareRow>& out) {
    static const std::vector<CFileDoInfo> none;
    const auto name = [](const CFileDoInfo& f) -> const std::string& { return f.name; };
    for (const auto& [l, r] :
         PairByName(left ? left->files : none, right ? right->files : none, name, m_match)) {
        CCompareRow& row = out.emplace_back();
        row.m_nDepth = depth;
        row.m_strName = (l ? l : r)->name;
        row.m_bLeft = l != nullptr;
        row.m_bRight = r != nullptr;
        row.m_leftSize = l ? l->size : 0;
        row.m_rightSize = r ? r->size : 0;
        row.m_leftTime = l ? l->lastWrite : 0;
        row.m_rightTime = r ? r->lastWrite : 0;
        row.m_strPath = JoinRel(leftRel, row.m_strName);
        row.m_strRightPath = JoinRel(rightRel, (r ? r : l)->name);
        row.m_mark = l && r ? MarkFiles(*l, *r, leftRel, rightRel) : OneSided(l, r);
    }
}

void CRowPairing::PairFolder(const CTreeF* left, const CTreeF* right, const std::string& leftRel,
                             const std::string& rightRel, int depth,
                             std::vector<CCompareRow>& out) {
    static const std::vector<std::unique_ptr<CTreeF>> none;
    const auto name = [](const std::unique_ptr<CTreeF>& f) -> const std::string& {
        return f->name;
    };
    for (const auto& [l, r] : PairByName(left ? left->subfolders : none,
                                         right ? right->subfolders : none, name, m_match)) {
        CCompareRow& row = out.emplace_back();
        row.m_nDepth = depth;
        row.m_bFolder = true;
        row.m_strName = (l ? *l : *r)->name;
        row.m_bLeft = l != nullptr;
        row.m_bRight = r != nullptr;
        row.m_mark = OneSided(l, r);
        row.m_strPath = JoinRel(leftRel, row.m_strName);
        row.m_strRightPath = JoinRel(rightRel, (r ? *r : *l)->name);
        // `row` may move as the rows below it are added.
        const std::string leftPath = row.m_strPath;
        const std::string rightPath = row.m_strRightPath;
        PairFolder(l ? l->get() : nullptr, r ? r->get() : nullptr, leftPath, rightPath, depth + 1,
                   out);
    }
    PairFiles(left, right, leftRel, rightRel, depth, out);
}

}  // namespace tv
