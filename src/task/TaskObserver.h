#pragma once

#include <string>

namespace tv {

// Where a run reports what it does. It stands for the messages a worker sends to its
// progress window: implementations marshal to their own thread (the GUI) or print (the
// terminal). Every call comes from a worker or investigation thread and may block until the
// receiver has taken it. The defaults ignore the call, as a silent run has no window.
class ITaskObserver {
  public:
    virtual ~ITaskObserver() = default;
    // A new phase, by string id (103 investigating, 104 copying, 105 comparing...).
    virtual void Status(int /*stringId*/) {}
    // wParam 103: the folder being investigated changed (lParam 0 source, 1 target);
    // wParam 104: copy progress (lParam a percentage, or 0 for a change of the shown path).
    virtual void Progress(int /*wParam*/, int /*lParam*/) {}
    virtual void AddError(const std::string& /*line*/) {}
    virtual void AddDetail(const std::string& /*line*/) {}
    // The run is over: lParam 0 after a normal end, 1 after an error or a cancel.
    virtual void TaskEnd(int /*lParam*/) {}
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
};

}  // namespace tv
