#include "ui/UnattendedWindows.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <memory>
#include <thread>

#include "app/MirrantApp.h"
#include "run/TaskLauncher.h"
#include "ui/GuiMain.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/Languages.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/RunWindowStrings.h"
#include "uimodel/WindowSettings.h"

namespace tv {

bool CUnattendedWindows::CLauncherBoard::ShutdownPending() const {
    return m_pLauncher && m_pLauncher->ShutdownPending();
}

void CUnattendedWindows::CLauncherBoard::SetShutdownPending(bool pending) {
    if (m_pLauncher) {
        m_pLauncher->SetShutdownPending(pending);
    }
}

CUnattendedWindows::CUnattendedWindows(CProfile& profile) : m_views(m_board, profile) {}

ITaskObserver& CUnattendedWindows::Progress(CElement& task, int sequence) {
    return *m_views.OpenProgressOnFirstReport(task, sequence);
}

ITaskPrompter& CUnattendedWindows::Prompter(CElement& task) {
    return m_views.Prompter(task);
}

IPreviewHandler& CUnattendedWindows::Preview() {
    return m_views.Preview();
}

// The runs go on a thread of their own, since a launcher waits for consecutive runs while the
// windows of those runs need this thread. The end is looked for every tenth of a second, as
// the progress windows close on their own or by the user.
void CUnattendedWindows::Serve(CTaskLauncher& launcher, const std::function<void()>& runs) {
    m_board.m_pLauncher = &launcher;
    std::atomic<bool> runsOver{false};
    std::thread runner([&] {
        runs();
        runsOver = true;
    });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop,
                     [&] { CheckEnd(runsOver.load(), [&loop] { loop.quit(); }); });
    poll.start(100);
    loop.exec();
    runner.join();
    m_board.m_pLauncher = nullptr;
}

void CUnattendedWindows::Quit() {
    m_bQuit = true;
}

// After Quit a question or preview still open would hold its run: the runs are let go without
// their windows.
void CUnattendedWindows::CheckEnd(bool runsOver, const std::function<void()>& end) {
    if (m_bQuit) {
        m_views.Detach();
    }
    if (runsOver && (m_bQuit || !m_views.AnyWindowOpen())) {
        end();
    }
}

int RunWithWindows(int& argc, char** argv, CMirrantApp& app,
                   const std::function<int(IRunWindows&)>& run) {
    std::unique_ptr<QApplication> application;
    if (QCoreApplication::instance() == nullptr) {
        application = std::make_unique<QApplication>(argc, argv);
    }
    NameApplication();
    // The runs decide when the program ends, not the windows.
    QApplication::setQuitOnLastWindowClosed(false);
    AddMainWindowStrings();
    AddRunWindowStrings();
    AddDialogStrings();
    CLanguageCatalog languages(app.FileSystem());
    languages.Load(app.ProgramFolder());
    languages.Select(languages.SlotOf(StoredLanguage(app.Profile())));
    CUnattendedWindows windows(app.Profile());
    return run(windows);
}

}  // namespace tv
