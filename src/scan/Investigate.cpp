#include "scan/Investigate.h"

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <thread>

#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "scan/Filter.h"
#include "scan/FolderLister.h"
#include "scan/InvestigateFolder.h"
#include "scan/TreeF.h"
#include "task/Element.h"

namespace tv {

namespace {

constexpr auto kWaitTurn = std::chrono::milliseconds(2000);
constexpr auto kRemoteRetryWait = std::chrono::seconds(10);
constexpr int kRemoteRetries = 3;

// A remote folder that failed is listed again after the connection had time to come back, as
// often as the location says; a local one at once.
CFileSystemLister::CRetryRule RetryRule(const CTag& location) {
    if (!location.m_bIsFtp) {
        return {};
    }
    const int tries = location.m_nConnectRetries > 0 ? location.m_nConnectRetries : kRemoteRetries;
    return {tries, kRemoteRetryWait};
}

// One side's investigation thread and what it owns while it runs.
class CSideThread {
  public:
    CSideThread(CElement& task, CInvestigationSide& side, Side which, bool singleTarget);
    ~CSideThread();
    CSideThread(const CSideThread&) = delete;
    CSideThread& operator=(const CSideThread&) = delete;

    void Start();
    // Blocks in 2-second turns until the thread has ended; true when the side was listed.
    bool Wait();
    bool Found() const { return m_job.m_bFound; }

  private:
    CElement& m_task;
    CInvestigationJob m_job;
    std::unique_ptr<IFolderLister> m_pOwnLister;
    std::optional<CFilter> m_filter;
    std::future<bool> m_result;
    std::thread m_thread;
};

CSideThread::CSideThread(CElement& task, CInvestigationSide& side, Side which, bool singleTarget)
    : m_task(task) {
    const CTag& location = *side.m_pLocation;
    m_job.m_strRootPath = location.Root();
    m_job.m_strPath = m_job.m_strRootPath;
    m_job.m_pNode = side.m_pRoot;
    m_job.m_side = which;
    m_job.m_bIsRoot = true;
    m_job.m_bIsFtp = location.m_bIsFtp != 0;
    m_job.m_bSingleTarget = singleTarget;
    m_job.m_bIsDisc = side.m_bIsDisc;
    m_job.m_pTask = &task;
    m_job.m_pLocation = &location;
    m_job.m_pLister = side.m_pLister;
    if (!m_job.m_pLister && side.m_pFileSystem) {
        m_pOwnLister =
            std::make_unique<CFileSystemLister>(*side.m_pFileSystem, RetryRule(location));
        m_job.m_pLister = m_pOwnLister.get();
    }
    m_filter.emplace(task, m_job.m_strRootPath, m_job.m_bIsFtp);
    m_job.m_pFilter = &*m_filter;
    m_job.m_pSkipped = side.m_pSkipped;
}

CSideThread::~CSideThread() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CSideThread::Start() {
    std::packaged_task<bool()> body([this] { return m_job.m_pLister && InvestigateFolder(m_job); });
    m_result = body.get_future();
    try {
        m_thread = std::thread(std::move(body));
    } catch (const std::system_error&) {
        std::promise<bool> failed;
        m_result = failed.get_future();
        failed.set_value(false);
    }
}

bool CSideThread::Wait() {
    while (m_result.wait_for(kWaitTurn) != std::future_status::ready) {
        IsTaskCanceled(m_task);
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    try {
        return m_result.get();
    } catch (const std::exception&) {
        return false;  // out of memory on a huge tree: the side failed
    }
}

// A snapshot read back goes through the rules a listing of the target applies, so that an
// item the filters refuse now is not taken for one the target holds and the source lacks.
class CStoredTreeFilter {
  public:
    CStoredTreeFilter(const CElement& task, const CTag& location)
        : m_filter(task, location.Root(), location.m_bIsFtp != 0),
          m_bSubfolders(task.Has1(opt1::kIncludeSubfolders)),
          m_bSkipHidden(task.Has4(opt4::kSkipHidden)),
          m_bSkipSystem(task.Has4(opt4::kSkipSystem)) {}

    void Apply(CTreeF& node, const std::string& path) const {
        std::erase_if(node.files, [&](const CFileDoInfo& record) {
            return Skipped(record.attributes) || !m_filter.Admit(JoinPath(path, record.name), false,
                                                                 record.size, record.lastWrite);
        });
        // A stored folder keeps no attributes; the name says whether it is hidden.
        std::erase_if(node.subfolders, [&](const std::unique_ptr<CTreeF>& sub) {
            return !m_bSubfolders || Skipped(AttributesFromMode(0, sub->name, false)) ||
                   !m_filter.Admit(JoinPath(path, sub->name), true, 0, 0);
        });
        for (auto& sub : node.subfolders) {
            Apply(*sub, JoinPath(path, sub->name));
        }
    }

  private:
    bool Skipped(uint32_t attributes) const {
        return (m_bSkipHidden && (attributes & attr::kHidden)) ||
               (m_bSkipSystem && (attributes & attr::kSystem));
    }

    CFilter m_filter;
    bool m_bSubfolders;
    bool m_bSkipHidden;
    bool m_bSkipSystem;
};

// A snapshot may stand for the target. A backup into a zip archive lists no target: its
// runner asks for the snapshot only when every run writes an archive of its own.
bool TargetNeedsListing(CElement& task, CInvestigationRequest& request) {
    const bool archive = task.Kind() == TaskKind::BackupRestore && task.Has3(opt3::kArchiveTarget);
    CTreeF& root = *request.m_Target.m_pRoot;
    if (task.m_Run.Kind() == RunKind::UpdateTarget && task.m_bUseSnapshot &&
        request.m_ReadSnapshot) {
        if (request.m_ReadSnapshot(root)) {
            const CTag& location = *request.m_Target.m_pLocation;
            CStoredTreeFilter(task, location).Apply(root, location.Root());
            return false;
        }
        root.files.clear();
        root.subfolders.clear();
    }
    return !archive;
}

}  // namespace

bool InvestigateSides(CElement& task, CInvestigationRequest& request) {
    task.m_Run.ClearDisplayPaths();
    std::optional<CSideThread> source;
    std::optional<CSideThread> target;
    if (request.m_Source.m_pLocation && !IsTaskCanceled(task)) {
        source.emplace(task, request.m_Source, Side::Source, request.m_bSingleTarget);
        source->Start();
    }
    if (request.m_Target.m_pLocation && TargetNeedsListing(task, request)) {
        target.emplace(task, request.m_Target, Side::Target, request.m_bSingleTarget);
        target->Start();
    }
    request.m_Source.m_bFailed = source && !source->Wait();
    if (request.m_Source.m_bFailed) {
        LogRunError(task, LoadString(IDS_ERR_INVESTIGATING_SOURCE));
    }
    request.m_Target.m_bFailed = target && !target->Wait();
    if (request.m_Target.m_bFailed) {
        LogRunError(task, LoadString(IDS_ERR_INVESTIGATING_TARGET));
    }
    const bool ok = !request.m_Source.m_bFailed && !request.m_Target.m_bFailed;
    request.m_Source.m_bFound = source && source->Found();
    request.m_Target.m_bFound = target && target->Found();
    return ok && !IsTaskCanceled(task);
}

}  // namespace tv
