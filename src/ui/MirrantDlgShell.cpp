#include <QCloseEvent>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/AtomicFile.h"
#include "platform/Desktop.h"
#include "platform/Folders.h"
#include "platform/Profile.h"
#include "task/PatternFile.h"
#include "ui/AppIcon.h"
#include "ui/MirrantDlg.h"
#include "ui/PrefDialog.h"
#include "uimodel/HelpFile.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

namespace {

constexpr char kSettings[] = "Settings";

}  // namespace

// A task row dragged out of the window is a desktop launcher of the task: the file is written
// into the program's temporary folder and dragged as a file.
void CMirrantDlg::StartTaskDrag() {
    QTreeWidgetItem* item = m_pTasks->currentItem();
    const auto shortcut = m_presenter->ShortcutFor(item ? m_pTasks->indexOfTopLevelItem(item) : -1);
    if (!shortcut) {
        return;
    }
    const std::string folder = m_app.ProgramDataFolder() + "/Temp/shortcuts";
    const std::string path = folder + "/" + shortcut->m_strFileName;
    if (!EnsureFolder(m_app.FileSystem(), folder) ||
        !WriteFileAtomically(m_app.FileSystem(), path, shortcut->m_strContent)) {
        return;
    }
    auto* data = new QMimeData();
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(windowIcon().pixmap(32, 32));
    drag->exec(Qt::CopyAction);
}

void CMirrantDlg::ShowPreferences() {
    const std::string dataFolder = m_app.ProgramDataFolder();
    IFileSystem& fs = m_app.FileSystem();
    CPrefDialog dialog(
        m_presenter->Preferences(), [&fs, dataFolder] { ClearPattern(fs, dataFolder); }, this);
    if (dialog.exec() == QDialog::Accepted) {
        m_presenter->SetPreferences(dialog.Preferences());
    }
}

void CMirrantDlg::ShowHelp() {
    const std::string path = HelpFilePath(m_app.FileSystem(), m_app.ProgramFolder());
    if (path.empty() || !OpenWithDesktop(path)) {
        m_dialogs.Message(LoadString(IDS_CANT_OPEN_FILE));
    }
}

void CMirrantDlg::BuildTray() {
    m_pTray = new QSystemTrayIcon(AppIcon(), this);
    auto* menu = new QMenu(this);
    MenuAction(menu, IDS_MW_TRAY_RESTORE, [this] { RestoreFromTray(); });
    MenuAction(menu, IDS_MW_TRAY_EXIT, [this] { close(); });
    m_pTray->setContextMenu(menu);
    m_texts.push_back(
        [this] { m_pTray->setToolTip(QString::fromStdString(LoadString(IDS_MW_TRAY_TIP))); });
    connect(m_pTray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger) {
                    RestoreFromTray();
                }
            });
}

void CMirrantDlg::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() &&
        (m_presenter->Preferences() & pref::kMinimizeToTray) &&
        QSystemTrayIcon::isSystemTrayAvailable()) {
        QTimer::singleShot(0, this, [this] { HideToTray(); });
    }
}

void CMirrantDlg::HideToTray() {
    m_pTray->show();
    hide();
}

void CMirrantDlg::RestoreFromTray() {
    showNormal();
    activateWindow();
    m_pTray->hide();
}

void CMirrantDlg::ShowAsStored() {
    const CProfile& profile = m_app.Profile();
    const int width = profile.GetProfileInt(kSettings, "CX", 0);
    const int height = profile.GetProfileInt(kSettings, "CY", 0);
    if (profile.GetProfileInt(kSettings, "MXM", 0) != 0) {
        showMaximized();
        return;
    }
    if (width > 0 && height > 0) {
        resize(width, height);
    }
    show();
}

void CMirrantDlg::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (isVisible() && event->spontaneous() && !isMaximized()) {
        m_bResizedByUser = true;
    }
}

void CMirrantDlg::StoreWindowSize() {
    CProfile& profile = m_app.Profile();
    if (m_bResizedByUser) {
        const QSize size = isMaximized() ? normalGeometry().size() : this->size();
        profile.WriteProfileInt(kSettings, "CX", size.width());
        profile.WriteProfileInt(kSettings, "CY", size.height());
    }
    profile.WriteProfileInt(kSettings, "MXM", isMaximized() ? 1 : 0);
}

// The close box, Escape, EXIT and the tray's Exit all run the exit routine; the window
// closes once it has finished, which may be after canceled runs have ended.
void CMirrantDlg::closeEvent(QCloseEvent* event) {
    if (m_bClosing) {
        m_pTray->hide();
        event->accept();
        return;
    }
    event->ignore();
    m_presenter->RequestExit();
}

void CMirrantDlg::ExitReady() {
    m_bClosing = true;
    QTimer::singleShot(0, this, [this] {
        close();
        emit exitFinished();
    });
}

}  // namespace tv
