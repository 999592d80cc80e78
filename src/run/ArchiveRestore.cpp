#include <cerrno>
#include <string>

#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "run/TaskRun.h"
#include "scan/InvestigateJob.h"
#include "scan/RunPrompts.h"
#include "sync/ErrorPolicy.h"
#include "sync/FileOperations.h"
#include "sync/Pass.h"
#include "task/Element.h"
#include "zip/ZipReader.h"

namespace tv {

namespace {

bool Exists(IFileSystem& fs, const std::string& path, CFileInfo& st) {
    return fs.Stat(path, st, LinkMode::Follow) == 0 && st.m_type == EntryType::File;
}

std::string Fill(int id, const std::string& a, const std::string& b = {}) {
    return FormatText(LoadString(id).c_str(), a.c_str(), b.c_str());
}

// Extracts every entry of an open archive into the root, in index order, under the error
// policy. A refused entry is logged and passed over; nothing of it is written.
class CArchiveUnpacker {
  public:
    CArchiveUnpacker(CElement& task, CZipReader& reader, std::string root, std::string archive)
        : m_task(task),
          m_reader(reader),
          m_policy(task),
          m_strRoot(std::move(root)),
          m_strArchive(std::move(archive)) {}

    // False when the run must stop.
    bool Unpack() {
        const auto canceled = [this] { return IsTaskCanceled(m_task); };
        for (uint64_t i = 0; i < m_reader.EntryCount(); ++i) {
            if (IsTaskCanceled(m_task)) {
                return true;
            }
            CExtractStatus status;
            const CPolicyOutcome outcome = m_policy.Perform(
                FileOpKind::Copy, JoinPath(m_strRoot, m_reader.EntryName(i)), 0, [&] {
                    status = m_reader.Extract(i, m_strRoot, canceled);
                    return Outcome(status);
                });
            if (!outcome.m_bGoOn) {
                return false;
            }
            if (status.m_result == ExtractResult::Refused) {
                m_policy.LogError(status.m_kind == ZipEntryKind::Link
                                      ? Fill(IDS_ZIP_LINK_NOT_RESTORED, status.m_strPath)
                                      : Fill(IDS_ZIP_ENTRY_REFUSED, status.m_strPath, m_strRoot));
            } else if (outcome.m_bDone) {
                Extracted(status.m_strPath);
            }
        }
        return true;
    }

    uint32_t Count() const { return m_nExtracted; }

  private:
    static COpStatus Outcome(const CExtractStatus& status) {
        switch (status.m_result) {
            case ExtractResult::Done:
            case ExtractResult::Refused:
                return {};
            case ExtractResult::Canceled:
                return {OpResult::Canceled, 0};
            case ExtractResult::Failed:
                break;
        }
        return {OpResult::Failed, status.m_error == kZipDamaged ? EBADMSG : status.m_error};
    }

    void Extracted(const std::string& path) {
        ++m_nExtracted;
        RecordShown(m_task, CTaskInfor::CopiedFromTarget, m_strArchive + " ---> " + path);
    }

    CElement& m_task;
    CZipReader& m_reader;
    CErrorPolicy m_policy;
    std::string m_strRoot;
    std::string m_strArchive;
    uint32_t m_nExtracted = 0;
};

}  // namespace

// A remote archive is read from a local copy: libzip reads the directory at the end first.
CTaskRun::TargetResult CTaskRun::RestoreArchive(size_t index) {
    IFileSystem& fs = m_sides.Fs();
    const std::string& archive = m_targets[index].m_strPath;
    CFileInfo st;
    PromptAnswer answer = PromptAnswer::Abort;
    while (!Exists(fs, archive, st)) {
        answer = AskAbortRetryIgnore(m_task, Fill(IDS_CANT_OPEN, archive));
        if (answer != PromptAnswer::Retry) {
            break;
        }
    }
    if (!Exists(fs, archive, st)) {
        return Ending(
            EndTaskWithError(IDS_ARCHIVE_MISSING, LoadString(IDS_ARCHIVE_MISSING), answer, false));
    }
    const bool remote = m_task.m_Targets[index].IsRemote();
    std::string local = archive;
    if (remote) {
        Status(IDS_DOWNLOADING_ZIP);
        Detail(LoadString(IDS_DOWNLOADING_ZIP));
        const std::string folder = ProgramDataFolder() + "/Temp";
        local = folder + "/tmpzip" + std::to_string(m_task.m_nTaskId) + ".zip";
        CRunBytes bytes;
        int err = 0;
        COpStatus got{OpResult::Failed, 0};
        if (EnsureFolder(m_env.m_fs, folder, &err)) {
            got = CFileOperations(m_task, fs)
                      .CopyFile({archive, local, st.m_size, std::nullopt}, bytes);
        }
        if (!got.Ok()) {
            const int why = got.m_error != 0 ? got.m_error : (err != 0 ? err : EIO);
            return Ending(
                EndTaskWithError(0, Fill(IDS_ZIP_DOWNLOAD_ERROR, archive, SystemErrorText(why)),
                                 PromptAnswer::Abort, Canceled()));
        }
    }
    const TargetResult result = Unpack(local, archive);
    if (remote) {
        fs.Unlink(local);
    }
    return result;
}

CTaskRun::TargetResult CTaskRun::Unpack(const std::string& local, const std::string& archive) {
    CZipReader reader(m_sides.Fs());
    const int err = reader.Open(local);
    if (err != 0) {
        const std::string text = err == kZipDamaged
                                     ? Fill(IDS_ZIP_DAMAGED, archive)
                                     : Fill(IDS_CANT_OPEN, archive) + " " + SystemErrorText(err);
        return Ending(EndTaskWithError(0, text, PromptAnswer::Abort, false));
    }
    Status(IDS_COPYING_FILES);
    CArchiveUnpacker unpacker(m_task, reader, SourceRoot(), archive);
    const bool goOn = unpacker.Unpack();
    CPassCounts counts;
    counts.m_nCopiedFromTarget = unpacker.Count();
    CountChanges(counts);
    if (!goOn) {
        return Ending(EndTaskWithError(0, {}, PromptAnswer::Abort, false));
    }
    return Canceled() ? TargetResult::Canceled : TargetResult::Next;
}

}  // namespace tv
