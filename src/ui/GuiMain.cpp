#include "ui/GuiMain.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <cstdlib>

#include "app/MirrantApp.h"
#include "ui/AppIcon.h"
#include "ui/MirrantDlg.h"
#include "ui/QtDialogs.h"
#include "ui/TipsDlg.h"
#include "uimodel/ExitSignals.h"
#include "uimodel/Languages.h"
#include "uimodel/WindowSettings.h"

namespace tv {

bool DisplayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

namespace {

// The list of the command line is named by the user, who hears when it cannot be read; the
// last list of an earlier session may have gone away meanwhile.
void LoadFirstList(CMainPresenter& presenter, CMirrantApp& app, const std::string& listToOpen) {
    if (listToOpen.empty()) {
        presenter.LoadAtStart(app.LastTaskList());
    } else {
        presenter.OpenListFile(listToOpen);
    }
}

void RejectOpenDialogs() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
            dialog->reject();
        }
    }
}

}  // namespace

void NameApplication() {
    QApplication::setApplicationName("Twinvale");
    // Wayland's app id and X11's startup notification name the desktop entry, which carries
    // the icon and the task list type.
    QGuiApplication::setDesktopFileName("twinvale");
    QApplication::setWindowIcon(AppIcon());
}

int RunMainWindow(int& argc, char** argv, CMirrantApp& app, const std::string& listToOpen) {
    QApplication application(argc, argv);
    NameApplication();
    // The exit routine ends the program, also while the window hides behind the tray icon.
    QApplication::setQuitOnLastWindowClosed(false);
    AddProgramStrings();
    CLanguageCatalog languages(app.FileSystem());
    languages.Load(app.ProgramFolder());
    languages.Select(languages.SlotOf(StoredLanguage(app.Profile())));

    CQtDialogs dialogs;
    CMirrantDlg window(app, dialogs, languages);
    dialogs.SetParent(&window);
    // The routine may end while a modal window runs a loop of its own (the start-up tip, a
    // question): that window goes first, and a routine that ended before the main loop began
    // leaves nothing for it to do.
    bool exited = false;
    QObject::connect(&window, &CMirrantDlg::exitFinished, &application, [&exited] {
        exited = true;
        RejectOpenDialogs();
        QApplication::quit();
    });
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &window,
                     [&window] { window.close(); });
    CExitSignals exitSignals(window.Presenter());
    QSocketNotifier signalNotifier(exitSignals.Descriptor(), QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &window,
                     [&exitSignals] { exitSignals.Readable(); });
    LoadFirstList(window.Presenter(), app, listToOpen);
    window.ShowAsStored();

    uint32_t preferences = window.Presenter().Preferences();
    if (preferences & pref::kShowTips) {
        ShowStartupTip(app.Profile(), preferences, &window);
        if (preferences != window.Presenter().Preferences()) {
            window.Presenter().SetPreferences(preferences);
        }
    }
    return exited ? 0 : QApplication::exec();
}

}  // namespace tv
