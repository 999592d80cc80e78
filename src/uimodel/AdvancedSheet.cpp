#include "uimodel/AdvancedSheet.h"

#include "platform/DialUp.h"
#include "run/Snapshot.h"

namespace tv {

DialUpLayer DialUpLayerHere() {
    return IsDialUpPresent() ? DialUpLayer::Present : DialUpLayer::Absent;
}

CAdvancedSheet::CAdvancedSheet(const CElement& editCopy, DialUpLayer dialUp) : m_task(editCopy) {
    m_general.Load(editCopy);
    m_timeLimit.Load(editCopy);
    m_exclusion.Load(editCopy);
    m_notify.Load(editCopy);
    m_dialUp.Load(editCopy);
    m_ftp.Load(editCopy);
    m_external.Load(editCopy);
    m_cd.Load(editCopy);
    m_pages = {AdvancedPage::General, AdvancedPage::TimeLimit, AdvancedPage::Exclusion,
               AdvancedPage::Notification};
    if (dialUp == DialUpLayer::Present) {
        m_pages.push_back(AdvancedPage::DialUp);
    }
    // The disc layer is part of the program, so the CD-R/RW page is always there.
    m_pages.insert(m_pages.end(), {AdvancedPage::Ftp, AdvancedPage::External, AdvancedPage::Cd});
}

void CAdvancedSheet::Store(CElement& task) const {
    m_general.Store(task);
    m_timeLimit.Store(task);
    m_exclusion.Store(task);
    m_notify.Store(task);
    m_dialUp.Store(task);
    m_ftp.Store(task);
    m_external.Store(task);
    m_cd.Store(task);
}

CElement CAdvancedSheet::Applied() const {
    CElement task = m_task;
    Store(task);
    return task;
}

// The run is begun here, on the thread that may cancel it, so that no cancel comes before it.
CSnapshotJob::CSnapshotJob(IFileSystem& fs, const CElement& task, uint32_t preferences)
    : m_task(std::make_unique<CElement>(task)) {
    if (!BeginSnapshot(fs, *m_task, preferences)) {
        m_bFinished = true;
        return;
    }
    m_worker = std::thread([this, &fs] {
        m_nResult = TakeSnapshot(fs, *m_task);
        m_bFinished = true;
    });
}

CSnapshotJob::~CSnapshotJob() {
    Cancel();
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void CSnapshotJob::Cancel() {
    m_task->m_Run.RequestCancel();
}

}  // namespace tv
