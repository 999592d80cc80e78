#pragma once

#include <atomic>
#include <mutex>

#include "live/ChangeQueue.h"
#include "live/LiveSettings.h"
#include "live/Replicator.h"
#include "live/SourceWatcher.h"

namespace tv {

class CServiceLog;
class CTaskLauncher;

// How a real-time service ended.
enum class LiveEnd { Stopped, SourceGone, CannotWatch };

// The real-time service: one thread watches the source, a worker repeats what it saw on every
// target, and lost events are made good by a full one-way synchronization through the task
// launcher. Stop ends it within moments; a copy in flight is abandoned before its temporary
// file replaces anything.
class CRealTimeService {
  public:
    CRealTimeService(CLiveSettings& settings, IFileSystem& fs, CServiceLog& log);

    // Blocks on the calling thread, which becomes the watching thread, until Stop or until the
    // source folder goes away.
    LiveEnd Run();
    // Any thread, also before Run.
    void Stop();

  private:
    void Work();
    void Resync();

    CLiveSettings& m_settings;
    IFileSystem& m_fs;
    CServiceLog& m_log;
    CChangeQueue m_queue;
    CSourceWatcher m_watcher;
    CReplicator m_replicator;
    std::atomic<bool> m_bStop{false};
    std::mutex m_launcherMutex;
    CTaskLauncher* m_pLauncher = nullptr;  // the full synchronization going on, under the mutex
};

// The task `task` turned into the one-way backup that makes every target equal to the source:
// silent, nothing asked, errors logged and passed over, target-only entries deleted, the
// folders in `skipped` (relative to the source) left out. Pure.
CElement OneWayCopyOf(const CElement& task, const std::vector<std::string>& skipped);

}  // namespace tv
