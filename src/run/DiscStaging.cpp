#include <cerrno>

#include "base/PathText.h"
#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "run/DiscTarget.h"
#include "scan/InvestigateJob.h"
#include "scan/TreeF.h"
#include "sync/ErrorPolicy.h"
#include "sync/FileOperations.h"
#include "sync/Pass.h"
#include "task/Element.h"

namespace tv {

namespace {

// Puts each file the plan chose into a disc image, folder by folder, under the error policy:
// a local file is named there and read when the image is burnt; a remote one is copied into
// the run's temporary folder first. Marks each record done or failed, as the pass does.
class CDiscStager {
  public:
    struct CPaths {
        std::string m_src;       // the source folder
        std::string m_disc;      // the same folder on the target, as the log shows it
        std::string m_relative;  // below the source root, for the remote copies
    };

    // `tempFolder`: where remote copies go; empty for a local source.
    CDiscStager(CElement& task, IFileSystem& fs, CRunBytes& bytes, std::string tempFolder)
        : m_task(task),
          m_fs(fs),
          m_policy(task, &bytes),
          m_bytes(bytes),
          m_strTemp(std::move(tempFolder)) {}

    // False when the run must stop.
    bool Stage(CTreeF& node, const CPaths& paths, CFoldersAndFiles& image) {
        for (CFileDoInfo& record : node.files) {
            if (IsTaskCanceled(m_task)) {
                return true;
            }
            if (record.side == Side::Source && record.selected && record.action == ACTION_COPY &&
                !Add(record, paths, image)) {
                return false;
            }
        }
        for (const auto& sub : node.subfolders) {
            if (!Enters(*sub)) {
                continue;
            }
            const CPaths inner{JoinPath(paths.m_src, sub->name), JoinPath(paths.m_disc, sub->name),
                               JoinPath(paths.m_relative, sub->name)};
            if (!Stage(*sub, inner, image.GetOrAddChild(sub->name))) {
                return false;
            }
        }
        return true;
    }

    uint32_t Added() const { return m_nAdded; }

  private:
    // The target was never listed, so every folder is the source's alone.
    bool Enters(const CTreeF& sub) const {
        const bool onlyIfOnTarget =
            m_task.m_Run.Kind() == RunKind::UpdateTarget && m_task.Has1(opt1::kOnlyIfOnTarget);
        const bool emptyLeftOut = m_task.Has1(opt1::kNoEmptyFolders) && sub.sourceEmpty;
        return m_task.Has1(opt1::kIncludeSubfolders) && !sub.targetOnly && !onlyIfOnTarget &&
               !emptyLeftOut;
    }

    bool Add(CFileDoInfo& record, const CPaths& paths, CFoldersAndFiles& image) {
        const std::string src = JoinPath(paths.m_src, record.name);
        const std::string disc = JoinPath(paths.m_disc, record.name);
        if (!m_task.Has2(opt2::kSilent)) {
            m_task.m_Run.SetDisplayPath(Side::Source, src);
            m_task.m_Run.SetDisplayPath(Side::Target, disc);
        }
        const CPolicyOutcome outcome = m_policy.Perform(FileOpKind::Copy, src, record.size, [&] {
            std::string local = src;
            const COpStatus ready =
                m_strTemp.empty()
                    ? Present(src)
                    : Fetch(record, src, JoinPath(paths.m_relative, record.name), local);
            if (!ready.Ok() || image.AddFile(record.name, local)) {
                return ready;
            }
            return COpStatus{OpResult::Failed, EEXIST};
        });
        record.done = outcome.m_bDone;
        record.failed = !outcome.m_bDone;
        if (outcome.m_bDone) {
            ++m_nAdded;
            m_bytes.m_done += m_strTemp.empty() ? record.size : 0;
            RecordShown(m_task, CTaskInfor::CopiedFromSource, src + " ---> " + disc);
            ShowCopyProgress(m_task, m_bytes.Percent());
        }
        return outcome.m_bGoOn;
    }

    // A file that is gone now would only fail the whole burn later.
    COpStatus Present(const std::string& path) {
        CFileInfo st;
        const int err = m_fs.Stat(path, st, LinkMode::Follow);
        return err == 0 ? COpStatus{} : COpStatus{OpResult::Failed, err};
    }

    COpStatus Fetch(const CFileDoInfo& record, const std::string& src, const std::string& relative,
                    std::string& local) {
        local = JoinPath(m_strTemp, relative);
        int err = 0;
        if (!EnsureFolder(m_fs, FolderOf(local), &err)) {
            return COpStatus{OpResult::Failed, err != 0 ? err : EIO};
        }
        return CFileOperations(m_task, m_fs)
            .CopyFile({src, local, record.size, std::nullopt}, m_bytes);
    }

    CElement& m_task;
    IFileSystem& m_fs;
    CErrorPolicy m_policy;
    CRunBytes& m_bytes;
    std::string m_strTemp;
    uint32_t m_nAdded = 0;
};

}  // namespace

bool CTaskRun::StageDisc(CTreeF& merged, CRunBytes& bytes, CPassCounts& counts) {
    Status(IDS_PREPARING_CD_IMAGE);
    std::string temp;
    if (m_task.m_Source.IsRemote()) {
        temp = DiscTempFolder();
        if (temp.empty()) {
            return m_run.Policy() != ErrorPolicy::Stop;
        }
    }
    CDiscStager stager(m_task, m_sides.Fs(), bytes, temp);
    const bool goOn =
        stager.Stage(merged, {SourceRoot(), m_pDisc->m_strPath, {}}, m_pDisc->m_image.Innermost());
    counts.m_nCopiedFromSource = stager.Added();
    // The files reach the disc only with the burn after the last target, which may fail.
    if (m_run.Kind() == RunKind::UpdateTarget && m_task.m_bDeleteSourceAfterRun &&
        stager.Added() > 0) {
        LogRunError(m_task, FormatText(LoadString(IDS_DISC_SOURCE_KEPT).c_str(),
                                       m_pDisc->m_strPath.c_str()));
    }
    return goOn;
}

}  // namespace tv
