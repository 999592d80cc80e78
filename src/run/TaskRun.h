#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "report/TaskLog.h"
#include "run/LastSync.h"
#include "run/RemoteSides.h"
#include "run/TaskRunner.h"
#include "task/KeepSettings.h"
#include "task/Tag.h"
#include "task/TaskObserver.h"

namespace tv {

class CElement;
class CJolietDiscMaster;
class CFileKeeper;
class CTreeF;
struct CInvestigationRequest;
struct CPassCounts;
struct CPlanBytes;
struct CRunBytes;
struct CSkippedItem;

// The state of one run on its worker thread: the steps of TaskThreadProc, split between the
// start and end (TaskRunner.cpp) and the target loop (TaskTargets.cpp).
class CTaskRun {
  public:
    CTaskRun(CElement& task, const CRunEnvironment& env);
    ~CTaskRun();
    CTaskRun(const CTaskRun&) = delete;
    CTaskRun& operator=(const CTaskRun&) = delete;
    int Run();

  private:
    // How a target, or a step of it, went: go on with this target, go on with the next one,
    // or leave the loop.
    enum class TargetResult { Proceed, Next, Canceled, Ended };
    // How the preview let the run go on. A pass of which the user unchecked rows does not
    // count as a synchronization: what those rows would have copied is not on the other side,
    // and must not look deleted there since.
    enum class PreviewAnswer { Refused, AllRows, SomeRowsUnchecked };

    void StartDelay();
    void RunBefore();
    void DialUp();
    int EndRun();

    TargetResult RunTargets();
    TargetResult ProcessTarget(size_t index);
    // A disc target of this run: its recorder and what the pass staged for it
    // (DiscTargets.cpp, DiscStaging.cpp).
    struct CDiscTarget;
    // A target path that names a recorder becomes a disc target, unless "Work as ordinary disk
    // drive" is on; one whose recorder cannot be used fails under the error policy.
    TargetResult CheckDisc(size_t index);
    // Stages the files the plan chose into the current disc target's image instead of the
    // pass; false when the run must stop.
    bool StageDisc(CTreeF& merged, CRunBytes& bytes, CPassCounts& counts);
    // The private folder that holds the copies of remote files that an image reads; empty
    // when it cannot be made (the reason is logged).
    const std::string& DiscTempFolder();
    void RemoveDiscTemp();
    // After the last target: erases and burns each disc target on its own recorder. Blocks for
    // every erase and burn; a cancel stops a burn and the steps after it.
    void BurnDiscs();
    // Blocks for the whole erase; the burn follows whatever its outcome.
    void EraseDisc(CDiscTarget& disc);
    bool BurnDisc(CDiscTarget& disc, const CJolietDiscMaster& image);
    // The rest a recorder needs before the next command; a cancel cuts it short.
    void DiscWait();
    TargetResult ConnectSides(size_t index);
    void LogRefusedNames();
    // A remote root that names a file makes the target's work that one file: the roots become
    // the folders that hold it, and only entries of its name are compared.
    void FindSingleFile(size_t index);
    void KeepSingleFile(CTreeF& root) const;
    TargetResult CheckSource();
    TargetResult CheckTarget(size_t index);
    TargetResult InvestigationFailed(const CInvestigationRequest& request);
    // `scanStart`: when the target's scan began; none when a completed pass must not count as
    // a synchronization.
    TargetResult Synchronize(size_t index, CTreeF& merged, CRunBytes& bytes,
                             std::optional<FileTime> scanStart);
    bool SpareEmptiedSide(const CTreeF& merged, size_t sourceFiles, size_t targetFiles);
    PreviewAnswer ShowPreview(CTreeF& merged, const CPlanBytes& bytes, size_t index);
    // A dry run hands the plan to its report instead of going on (DryRunReport.cpp).
    bool Dry() const { return m_env.m_pDryRun != nullptr; }
    void DryNote(const std::string& line) const;
    void ReportPlan(size_t index, const CTreeF& merged, const std::vector<CSkippedItem>& skipped);
    int PeekNextTarget() const;
    void RenewSnapshot(size_t index, const CTreeF& merged, bool passCompleted);
    // A backup task whose targets are zip archives (ArchiveBackup.cpp, ArchiveRestore.cpp).
    bool ArchiveTask() const;
    // Whether the stored source snapshot stands for the target in this run.
    bool SnapshotStandsForTarget() const;
    // Packs the files the plan chose into the target's archive instead of the pass; false
    // when the run must stop. A canceled run leaves the archive that was there as it was.
    bool PackArchive(size_t index, CTreeF& merged, CRunBytes& bytes, CPassCounts& counts);
    TargetResult RestoreArchive(size_t index);
    TargetResult Unpack(const std::string& local, const std::string& archive);
    void CountChanges(const CPassCounts& counts);
    // Files kept by earlier runs in the versions folders of both roots, once their days are
    // over (KeptFiles.cpp).
    void PruneKeptFiles();
    // The roots of target `index` whose deleted and replaced files `keeper` keeps.
    void AddKeptRoots(CFileKeeper& keeper, size_t index) const;
    void RecordKeptPlaces(const CFileKeeper& keeper);
    // What the preview says of the files the run will keep; empty when it keeps none.
    std::string KeepNote() const;
    TargetResult Ending(bool ended) const {
        return ended ? TargetResult::Ended : TargetResult::Next;
    }

    // The common error and cancel ending. Adds `text` (if any) to the current target's
    // errors; true when it ended the run, false when the run goes on with the next target
    // (not canceled, and the policy continues or the last answer was Ignore).
    bool EndTaskWithError(int messageId, const std::string& text, PromptAnswer lastAnswer,
                          bool canceled);
    void Finish(RunEnd end, int messageId);

    void Status(int stringId) const;
    void Detail(const std::string& line) const;
    void ShowError(const std::string& line) const;
    bool Canceled() const;
    const std::string& SourceRoot() const { return m_strSourceRoot; }
    const std::string& TargetRoot() const { return m_strTargetRoot; }

    CElement& m_task;
    CTaskRunState& m_run;
    const CRunEnvironment& m_env;
    CTaskLog m_log;
    CLastSyncStore m_lastSync;
    // The locations' file system: local paths and the remote sites this run connected.
    CRemoteSides m_sides;
    // The locations as the run reads them (CTag::ForRun): every path it compares derives from
    // these, never from what the task list holds.
    const CTag m_source;
    const std::vector<CTag> m_targets;
    std::string m_strDialed;     // the connection this run brought up
    std::string m_strStartText;  // "Task started: " and the time
    std::string m_strEndText;    // "Task ended: " or "Task canceled by user " and the time
    bool m_bLastTarget = false;  // the last target of the list is being processed
    // A dry run found the target root missing where the task creates it: the plan lists it
    // as empty instead of making it.
    bool m_bTargetToCreate = false;
    // The roots of the current target's two sides, and the one file name when a remote root
    // named a file (else empty).
    std::string m_strSourceRoot;
    std::string m_strTargetRoot;
    std::string m_strSingleName;
    std::map<size_t, std::unique_ptr<CDiscTarget>> m_discs;  // by target index
    CDiscTarget* m_pDisc = nullptr;  // the current target's, when it is a disc target
    std::string m_strDiscTemp;
    // Read from the profile when the run starts, so that one run keeps files one way.
    const CKeepSettings m_keep;
    const std::string m_strKeepRunName;  // this run's folder in the versions folders
};

}  // namespace tv
