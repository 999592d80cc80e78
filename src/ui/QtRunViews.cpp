#include "ui/QtRunViews.h"

#include <atomic>

#include "ui/PreviewDlg.h"
#include "ui/TaskDlg.h"
#include "uimodel/ProgressPresenter.h"
#include "uimodel/UiDialogs.h"

namespace tv {

// The observer of one run: every report is handed to the run's presenter on the GUI thread
// while the reporting thread waits. It stays until the run's end has been delivered and no
// report is on its way any more, whether or not the window is still open.
class CQtRunViews::CRunLink final : public ITaskObserver {
  public:
    CRunLink(CGuiBridge& bridge, CElement& task, std::shared_ptr<CProgressPresenter> presenter)
        : m_bridge(bridge), m_pTask(&task), m_pPresenter(std::move(presenter)) {}

    void Status(int stringId) override {
        Deliver([&] { m_pPresenter->OnStatus(stringId); });
    }
    void Investigating(Side side) override {
        Deliver([&] { m_pPresenter->OnInvestigating(side); });
    }
    void CopyProgress(int percent) override {
        Deliver([&] { m_pPresenter->OnCopyProgress(percent); });
    }
    void AddError(const std::string& line) override {
        Deliver([&] { m_pPresenter->OnError(line); });
    }
    void AddDetail(const std::string& line) override {
        Deliver([&] { m_pPresenter->OnDetail(line); });
    }
    // The end is the last report of a run; nothing of this object is touched after the count
    // of reports on their way drops back.
    void TaskEnd(RunEnd end) override {
        m_nInFlight.fetch_add(1);
        m_bridge.Call([&] { m_pPresenter->OnTaskEnd(end); });
        m_bEnded = true;
        m_nInFlight.fetch_sub(1);
    }

    const CElement* Task() const { return m_pTask; }
    CProgressPresenter& Presenter() const { return *m_pPresenter; }
    bool Ended() const { return m_bEnded.load(); }
    bool Done() const { return m_bEnded.load() && m_nInFlight.load() == 0; }

  private:
    template <typename F>
    void Deliver(const F& report) {
        m_nInFlight.fetch_add(1);
        m_bridge.Call(report);
        m_nInFlight.fetch_sub(1);
    }

    CGuiBridge& m_bridge;
    const CElement* m_pTask;
    std::shared_ptr<CProgressPresenter> m_pPresenter;
    std::atomic<int> m_nInFlight{0};
    std::atomic<bool> m_bEnded{false};
};

CQtRunViews::CQtRunViews(IRunBoard& board, IUiDialogs& dialogs, CProfile& profile)
    : m_board(board), m_prompter(m_bridge, dialogs), m_preview(m_bridge, profile) {}

CQtRunViews::~CQtRunViews() {
    Detach();
    for (const CWindow& window : m_windows) {
        delete window.m_pWindow.data();
    }
}

ITaskObserver* CQtRunViews::OpenProgress(CElement& task, int sequence) {
    DropEndedLinks();
    auto presenter = std::make_shared<CProgressPresenter>(task, m_board, sequence);
    auto* window = new CTaskDlg(presenter);
    QObject::connect(window, &CTaskDlg::shutdownToggled, window,
                     [this] { RefreshShutdownBoxes(); });
    m_windows.push_back({&task, window});
    window->show();
    return m_links.emplace_back(std::make_unique<CRunLink>(m_bridge, task, presenter)).get();
}

void CQtRunViews::CloseProgress(CElement& task) {
    for (const auto& link : m_links) {
        if (link->Task() == &task && !link->Ended()) {
            link->Presenter().Cancel();
        }
    }
}

ITaskPrompter& CQtRunViews::Prompter() {
    return m_prompter;
}

IPreviewHandler& CQtRunViews::Preview() {
    return m_preview;
}

void CQtRunViews::Post(std::function<void()> fn) {
    m_bridge.Post(std::move(fn));
}

void CQtRunViews::Detach() {
    m_bridge.Detach();
}

CTaskDlg* CQtRunViews::ProgressWindow(const CElement& task) const {
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
        if (it->m_pTask == &task) {
            return it->m_pWindow.data();
        }
    }
    return nullptr;
}

void CQtRunViews::DropEndedLinks() {
    std::erase_if(m_links, [](const auto& link) { return link->Done(); });
    std::erase_if(m_windows, [](const CWindow& window) { return window.m_pWindow.isNull(); });
}

void CQtRunViews::RefreshShutdownBoxes() {
    for (const CWindow& window : m_windows) {
        if (window.m_pWindow) {
            window.m_pWindow->Presenter().RefreshShutdown();
        }
    }
}

PromptAnswer CQtRunViews::CPrompter::AbortRetryIgnore(const std::string& message) {
    PromptAnswer answer = PromptAnswer::Ignore;
    m_bridge.Call([&] { answer = m_dialogs.AbortRetryIgnore(message); });
    return answer;
}

PromptAnswer CQtRunViews::CPrompter::YesNo(const std::string& message) {
    PromptAnswer answer = PromptAnswer::No;
    m_bridge.Call([&] { answer = m_dialogs.YesNo(message); });
    return answer;
}

std::optional<std::string> CQtRunViews::CPrompter::FtpPassword(const std::string& site) {
    std::optional<std::string> password;
    m_bridge.Call([&] { password = m_dialogs.FtpPassword(site); });
    return password;
}

bool CQtRunViews::CPreviewShower::ShowPreview(CElement& task, CTreeF& merged,
                                              const CPlanBytes& bytes,
                                              const CPreviewRequest& request) {
    bool accepted = false;
    m_bridge.Call([&] {
        PlayPreviewSound(task);
        CPreviewModel model(task, merged, bytes, request);
        CPreviewDlg dialog(model, &m_profile);
        accepted = dialog.exec() == QDialog::Accepted;
    });
    return accepted;
}

}  // namespace tv
