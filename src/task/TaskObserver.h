#pragma once

#include <optional>
#include <string>

#include "task/Side.h"

namespace tv {

// How the last run of a task ended: a normal end, a cancel, or an end on an error.
enum class RunEnd : int { None, Normal, Canceled, Error };

// Where a run reports what it does: the progress window and the terminal take the same
// events. Implementations marshal to their own thread (the GUI) or print (the terminal).
// Every call comes from a worker or investigation thread and may block until the receiver
// has taken it. The defaults ignore the call, as a silent run has no window.
//
// The paths on show travel in the run state (CTaskRunState::DisplayPath), not in the events:
// a run passes folders and files far faster than anyone can read them, so the receiver takes
// the latest ones when an event below says that they moved on.
class ITaskObserver {
  public:
    virtual ~ITaskObserver() = default;
    // A new phase, by its text id (IDS_INVESTIGATING, IDS_COPYING_FILES...).
    virtual void Status(int /*stringId*/) {}
    // The investigation of `side` went into another folder.
    virtual void Investigating(Side /*side*/) {}
    // The pass has copied `percent` (0 to 100) of its bytes; the file on show may have changed.
    virtual void CopyProgress(int /*percent*/) {}
    // A disc burn has written `percent` of its image, lately at `kiloBytesPerSecond`. A
    // receiver without a place for the speed shows the percentage as the copy's.
    virtual void BurnProgress(int percent, int /*kiloBytesPerSecond*/) { CopyProgress(percent); }
    virtual void AddError(const std::string& /*line*/) {}
    virtual void AddDetail(const std::string& /*line*/) {}
    // The run is over; no call of this run follows.
    virtual void TaskEnd(RunEnd /*end*/) {}
};

// Answers use the values of the classic message-box results so that they can be stored and
// compared as the runner's "last answer" (3 meaning that nothing was asked).
enum class PromptAnswer : int { Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// The questions a run asks. Called on a worker or investigation thread; blocks until the
// answer is known. An implementation that cannot reach anyone answers with the choice that
// changes nothing more (Ignore, No) and says so.
class ITaskPrompter {
  public:
    virtual ~ITaskPrompter() = default;
    virtual PromptAnswer AbortRetryIgnore(const std::string& message) = 0;
    virtual PromptAnswer YesNo(const std::string& message) = 0;
    // The password of an FTP site that keeps none; `site` names it as the windows show it.
    // Nothing when the user canceled or nobody can be asked: the connection then fails. The
    // answer is for this run only and is never stored.
    virtual std::optional<std::string> FtpPassword(const std::string& /*site*/) {
        return std::nullopt;
    }
};

}  // namespace tv
