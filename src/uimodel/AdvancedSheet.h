#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "uimodel/AdvancedPages.h"

namespace tv {

class IFileSystem;

// The pages of the settings sheet, in the order of their tabs.
enum class AdvancedPage { General, TimeLimit, Exclusion, Notification, DialUp, Ftp, External, Cd };

// Whether the machine has the dial-up layer: without it the Dial-up page is left out.
enum class DialUpLayer { Absent, Present };

// Whether this machine has it. Blocks for a look along PATH; any thread.
DialUpLayer DialUpLayerHere();

// The "Advanced Task Settings" sheet: one model per page, loaded from the edit copy of the
// task. Its Store writes the values of every page into a task and leaves the name, the source,
// the targets and the main window's settings alone, so it is also what "Set to all tasks"
// writes into each task. GUI thread.
class CAdvancedSheet {
  public:
    CAdvancedSheet(const CElement& editCopy, DialUpLayer dialUp);

    const std::vector<AdvancedPage>& Pages() const { return m_pages; }
    // The task as it was when the sheet opened (its locations, for browsing).
    const CElement& Task() const { return m_task; }
    void Store(CElement& task) const;
    // The edit copy with every page's values: what the pattern and the snapshot are made of.
    CElement Applied() const;

    CGeneralPage m_general;
    CTimeLimitPage m_timeLimit;
    CExclusionPage m_exclusion;
    CNotifyPage m_notify;
    CDialUpPage m_dialUp;
    CFtpOptionsPage m_ftp;
    CExternalPage m_external;
    CCdPage m_cd;

  private:
    CElement m_task;
    std::vector<AdvancedPage> m_pages;
};

// "Create(renew) snapshot" off the GUI thread: lists the source of a copy of the task and
// writes the snapshots. The GUI polls Finished() and may Cancel() at any time from the
// constructor on: a cancel that comes before the writes is never lost, and then nothing is
// written. The destructor cancels and waits for the worker.
class CSnapshotJob {
  public:
    // Starts the worker at once. `fs` outlives the job.
    CSnapshotJob(IFileSystem& fs, const CElement& task, uint32_t preferences);
    ~CSnapshotJob();
    CSnapshotJob(const CSnapshotJob&) = delete;
    CSnapshotJob& operator=(const CSnapshotJob&) = delete;

    bool Finished() const { return m_bFinished.load(); }
    // True when the snapshots were written; meaningful once Finished().
    bool Succeeded() const { return m_nResult.load() == 0; }
    void Cancel();

  private:
    std::unique_ptr<CElement> m_task;
    std::atomic<bool> m_bFinished{false};
    std::atomic<int> m_nResult{-1};
    std::thread m_worker;
};

}  // namespace tv
