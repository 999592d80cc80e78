#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include <QObject>
#include <QPointer>

namespace tv {

// Carries calls of worker threads over to the GUI thread. A worker that waits for its call
// can be let go: once the bridge is detached (the GUI is going away and may be about to wait
// for the workers), every call that has not started on the GUI thread returns without running,
// so that no worker waits for a GUI thread that waits for it.
class CGuiBridge {
  public:
    // GUI thread: the bridge delivers to the thread it was made on.
    CGuiBridge();
    ~CGuiBridge();
    CGuiBridge(const CGuiBridge&) = delete;
    CGuiBridge& operator=(const CGuiBridge&) = delete;

    // Any thread. Runs `fn` on the GUI thread and blocks until it has run (at once when called
    // on the GUI thread). False when it did not run because the bridge is detached.
    bool Call(const std::function<void()>& fn);
    // Called by a window with the user's answer; calls after the first are ignored. GUI thread.
    using Reply = std::function<void(int answer)>;
    // Any thread. Runs `open` on the GUI thread, which shows a window and hands it `reply`, and
    // blocks until the window has replied; nothing when the bridge was detached first. The GUI
    // thread goes on meanwhile, so that several questions are open at once, each answered on
    // its own. On the GUI thread itself it waits in a local event loop.
    std::optional<int> Await(const std::function<void(const Reply& reply)>& open);
    // Any thread. Runs `fn` on the GUI thread later, detached or not.
    void Post(std::function<void()> fn);
    // GUI thread. Lets every waiting and later Call return without running. A call that runs
    // already (a modal window of a worker) is finished first.
    void Detach();
    bool Detached() const;

  private:
    struct CState;
    std::shared_ptr<CState> m_state;
    QObject m_context;
};

}  // namespace tv
