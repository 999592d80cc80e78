#pragma once

#include <memory>
#include <vector>

#include <QPointer>

#include "ui/GuiBridge.h"
#include "uimodel/RunViews.h"

namespace tv {

class CProfile;
class CTaskDlg;
class IUiDialogs;

// The windows of the runs for the main window: a progress window per run, the workers'
// questions as modal boxes and the preview window, all shown on the GUI thread while the
// worker that asked waits. Made on the GUI thread and used there, except for what the workers
// call (the observers, Prompter(), Preview(), Post), which may be called from any thread.
//
// It must outlive every run it serves. Before the GUI thread waits for runs to end (the exit
// of the program), Detach() lets every worker go on without the windows, so that a worker never
// waits for a GUI thread that waits for it.
class CQtRunViews : public IRunViews {
  public:
    // `profile`: where the preview keeps its size.
    CQtRunViews(IRunBoard& board, IUiDialogs& dialogs, CProfile& profile);
    ~CQtRunViews() override;
    CQtRunViews(const CQtRunViews&) = delete;
    CQtRunViews& operator=(const CQtRunViews&) = delete;

    ITaskObserver* OpenProgress(CElement& task, int sequence) override;
    void CloseProgress(CElement& task) override;
    ITaskPrompter& Prompter() override;
    IPreviewHandler& Preview() override;
    void Post(std::function<void()> fn) override;

    // GUI thread. From now on the workers' reports are dropped, questions take the answer that
    // changes nothing more (Ignore, No) and previews are refused; posted calls still arrive.
    void Detach();
    // GUI thread. The progress window of the latest run of `task` while it is open.
    CTaskDlg* ProgressWindow(const CElement& task) const;

  private:
    class CRunLink;
    class CPrompter final : public ITaskPrompter {
      public:
        CPrompter(CGuiBridge& bridge, IUiDialogs& dialogs) : m_bridge(bridge), m_dialogs(dialogs) {}
        PromptAnswer AbortRetryIgnore(const std::string& message) override;
        PromptAnswer YesNo(const std::string& message) override;
        std::optional<std::string> FtpPassword(const std::string& site) override;

      private:
        CGuiBridge& m_bridge;
        IUiDialogs& m_dialogs;
    };
    class CPreviewShower final : public IPreviewHandler {
      public:
        CPreviewShower(CGuiBridge& bridge, CProfile& profile)
            : m_bridge(bridge), m_profile(profile) {}
        bool ShowPreview(CElement& task, CTreeF& merged, const CPlanBytes& bytes,
                         const CPreviewRequest& request) override;

      private:
        CGuiBridge& m_bridge;
        CProfile& m_profile;
    };

    void DropEndedLinks();
    void RefreshShutdownBoxes();

    IRunBoard& m_board;
    CGuiBridge m_bridge;
    CPrompter m_prompter;
    CPreviewShower m_preview;
    struct CWindow {
        const CElement* m_pTask;
        QPointer<CTaskDlg> m_pWindow;
    };

    std::vector<std::unique_ptr<CRunLink>> m_links;
    std::vector<CWindow> m_windows;
};

}  // namespace tv
