#include <thread>

#include "base/PathText.h"
#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "run/DiscTarget.h"
#include "scan/InvestigateJob.h"
#include "scan/RunPrompts.h"
#include "task/Element.h"

namespace tv {

namespace {

// A recorder needs a moment after an erase or a failed burn before it takes the next command.
constexpr auto kRecorderRest = std::chrono::milliseconds(10'000);
constexpr auto kWaitSlice = std::chrono::milliseconds(100);

std::string FillDisc(int id, const std::string& path, const std::string& reason) {
    return FormatText(LoadString(id).c_str(), path.c_str(), reason.c_str());
}

// Removes `path` with everything below it, as far as it can.
void RemoveTree(IFileSystem& fs, const std::string& path) {
    std::vector<std::string> names;
    if (fs.ListNames(path, names) == 0) {
        for (const std::string& name : names) {
            const std::string child = JoinPath(path, name);
            CFileInfo st;
            const bool folder =
                fs.Stat(child, st, LinkMode::NoFollow) == 0 && st.m_type == EntryType::Folder;
            folder ? RemoveTree(fs, child) : static_cast<void>(fs.Unlink(child));
        }
    }
    fs.RemoveFolder(path);
}

}  // namespace

CTaskRun::~CTaskRun() {
    RemoveDiscTemp();
}

CTaskRun::TargetResult CTaskRun::CheckDisc(size_t index) {
    m_pDisc = nullptr;
    const std::string& path = m_targets[index].m_strPath;
    std::string drive;
    std::string folder;
    if (m_task.Has3(opt3::kCdAsDisk) || ArchiveTask() || !SplitDiscPath(path, drive, folder)) {
        return TargetResult::Proceed;
    }
    IDiscRecorder& recorders =
        m_env.m_pDiscRecorder ? *m_env.m_pDiscRecorder : SystemDiscRecorder();
    const std::string text = FormatText(LoadString(IDS_DISC_NOT_READY).c_str(), path.c_str());
    // As for a folder target, the question is put whatever the policy: a disc can be inserted.
    PromptAnswer answer = PromptAnswer::Abort;
    for (;;) {
        std::optional<CDiscRecorder> recorder = CDiscMaster(recorders).RecorderFor(path, folder);
        if (recorder && recorder->OpenExclusive()) {
            auto& disc = m_discs[index];
            disc = std::make_unique<CDiscTarget>(path, std::move(*recorder), folder);
            m_pDisc = disc.get();
            return TargetResult::Proceed;
        }
        answer = AskAbortRetryIgnore(m_task, text);
        if (answer != PromptAnswer::Retry) {
            break;
        }
    }
    // An address is no folder: it is not listed or created like one.
    LogRunError(m_task, text);
    return Ending(EndTaskWithError(0, {}, answer, false));
}

// Remote copies are made below a folder of this run's own, so that two runs never remove
// each other's copies while an image still has to read them.
const std::string& CTaskRun::DiscTempFolder() {
    if (!m_strDiscTemp.empty()) {
        return m_strDiscTemp;
    }
    const std::string parent = ProgramDataFolder() + "/Temp";
    int err = 0;
    if (EnsureFolder(m_env.m_fs, parent, &err)) {
        for (unsigned n = 0; n < 1000; ++n) {
            const std::string folder =
                parent + "/disc" + std::to_string(m_task.m_nTaskId) + "-" + std::to_string(n);
            err = m_env.m_fs.MakeFolder(folder);
            if (err == 0) {
                m_strDiscTemp = folder;
                return m_strDiscTemp;
            }
            if (err != EEXIST) {
                break;
            }
        }
    }
    LogRunError(m_task, FillDisc(IDS_DISC_TEMP_FAILED, parent, SystemErrorText(err)));
    return m_strDiscTemp;
}

void CTaskRun::RemoveDiscTemp() {
    if (!m_strDiscTemp.empty()) {
        RemoveTree(m_env.m_fs, m_strDiscTemp);
        m_strDiscTemp.clear();
    }
}

// Each disc target is burnt on the recorder its own path names, with its own image; errors go
// to that target's record.
void CTaskRun::BurnDiscs() {
    for (auto& [index, disc] : m_discs) {
        if (Canceled()) {
            break;
        }
        m_run.SelectTarget(index);
        CDiscTarget& target = *disc;
        CJolietDiscMaster image;
        image.AddData(target.m_image.Root());
        // An image without files would only wipe the disc that holds the last backup.
        if (!image.HoldsFiles()) {
            continue;
        }
        if (!target.m_recorder.OpenExclusive()) {
            LogRunError(m_task, FormatText(LoadString(IDS_DISC_NOT_READY).c_str(),
                                           target.m_strPath.c_str()));
            Status(IDS_BURN_CD_ERROR);
            continue;
        }
        if (m_task.Has3(opt3::kEraseCd)) {
            EraseDisc(target);
        }
        Status(IDS_BURNING_CD);
        bool burnt = BurnDisc(target, image);
        if (!burnt && !Canceled()) {
            DiscWait();
            burnt = !Canceled() && BurnDisc(target, image);
        }
        Status(burnt ? IDS_BURNING_CD_DONE : IDS_BURN_CD_ERROR);
    }
    RemoveDiscTemp();
}

void CTaskRun::EraseDisc(CDiscTarget& disc) {
    Status(IDS_ERASING_CD);
    const EraseMode mode = m_task.Has3(opt3::kFullErase) ? EraseMode::Full : EraseMode::Quick;
    std::string error;
    if (!disc.m_recorder.Erase(mode, error)) {
        LogRunError(m_task, FillDisc(IDS_DISC_ERASE_FAILED, disc.m_strPath, error));
        Status(IDS_ERASE_CD_ERROR);
        return;
    }
    DiscWait();
    Status(IDS_ERASE_CD_DONE);
}

bool CTaskRun::BurnDisc(CDiscTarget& disc, const CJolietDiscMaster& image) {
    IDiscRecorder& recorders =
        m_env.m_pDiscRecorder ? *m_env.m_pDiscRecorder : SystemDiscRecorder();
    ITaskObserver* observer = m_task.Has2(opt2::kSilent) ? nullptr : m_run.Observer();
    // A pause would starve the recorder, so only a cancel stops a burn.
    const BurnProgressFn progress = [this, observer](const CBurnProgress& shown) {
        if (observer) {
            observer->BurnProgress(shown.m_nPercent, shown.m_nKiloBytesPerSecond);
        }
        return !Canceled();
    };
    const EjectMode eject = m_task.Has3(opt3::kEjectCd) ? EjectMode::Eject : EjectMode::Keep;
    std::string error;
    if (CDiscMaster(recorders).RecordDisc(disc.m_recorder, image, eject, progress, error)) {
        return true;
    }
    LogRunError(m_task, FillDisc(IDS_DISC_BURN_FAILED, disc.m_strPath, error));
    return false;
}

void CTaskRun::DiscWait() {
    if (m_env.m_discWait) {
        m_env.m_discWait(kRecorderRest);
        return;
    }
    const auto until = std::chrono::steady_clock::now() + kRecorderRest;
    while (std::chrono::steady_clock::now() < until && !Canceled()) {
        std::this_thread::sleep_for(kWaitSlice);
    }
}

}  // namespace tv
