#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "base/FileTime.h"
#include "platform/FileSystem.h"
#include "sync/ErrorPolicy.h"
#include "sync/FileOperations.h"
#include "sync/LinkGuard.h"
#include "sync/PlanNames.h"
#include "sync/RunProgress.h"
#include "task/Options.h"
#include "task/TaskInfor.h"

namespace tv {

class CElement;
class CFileDoInfo;
class CFileKeeper;
class CTreeF;

// What lies behind one side of a target. Local folders and remote sites (mounted in the pass's
// file system) are carried out by this pass; the archive and disc branches come with their
// transports, and until then a request naming one fails the pass at its root check without
// touching anything.
enum class SideMedium : uint8_t { Local, Ftp, Archive, Disc };

struct CPassRequest {
    std::string m_strSource;  // the source root folder
    std::string m_strTarget;  // the target root folder
    SideMedium m_sourceMedium = SideMedium::Local;
    SideMedium m_targetMedium = SideMedium::Local;
    // Kind 1 with "Copy synched files to the third place:": the folder that receives the
    // copies instead of the target. Empty: none.
    std::string m_strThirdPlace;
    // "Delete source files after task finishing" acts while the task's last target is done.
    bool m_bLastTarget = true;
    // Where deleted and replaced files go; none: they are gone for good. Outlives the pass.
    CFileKeeper* m_pKeeper = nullptr;

    // Two local folders, with the third place the task names (used in kind 1 only).
    static CPassRequest Local(const CElement& task, std::string source, std::string target,
                              bool lastTarget);
};

// The counts the summary prints.
struct CPassCounts {
    uint32_t m_nCopiedFromSource = 0;
    uint32_t m_nCopiedFromTarget = 0;
    uint32_t m_nDeleted = 0;
};

// The synchronization pass over a planned, merged tree: carries out every record's action and
// creates or removes one-sided folders, folder by folder, under the task's error policy, and
// writes each change and failure into the current target's record and the observer.
// One object per target and run, working in the file system `fs` that holds both roots.
class CSyncPass {
  public:
    CSyncPass(CElement& task, CPassRequest request, CRunBytes& bytes, IFileSystem& fs);

    // Worker thread of the run. Blocks on file I/O and on the questions of the error policy;
    // tests IsTaskCanceled before every file and every folder, and a canceled pass returns
    // true (the runner ends the run as canceled). False when the run must stop: a root that
    // cannot be opened, an Abort, or a failure under the policy "Stop without asking".
    bool Run(CTreeF& root);

    const CPassCounts& Counts() const { return m_counts; }

  private:
    struct CPaths {
        std::string m_src;
        std::string m_dst;
        std::string m_third;
    };
    // The names that the entries of one source folder take on the target, in list order, and
    // the names the target folder holds (listed when a folder on both sides needs them).
    struct CTargetNames {
        std::unordered_set<std::string> m_claimed;
        bool m_bListed = false;
        std::vector<std::string> m_existing;
    };

    bool CheckRoot(std::string& path, Side side);
    bool EnsureFolders(const std::string& path, CTaskInfor::List createdList);

    bool PassFolder(CTreeF& node, const CPaths& paths, bool belowIncomplete);
    bool PassSubfolder(CTreeF& sub, const CPaths& parent, bool belowIncomplete,
                       CTargetNames& names);
    bool OneSidedFolder(CTreeF& sub, const CPaths& paths, bool belowIncomplete, bool& usable);
    bool CreateFolder(CTreeF& sub, const std::string& path, Side side, bool& usable);
    bool RemoveFolder(CTreeF& sub, const std::string& path, Side side);

    bool PassFiles(CTreeF& node, const CPaths& paths, bool belowIncomplete, CTargetNames& names);
    bool SourceRecord(CFileDoInfo& record, const CPaths& paths, bool belowIncomplete,
                      CTargetNames& names);
    std::string TargetName(const std::string& name) const;
    std::string MergedTargetName(const std::string& name, const std::string& folder,
                                 CTargetNames& names);
    bool ClaimTargetName(const std::string& name, CTargetNames& names) const;
    void LogNameTaken(const std::string& path, const std::string& target);
    bool SetLocalTimeFromRemote(CFileDoInfo& record, const std::string& local,
                                const std::string& remote);
    SideMedium MediumOf(Side side) const;
    bool TargetRecord(CFileDoInfo& record, const CPaths& paths);
    bool Copy(CFileDoInfo& record, const std::string& from, const std::string& to,
              bool scannedDest);
    bool Delete(CFileDoInfo& record, const std::string& path, Side side);
    bool CopyAttributes(CFileDoInfo& record, const std::string& from, const std::string& to);
    bool CopyTimes(CFileDoInfo& record, const std::string& from, const std::string& to);
    bool PassOverOutsideLink(CFileDoInfo& record, const std::string& to);
    bool DeleteSourceAfterRun(CFileDoInfo& record, const std::string& path);
    bool ReadyThirdPlace(const std::string& folder);

    void ShowFile(const std::string& src, const std::string& dst);
    void LogChange(CTaskInfor::List list, const std::string& line, const std::string& detail);
    void LogCopy(const CFileDoInfo& record, const std::string& from, const std::string& to,
                 const char* arrow);
    void PassOver(const CTreeF& sub);
    bool LeavesRoots(const CPaths& paths);
    bool LeavesRoot(const std::string& path, Side side);
    std::string TimeText(FileTime time);

    CElement& m_task;
    CPassRequest m_request;
    CRunBytes& m_bytes;
    IFileSystem& m_fs;
    CFileOperations m_fileOps;
    CErrorPolicy m_policy;
    CPassCounts m_counts;
    const RunKind m_kind;
    const bool m_bSilent;
    const bool m_bThirdPlace;  // copies go to the third place instead of the target
    const bool m_bChangesSource;
    const bool m_bChangesTarget;
    const NameCase m_targetCase;  // names are converted only on their way to a remote target
    std::optional<CLinkGuard> m_sourceGuard;  // from Run, once the roots are known
    std::optional<CLinkGuard> m_targetGuard;
    bool m_bCanceled = false;
    bool m_bProgressShown = false;
    int64_t m_progressSecond = 0;
    std::string m_thirdReady;                            // the third-place folder known to exist
    std::unordered_map<int64_t, int64_t> m_zoneOffsets;  // quarter hour -> seconds east of UTC
};

}  // namespace tv
