#include <cerrno>
#include <cstdio>
#include <string>

#include "base/FileTime.h"
#include "base/PathText.h"
#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/LocaleDate.h"
#include "run/TaskRun.h"
#include "scan/InvestigateJob.h"
#include "scan/TreeF.h"
#include "sync/ErrorPolicy.h"
#include "sync/FileOperations.h"
#include "sync/Pass.h"
#include "task/Element.h"
#include "zip/ZipWriter.h"

namespace tv {

namespace {

// The local time in the order of the user's dates, with "." and "-" for the separators that a
// file name cannot hold everywhere: "24.12.26 18-30-00 " before "backup.zip".
std::string DateTimePrefix() {
    const std::string& format = LocaleDateFormat();
    const size_t day = format.find("%d");
    const size_t month = format.find("%m");
    const size_t year = format.find_first_of("yY");
    std::string order = "%m.%d.%y";
    if (day != std::string::npos && month != std::string::npos && day < month) {
        order = "%d.%m.%y";
    } else if (year != std::string::npos && (month == std::string::npos || year < month)) {
        order = "%y.%m.%d";
    }
    const CCalendarTime now = LocalCalendarFromUnix(CurrentTaskTime());
    char clock[16];
    std::snprintf(clock, sizeof clock, " %02d-%02d-%02d ", now.hour, now.minute, now.second);
    return FormatDate(order, now.year, now.month, now.day) + clock;
}

std::string WithPrefix(const std::string& path, const std::string& prefix) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? prefix + path
                                      : path.substr(0, slash + 1) + prefix + path.substr(slash + 1);
}

// Adds every file the plan chose, folder by folder, under the error policy. False when the
// run must stop.
class CArchivePacker {
  public:
    CArchivePacker(CElement& task, CZipWriter& writer, CRunBytes& bytes, std::string archive)
        : m_task(task),
          m_writer(writer),
          m_policy(task, &bytes),
          m_bytes(bytes),
          m_strArchive(std::move(archive)) {}

    // Marks each record done or failed, as the pass does, for the snapshot.
    bool Pack(CTreeF& node, const std::string& folder) {
        for (CFileDoInfo& record : node.files) {
            if (IsTaskCanceled(m_task)) {
                return true;
            }
            if (record.side == Side::Source && record.selected && record.action == ACTION_COPY &&
                !Add(record, JoinPath(folder, record.name))) {
                return false;
            }
        }
        for (const auto& sub : node.subfolders) {
            if (!Pack(*sub, JoinPath(folder, sub->name))) {
                return false;
            }
        }
        return true;
    }

    uint32_t Added() const { return m_nAdded; }

  private:
    bool Add(CFileDoInfo& record, const std::string& path) {
        if (!m_task.Has2(opt2::kSilent)) {
            m_task.m_Run.SetDisplayPath(Side::Source, path);
            m_task.m_Run.SetDisplayPath(Side::Target, m_strArchive);
        }
        const CPolicyOutcome outcome = m_policy.Perform(FileOpKind::Copy, path, record.size, [&] {
            const int err = m_writer.AddFile(path);
            return err == 0 ? COpStatus{} : COpStatus{OpResult::Failed, err};
        });
        record.done = outcome.m_bDone;
        record.failed = !outcome.m_bDone;
        if (outcome.m_bDone) {
            ++m_nAdded;
            m_bytes.m_done += record.size;
            RecordShown(m_task, CTaskInfor::CopiedFromSource, path + " ---> " + m_strArchive);
            ShowCopyProgress(m_task, m_bytes.Percent());
        }
        return outcome.m_bGoOn;
    }

    CElement& m_task;
    CZipWriter& m_writer;
    CErrorPolicy m_policy;
    CRunBytes& m_bytes;
    std::string m_strArchive;
    uint32_t m_nAdded = 0;
};

}  // namespace

bool CTaskRun::ArchiveTask() const {
    return m_task.Kind() == TaskKind::BackupRestore && m_task.Has3(opt3::kArchiveTarget);
}

// An archive replaces the last one, so a snapshot would shrink it to the changed files; only
// an archive of its own per run (the date-time option) may take the changes alone. A disc is
// burnt afresh on every run, so it always takes every file.
bool CTaskRun::SnapshotStandsForTarget() const {
    return m_run.Kind() == RunKind::UpdateTarget && m_task.m_bUseSnapshot &&
           (!ArchiveTask() || m_task.Has3(opt3::kZipDatePrefix)) && !m_pDisc;
}

bool CTaskRun::PackArchive(size_t index, CTreeF& merged, CRunBytes& bytes, CPassCounts& counts) {
    Status(IDS_ARCHIVING_FILES);
    const bool remote = m_task.m_Targets[index].IsRemote();
    std::string archive = m_targets[index].m_strPath;
    if (m_task.Has3(opt3::kZipDatePrefix)) {
        archive = WithPrefix(archive, DateTimePrefix());
    }
    IFileSystem& fs = m_sides.Fs();
    const std::string tempFolder = ProgramDataFolder() + "/Temp";
    const std::string local =
        remote ? tempFolder + "/tmpzip" + std::to_string(m_task.m_nTaskId) + ".zip" : archive;
    CErrorPolicy policy(m_task);
    CZipWriter writer(fs);
    int err = 0;
    if (remote && !EnsureFolder(m_env.m_fs, tempFolder, &err)) {
        err = err != 0 ? err : EIO;
    }
    if (err == 0) {
        err = writer.Create(local);
    }
    if (err != 0) {
        policy.LogError(FormatText(LoadString(IDS_ZIP_WRITE_ERROR).c_str(), archive.c_str(),
                                   SystemErrorText(err).c_str()));
        return false;
    }
    writer.SetRootPath(SourceRoot());
    CArchivePacker packer(m_task, writer, bytes, archive);
    const bool goOn = packer.Pack(merged, SourceRoot());
    if (!goOn || IsTaskCanceled(m_task)) {
        return goOn;  // the writer discards its archive
    }
    err = writer.Close();
    if (err != 0) {
        policy.LogError(FormatText(LoadString(IDS_ZIP_WRITE_ERROR).c_str(), archive.c_str(),
                                   SystemErrorText(err).c_str()));
        return false;
    }
    counts.m_nCopiedFromSource = packer.Added();
    if (!remote) {
        return true;
    }
    Status(IDS_UPLOADING_ZIP);
    Detail(LoadString(IDS_UPLOADING_ZIP));
    CFileInfo st;
    CRunBytes upload;
    COpStatus sent{OpResult::Failed, 0};
    sent.m_error = fs.Stat(local, st, LinkMode::Follow);
    if (sent.m_error == 0) {
        sent =
            CFileOperations(m_task, fs).CopyFile({local, archive, st.m_size, std::nullopt}, upload);
    }
    if (!sent.Ok()) {
        policy.LogError(FormatText(LoadString(IDS_ZIP_UPLOAD_ERROR).c_str(),
                                   (archive + ": " + SystemErrorText(sent.m_error)).c_str()));
    }
    fs.Unlink(local);
    return true;
}

}  // namespace tv
