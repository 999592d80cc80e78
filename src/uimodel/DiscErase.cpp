#include "uimodel/DiscErase.h"

#include "platform/DiscRecorder.h"
#include "run/DiscMaster.h"
#include "task/Element.h"

namespace tv {

std::unique_ptr<CDiscEraseJob> CDiscEraseJob::Start(const CElement& task, EraseDepth depth,
                                                    IDiscRecorder* recorders) {
    IDiscRecorder& layer = recorders ? *recorders : SystemDiscRecorder();
    for (const CTag& target : task.m_Targets) {
        std::string drive;
        std::string folder;
        if (target.IsRemote() || !SplitDiscPath(target.m_strPath, drive, folder)) {
            continue;
        }
        std::unique_ptr<CDiscEraseJob> job(new CDiscEraseJob);
        const EraseMode mode = depth == EraseDepth::Full ? EraseMode::Full : EraseMode::Quick;
        job->m_worker = std::thread([raw = job.get(), &layer, drive, mode] {
            CDiscRecorder recorder(layer, drive);
            std::string error;
            if (!recorder.Erase(mode, error)) {
                raw->m_strError = error.empty() ? drive : error;
            }
            raw->m_bFinished = true;
        });
        return job;
    }
    return nullptr;
}

CDiscEraseJob::~CDiscEraseJob() {
    m_worker.join();
}

}  // namespace tv
