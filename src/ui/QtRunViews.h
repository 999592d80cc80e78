#pragma once

#include <map>
#include <memory>
#include <vector>

#include <QPointer>

#include "ui/GuiBridge.h"
#include "uimodel/RunViews.h"

class QWidget;

namespace tv {

class CProfile;
class CProgressPresenter;
class CTaskDlg;

// The windows of the runs: a progress window per run, the workers' questions in boxes and the
// preview window. A question or preview blocks no other window: its worker waits for its own
// answer while the GUI thread goes on, so the answers of several runs come in any order. Made
// on the GUI thread and used there, except for what the workers call (the observers, the
// prompters, Preview(), Post), which may be called from any thread.
//
// It must outlive every run it serves. Before the GUI thread waits for runs to end (the exit
// of the program), Detach() lets every worker go on without the windows, so that a worker never
// waits for a GUI thread that waits for it.
class CQtRunViews : public IRunViews {
  public:
    // `profile`: where the preview keeps its size.
    CQtRunViews(IRunBoard& board, CProfile& profile);
    ~CQtRunViews() override;
    CQtRunViews(const CQtRunViews&) = delete;
    CQtRunViews& operator=(const CQtRunViews&) = delete;

    ITaskObserver* OpenProgress(CElement& task, int sequence) override;
    void CloseProgress(CElement& task) override;
    ITaskPrompter& Prompter(CElement& task) override;
    IPreviewHandler& Preview() override;
    void Post(std::function<void()> fn) override;

    // GUI thread. The observer of a run whose progress window opens with its first report, so
    // that a run waiting for its turn shows no window yet. Lives as long as this object.
    ITaskObserver* OpenProgressOnFirstReport(CElement& task, int sequence);
    // GUI thread. From now on the workers' reports are dropped, questions take the answer that
    // changes nothing more (Ignore, No) and previews are refused; open questions and previews
    // are closed. Posted calls still arrive.
    void Detach();
    // GUI thread. The progress window of the latest run of `task` while it is open.
    CTaskDlg* ProgressWindow(const CElement& task) const;
    // GUI thread. A progress window, question or preview is still on the screen.
    bool AnyWindowOpen() const;

  private:
    class CRunLink;
    class CTaskPrompter;
    class CPreviewShower final : public IPreviewHandler {
      public:
        explicit CPreviewShower(CQtRunViews& views) : m_views(views) {}
        bool ShowPreview(CElement& task, CTreeF& merged, const CPlanBytes& bytes,
                         const CPreviewRequest& request) override;

      private:
        CQtRunViews& m_views;
    };

    std::shared_ptr<CProgressPresenter> ShowProgress(CElement& task, int sequence);
    // Shows a window that a worker waits on; it answers `fallback` should it go without an
    // answer. GUI thread.
    void ShowQuestion(QWidget* window, const CGuiBridge::Reply& reply, int fallback);
    void DropEndedLinks();
    void RefreshShutdownBoxes();

    IRunBoard& m_board;
    CProfile& m_profile;
    CGuiBridge m_bridge;
    CPreviewShower m_preview;
    struct CWindow {
        const CElement* m_pTask;
        QPointer<CTaskDlg> m_pWindow;
    };

    std::vector<std::unique_ptr<CRunLink>> m_links;
    std::vector<CWindow> m_windows;
    std::vector<QPointer<QWidget>> m_questions;
    // A task's prompter names it; it serves every run of the task.
    std::map<const CElement*, std::unique_ptr<CTaskPrompter>> m_prompters;
};

}  // namespace tv
