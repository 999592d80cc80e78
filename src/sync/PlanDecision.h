#pragma once

#include <string>

#include "scan/FileDoInfo.h"
#include "sync/Plan.h"
#include "task/Options.h"

namespace tv {

// Whether the listing of a folder, or of a folder above it, was cut short on each side. Where
// a side's listing is incomplete, a file missing there may only have gone unseen.
struct CIncomplete {
    bool m_bSource = false;
    bool m_bTarget = false;

    bool Any() const { return m_bSource || m_bTarget; }
};

enum class Conflict : uint8_t { NotAsked, Accepted, Refused };

// What happens to a target record after its decision.
enum class TargetFate : uint8_t { Drop, Keep, KeepFirst };

// The per-record decisions of the planning step for one run. Worker thread of the run.
class CPlanDecision {
  public:
    CPlanDecision(CElement& task, const CPlanRequest& request, CPlanBytes& bytes, CRunBytes& run);

    // A source and a target record of the same name. True when the target record acts (it is
    // then decided again, with the one-sided ones, by DecideTarget).
    bool DecidePair(CFileDoInfo& s, CFileDoInfo& t, const std::string& srcFolder,
                    const std::string& dstFolder);
    void DecideSourceOnly(CFileDoInfo& s, CIncomplete incomplete);
    // A target record without a twin, or one that acts after DecidePair.
    TargetFate DecideTarget(CFileDoInfo& t, CIncomplete incomplete);

    // After the folder's subfolders: whether the one-sided folder goes as a whole because its
    // twin was deleted since the last synchronization (CTreeF::existedAtLastSync).
    void DecideFolder(CTreeF& folder) const;

  private:
    // Kind 0 and kind 1 pairs: true when the target record acts.
    bool DecideTwoWay(CFileDoInfo& s, CFileDoInfo& t, int r, const std::string& srcFolder,
                      const std::string& dstFolder);
    void DecideUpdate(CFileDoInfo& s, const CFileDoInfo& t, int r, const std::string& srcFolder,
                      const std::string& dstFolder);
    // The conflict question, when the preference asks for it and both files changed: may the
    // file on `winner` overwrite the other?
    Conflict Ask(const CFileDoInfo& s, const CFileDoInfo& t, const std::string& srcFolder,
                 const std::string& dstFolder, Side winner);
    bool Has(uint32_t bit) const;
    bool ChangedSinceLastSync(const CFileDoInfo& record) const;
    // Kind 0 with "Delete NEW files ... BEFORE last synchronization".
    bool DeletesSinceLastSync() const;
    void Act(CFileDoInfo& record, FileAction action, uint64_t& counter);
    void ActSource(CFileDoInfo& s, FileAction action);

    CElement& m_task;
    const CPlanRequest& m_request;
    CPlanBytes& m_bytes;
    CRunBytes& m_run;
    const RunKind m_kind;
    uint64_t m_uncounted = 0;  // the counter of actions that only add to the total
};

}  // namespace tv
