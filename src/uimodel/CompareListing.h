#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/FtpTimeTable.h"
#include "run/RemoteSides.h"
#include "scan/TreeF.h"
#include "sync/PlanNames.h"
#include "task/Element.h"
#include "uimodel/CompareModel.h"

namespace tv {

// The task record that a comparison, or an action of the comparison window, runs under: the
// options a run would have (subfolders, the binary criterion, "Continue" on errors, so that
// nothing asks), a run begun for the life of the object, the sides reached as a run reaches
// them (local folders through `fs`, an FTP site through a connection of its own), and the
// error lines the engine logs on the way. A cancel through `control` reaches the run. Made and
// used on one working thread.
class CCompareTask : private ITaskObserver, private ITaskPrompter {
  public:
    CCompareTask(const CCompareArgs& args, IFileSystem& fs, CCompareControl* control);
    ~CCompareTask() override;
    CCompareTask(const CCompareTask&) = delete;
    CCompareTask& operator=(const CCompareTask&) = delete;

    // Connects the FTP sides. False with the reason when one cannot be reached, refuses the
    // login or shows an identity nobody accepted (unknown host keys and certificates are
    // refused: the window asks nothing while it lists). Blocks on the servers; cancelable.
    bool Connect(std::string& error);
    // Both sides' paths, the FTP sites mounted under their root texts.
    IFileSystem& Fs() { return m_sides.Fs(); }
    CElement& Task() { return m_task; }
    const std::string& LeftRoot() const { return m_task.m_Source.m_strPath; }
    const std::string& RightRoot() const { return m_task.m_Targets[0].m_strPath; }
    bool Canceled() { return IsTaskCanceled(m_task); }
    CCompareControl* Control() const { return m_pControl; }
    // What failed so far, in the engine's words. Any thread.
    std::vector<std::string> Errors() const;

  private:
    void AddError(const std::string& line) override;
    PromptAnswer AbortRetryIgnore(const std::string&) override { return PromptAnswer::Ignore; }
    PromptAnswer YesNo(const std::string&) override { return PromptAnswer::No; }

    CElement m_task;
    CFtpTimeTable m_ftpTimes;  // the shifts of LIST times a run would apply
    CRemoteSides m_sides;
    std::vector<CTag> m_sites;  // the FTP sides as the command line gave them
    CCompareControl* m_pControl;
    mutable std::mutex m_mutex;  // the investigation threads log errors too
    std::vector<std::string> m_errors;
};

// Whether a side that lacks the folder to list fails the listing (a root named on the command
// line) or is taken as empty (a folder below the roots that one side no longer has).
enum class MissingSide { Fails, IsEmpty };
enum class ListDepth { OneLevel, AsAsked };

// Both sides of one folder of the comparison: the folder `leftRel` below the left root and
// `rightRel` below the right one ("" for the roots themselves).
struct CSideTrees {
    CTreeF m_left;
    CTreeF m_right;
    bool m_bLeftThere = false;
    bool m_bRightThere = false;
};

// Lists both sides of one folder with the engine's investigation, counting the entries in
// the task's control. False when a side failed or the listing was canceled. Blocks; the
// working thread.
bool ListSides(CCompareTask& compare, const std::string& leftRel, const std::string& rightRel,
               ListDepth depth, MissingSide missing, CSideTrees& out);

// Pairs what two listed folders hold into rows of depth `depth` and below, in tree order, as
// CompareTrees does. Blocks only to read contents under Binary; the working thread.
class CRowPairing {
  public:
    CRowPairing(CCompareTask& compare, ContentCheck check);

    void PairFolder(const CTreeF* left, const CTreeF* right, const std::string& leftRel,
                    const std::string& rightRel, int depth, std::vector<CCompareRow>& out);
    void PairFiles(const CTreeF* left, const CTreeF* right, const std::string& leftRel,
                   const std::string& rightRel, int depth, std::vector<CCompareRow>& out);

  private:
    CompareMark MarkFiles(const CFileDoInfo& left, const CFileDoInfo& right,
                          const std::string& leftRel, const std::string& rightRel);

    CCompareTask& m_compare;
    ContentCheck m_check;
    NameMatch m_match;
};

// "folder/name", or the name alone below the root.
std::string JoinRel(const std::string& folder, const std::string& name);
// The folder part of a relative path; "" directly below the root.
std::string ParentOf(const std::string& rel);
// The root joined with a relative path.
std::string BelowRoot(const std::string& root, const std::string& rel);

}  // namespace tv
