#include <QApplication>
#include <QCloseEvent>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "ui/AppIcon.h"
#include "ui/FtpDlg.h"
#include "ui/MirrantDlg.h"
#include "ui/PrefDialog.h"
#include "uimodel/FtpDialogModel.h"
#include "uimodel/HelpFile.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/SettingsKeep.h"
#include "uimodel/SettingsMail.h"
#include "uimodel/UiDialogs.h"
#include "uimodel/WindowSettings.h"

namespace tv {

// A task row dragged out of the window is a desktop launcher of the task: the file is written
// into the program's temporary folder and dragged as a file.
void CMirrantDlg::StartTaskDrag() {
    QTreeWidgetItem* item = m_pTasks->currentItem();
    const auto path =
        m_presenter->DragShortcutFile(item ? m_pTasks->indexOfTopLevelItem(item) : -1);
    if (!path) {
        return;
    }
    auto* mime = new QMimeData();
    mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(*path))});
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(windowIcon().pixmap(32, 32));
    drag->exec(Qt::CopyAction);
}

void CMirrantDlg::ShowPreferences() {
    CMailServerSettings mail(m_app.FileSystem());
    CPrefDialog dialog(
        m_presenter->Preferences(), [this] { m_editor.ClearNewTaskPattern(); }, this);
    CKeepFilesChoice keep(m_app.FileSystem());
    dialog.AddKeepFiles(keep);
    dialog.AddMailServer(mail);
    if (dialog.exec() == QDialog::Accepted) {
        m_presenter->SetPreferences(dialog.Preferences());
        if (std::string error; !keep.Store(&error)) {
            m_dialogs.Message(DetailedMessage(LoadString(IDS_KEEP_SETTING_NOT_SAVED), {error}));
        }
        if (std::string error; !mail.Store(&error)) {
            m_dialogs.Message(DetailedMessage(LoadString(IDS_MAIL_SETTINGS_NOT_SAVED), {error}));
        }
    }
}

void CMirrantDlg::EditFtp(Side side) {
    if (m_editor.Access() != EditAccess::Open) {
        return;
    }
    CFtpDialogModel model(m_editor.FtpLocation(side));
    CFTPDialog dialog(model, m_dialogs, m_app.FileSystem(), this);
    if (dialog.exec() == QDialog::Accepted) {
        m_editor.StoreFtpLocation(side, model);
    }
}

// On the application, so that the progress, preview and settings windows wear it too.
void CMirrantDlg::WearSheet(const std::string& sheet) {
    qApp->setStyleSheet(QString::fromStdString(sheet));
}

void CMirrantDlg::ShowHelp() {
    if (const auto failure = OpenHelpFile(m_app.FileSystem(), m_app.ProgramFolder())) {
        m_dialogs.Message(DetailedMessage(LoadString(IDS_CANT_OPEN_FILE),
                                          {failure->m_strPath, failure->m_strReason}));
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
    const CWindowPlacement kept = LoadPlacement(m_app.Profile(), KeptWindow::Main);
    if (kept.m_bMaximized) {
        showMaximized();
        return;
    }
    if (kept.HasSize()) {
        resize(kept.m_nWidth, kept.m_nHeight);
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
    CWindowPlacement placement;
    placement.m_bMaximized = isMaximized();
    if (m_bResizedByUser) {
        const QSize size = placement.m_bMaximized ? normalGeometry().size() : this->size();
        placement.m_nWidth = size.width();
        placement.m_nHeight = size.height();
    }
    StorePlacement(m_app.Profile(), KeptWindow::Main, placement);
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
