#include "ui/QtRunViews.h"

#include <atomic>
#include <memory>
#include <utility>

#include "ui/FtpDlgHelpers.h"
#include "ui/PreviewDlg.h"
#include "ui/QtDialogs.h"
#include "ui/TaskDlg.h"
#include "uimodel/ProgressPresenter.h"

namespace tv {

// The observer of one run: every report is handed to the run's presenter on the GUI thread
// while the reporting thread waits. It stays until the run's end has been delivered and no
// report is on its way any more, whether or not the window is still open. A link made before
// its run starts opens the window with the first report.
class CQtRunViews::CRunLink final : public ITaskObserver {
  public:
    using Opener = std::function<std::shared_ptr<CProgressPresenter>()>;

    CRunLink(CGuiBridge& bridge, CElement& task, std::shared_ptr<CProgressPresenter> presenter)
        : m_bridge(bridge), m_pTask(&task), m_pPresenter(std::move(presenter)) {}
    CRunLink(CGuiBridge& bridge, CElement& task, Opener open)
        : m_bridge(bridge), m_pTask(&task), m_open(std::move(open)) {}

    void Status(int stringId) override {
        Deliver([&] { Presenter().OnStatus(stringId); });
    }
    void Investigating(Side side) override {
        Deliver([&] { Presenter().OnInvestigating(side); });
    }
    void CopyProgress(int percent) override {
        Deliver([&] { Presenter().OnCopyProgress(percent); });
    }
    void BurnProgress(int percent, int kiloBytesPerSecond) override {
        Deliver([&] { Presenter().OnBurnProgress(percent, kiloBytesPerSecond); });
    }
    void AddError(const std::string& line) override {
        Deliver([&] { Presenter().OnError(line); });
    }
    void AddDetail(const std::string& line) override {
        Deliver([&] { Presenter().OnDetail(line); });
    }
    // The end is the last report of a run; nothing of this object is touched after the count
    // of reports on their way drops back.
    void TaskEnd(RunEnd end) override {
        m_nInFlight.fetch_add(1);
        m_bridge.Call([&] { Presenter().OnTaskEnd(end); });
        m_bEnded = true;
        m_nInFlight.fetch_sub(1);
    }

    const CElement* Task() const { return m_pTask; }
    // GUI thread. None while the window waits for the run's first report.
    CProgressPresenter* Opened() const { return m_pPresenter.get(); }
    bool Ended() const { return m_bEnded.load(); }
    bool Done() const { return m_bEnded.load() && m_nInFlight.load() == 0; }

  private:
    // GUI thread.
    CProgressPresenter& Presenter() {
        if (!m_pPresenter) {
            m_pPresenter = m_open();
        }
        return *m_pPresenter;
    }

    template <typename F>
    void Deliver(const F& report) {
        m_nInFlight.fetch_add(1);
        m_bridge.Call(report);
        m_nInFlight.fetch_sub(1);
    }

    CGuiBridge& m_bridge;
    const CElement* m_pTask;
    std::shared_ptr<CProgressPresenter> m_pPresenter;
    Opener m_open;
    std::atomic<int> m_nInFlight{0};
    std::atomic<bool> m_bEnded{false};
};

// The questions of one task's runs, each in a box of its own whose title names the task.
class CQtRunViews::CTaskPrompter final : public ITaskPrompter {
  public:
    CTaskPrompter(CQtRunViews& views, CElement& task) : m_views(views), m_task(task) {}

    PromptAnswer AbortRetryIgnore(const std::string& message) override {
        return Ask(QMessageBox::Warning, message,
                   QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore,
                   PromptAnswer::Ignore);
    }
    PromptAnswer YesNo(const std::string& message) override {
        return Ask(QMessageBox::Question, message, QMessageBox::Yes | QMessageBox::No,
                   PromptAnswer::No);
    }
    // The typed password travels beside the answer: the dialog fills it before it replies.
    std::optional<std::string> FtpPassword(const std::string& site) override {
        auto typed = std::make_shared<std::string>();
        const std::optional<int> answer =
            m_views.m_bridge.Await([&](const CGuiBridge::Reply& reply) {
                auto* dialog = new CFTPPswDlg(site, m_views.ProgressWindow(m_task));
                QObject::connect(dialog, &QDialog::finished, dialog,
                                 [dialog, reply, typed](int result) {
                                     if (result == QDialog::Accepted) {
                                         *typed = dialog->Password();
                                     }
                                     reply(result);
                                     dialog->deleteLater();
                                 });
                m_views.ShowQuestion(dialog, reply, QDialog::Rejected);
            });
        if (answer != QDialog::Accepted) {
            return std::nullopt;
        }
        return *typed;
    }

  private:
    static PromptAnswer AnswerOf(int button, PromptAnswer fallback) {
        switch (button) {
            case QMessageBox::Abort:
                return PromptAnswer::Abort;
            case QMessageBox::Retry:
                return PromptAnswer::Retry;
            case QMessageBox::Ignore:
                return PromptAnswer::Ignore;
            case QMessageBox::Yes:
                return PromptAnswer::Yes;
            case QMessageBox::No:
                return PromptAnswer::No;
            default:
                return fallback;
        }
    }

