#include "live/RealTimeService.h"

#include <thread>

#include "base/StringTable.h"
#include "live/ServiceLog.h"
#include "run/TaskLauncher.h"

namespace tv {

CElement OneWayCopyOf(const CElement& task, const std::vector<std::string>& skipped) {
    CElement copy = task;
    copy.m_dwOptions &= ~(opt1::kModeMask | opt1::kKindMask | opt1::kOnlyIfOnTarget |
                          opt1::kOnlyIfTargetNewer | opt1::kPreview);
    copy.m_dwOptions |= 1u | (static_cast<uint32_t>(TaskKind::BackupRestore) << opt1::kKindShift) |
                        opt1::kDeleteFromTarget | opt1::kIncludeSubfolders;
    copy.m_dwOptions2 &= ~(opt2::kPolicyMask | opt2::kShutdown | opt2::kTargetsInTurn);
    copy.m_dwOptions2 |=
        opt2::kSilent | (static_cast<uint32_t>(ErrorPolicy::Continue) << opt2::kPolicyShift);
    copy.m_dwOptions3 &= ~(opt3::kArchiveTarget | opt3::kAltCopy | opt3::kStartDelay |
                           opt3::kDeleteNewBeforeLastSync);
    copy.m_dwOptions3 |= opt3::kOwnPreferences | opt3::kCreateTarget;
    copy.m_bTargetsInTurn = 0;
    copy.m_bDeleteSourceAfterRun = 0;
    copy.m_bUseSnapshot = 0;
    copy.m_bDialUp = 0;
    copy.m_bRunBefore = 0;
    copy.m_bRunAfter = 0;
    copy.m_bMailReport = 0;
    copy.m_bNetSend = 0;
    copy.m_bPreviewSound = 0;
    copy.m_bFinishSound = 0;
    if (!skipped.empty()) {
        copy.m_dwOptions2 |= opt2::kExcludeItems;
        copy.m_ExcludedItems.insert(copy.m_ExcludedItems.end(), skipped.begin(), skipped.end());
    }
    return copy;
}

CRealTimeService::CRealTimeService(CLiveSettings& settings, IFileSystem& fs, CServiceLog& log)
    : m_settings(settings),
      m_fs(fs),
      m_log(log),
      m_watcher(settings, fs, m_queue, log),
      m_replicator(settings, fs, log) {}

LiveEnd CRealTimeService::Run() {
    if (!m_watcher.Start()) {
        m_log.Line(FormatText(LoadString(IDS_LIVE_CANNOT_WATCH).c_str(),
                              m_settings.m_strSource.c_str(),
                              SystemErrorText(m_watcher.Error()).c_str()));
        return LiveEnd::CannotWatch;
    }
    m_log.Line(FormatText(LoadString(IDS_LIVE_STARTED).c_str(), m_settings.m_strSource.c_str()));
    std::thread worker([this] { Work(); });
    const bool stopped = m_watcher.Run(m_bStop);
    m_queue.Stop();
    worker.join();
    m_log.Line(LoadString(IDS_LIVE_STOPPED));
    return stopped ? LiveEnd::Stopped : LiveEnd::SourceGone;
}

void CRealTimeService::Stop() {
    m_bStop = true;
    m_settings.m_Task.m_Run.RequestCancel();
    m_queue.Stop();
    m_watcher.Wake();
    std::lock_guard lock(m_launcherMutex);
    if (m_pLauncher) {
        m_pLauncher->CancelAll();
    }
}

void CRealTimeService::Work() {
    CChangeBatch batch;
    while (m_queue.Take(batch)) {
        if (batch.m_bResync) {
            Resync();
        }
        for (const CRename& rename : batch.m_renames) {
            m_replicator.Rename(rename);
        }
        for (const std::string& path : batch.m_paths) {
            m_replicator.Reconcile(path);
        }
        m_queue.Done();
    }
}

void CRealTimeService::Resync() {
    m_log.Line(LoadString(IDS_LIVE_FULL_SYNC));
    CElement copy = OneWayCopyOf(m_settings.m_Task, m_settings.m_InsideSource);
    CLauncherSettings settings;
    settings.m_dwPreferences = pref::kDefault | pref::kConsecutive;
    CTaskLauncher launcher(m_fs, settings);
    {
        std::lock_guard lock(m_launcherMutex);
        if (m_bStop) {
            return;
        }
        m_pLauncher = &launcher;
    }
    launcher.Launch({&copy}, RunCommand::Sync);
    launcher.WaitAll();
    {
        std::lock_guard lock(m_launcherMutex);
        m_pLauncher = nullptr;
    }
    if (copy.m_Run.Ending() != RunEnd::Normal) {
        m_log.Line(LoadString(IDS_LIVE_FULL_SYNC_FAILED));
    }
}

}  // namespace tv