    PromptAnswer Ask(QMessageBox::Icon icon, const std::string& message,
                     QMessageBox::StandardButtons buttons, PromptAnswer fallback) {
        const std::optional<int> answer =
            m_views.m_bridge.Await([&](const CGuiBridge::Reply& reply) {
                QMessageBox* box = NewMessageBox(icon, QString::fromStdString(TaskCaption(m_task)),
                                                 message, buttons, m_views.ProgressWindow(m_task));
                box->setObjectName("runQuestion");
                QObject::connect(box, &QMessageBox::finished, box,
                                 [box, reply, fallback](int button) {
                                     reply(static_cast<int>(AnswerOf(button, fallback)));
                                     box->deleteLater();
                                 });
                m_views.ShowQuestion(box, reply, static_cast<int>(fallback));
            });
        return answer ? static_cast<PromptAnswer>(*answer) : fallback;
    }

    CQtRunViews& m_views;
    CElement& m_task;
};

CQtRunViews::CQtRunViews(IRunBoard& board, CProfile& profile)
    : m_board(board), m_profile(profile), m_preview(*this) {}

CQtRunViews::~CQtRunViews() {
    Detach();
    for (const CWindow& window : m_windows) {
        delete window.m_pWindow.data();
    }
}

std::shared_ptr<CProgressPresenter> CQtRunViews::ShowProgress(CElement& task, int sequence) {
    auto presenter = std::make_shared<CProgressPresenter>(task, m_board, sequence);
    auto* window = new CTaskDlg(presenter);
    QObject::connect(window, &CTaskDlg::shutdownToggled, window,
                     [this] { RefreshShutdownBoxes(); });
    m_windows.push_back({&task, window});
    window->show();
    return presenter;
}

ITaskObserver* CQtRunViews::OpenProgress(CElement& task, int sequence) {
    DropEndedLinks();
    return m_links
        .emplace_back(std::make_unique<CRunLink>(m_bridge, task, ShowProgress(task, sequence)))
        .get();
}

ITaskObserver* CQtRunViews::OpenProgressOnFirstReport(CElement& task, int sequence) {
    DropEndedLinks();
    auto open = [this, &task, sequence] { return ShowProgress(task, sequence); };
    return m_links.emplace_back(std::make_unique<CRunLink>(m_bridge, task, std::move(open))).get();
}

void CQtRunViews::CloseProgress(CElement& task) {
    for (const auto& link : m_links) {
        if (link->Task() == &task && !link->Ended() && link->Opened()) {
            link->Opened()->Cancel();
        }
    }
}

ITaskPrompter& CQtRunViews::Prompter(CElement& task) {
    std::unique_ptr<CTaskPrompter>& prompter = m_prompters[&task];
    if (!prompter) {
        prompter = std::make_unique<CTaskPrompter>(*this, task);
    }
    return *prompter;
}

IPreviewHandler& CQtRunViews::Preview() {
    return m_preview;
}

void CQtRunViews::Post(std::function<void()> fn) {
    m_bridge.Post(std::move(fn));
}

// A question or preview refers to the waiting worker's data: it must not outlive the wait.
void CQtRunViews::Detach() {
    m_bridge.Detach();
    for (const QPointer<QWidget>& window : std::exchange(m_questions, {})) {
        delete window.data();
    }
}

CTaskDlg* CQtRunViews::ProgressWindow(const CElement& task) const {
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
        if (it->m_pTask == &task) {
            return it->m_pWindow.data();
        }
    }
    return nullptr;
}

bool CQtRunViews::AnyWindowOpen() const {
    for (const CWindow& window : m_windows) {
        if (window.m_pWindow && window.m_pWindow->isVisible()) {
            return true;
        }
    }
    for (const QPointer<QWidget>& window : m_questions) {
        if (window && window->isVisible()) {
            return true;
        }
    }
    return false;
}

void CQtRunViews::ShowQuestion(QWidget* window, const CGuiBridge::Reply& reply, int fallback) {
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::NonModal);
    QObject::connect(window, &QObject::destroyed, [reply, fallback] { reply(fallback); });
    std::erase_if(m_questions, [](const QPointer<QWidget>& open) { return open.isNull(); });
    m_questions.emplace_back(window);
    window->show();
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

bool CQtRunViews::CPreviewShower::ShowPreview(CElement& task, CTreeF& merged,
                                              const CPlanBytes& bytes,
                                              const CPreviewRequest& request) {
    const std::optional<int> accepted = m_views.m_bridge.Await([&](const CGuiBridge::Reply& reply) {
        PlayPreviewSound(task);
        auto* dialog = new CPreviewDlg(
            std::make_unique<CPreviewModel>(task, merged, bytes, request), &m_views.m_profile);
        QObject::connect(dialog, &QDialog::finished, dialog, [dialog, reply](int result) {
            reply(result == QDialog::Accepted ? 1 : 0);
            dialog->deleteLater();
        });
        m_views.ShowQuestion(dialog, reply, 0);
    });
    return accepted.value_or(0) == 1;
}

}  // namespace tv
