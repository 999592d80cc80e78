// Draws the program's windows with sample contents into PNG files, so that they can be looked
// at without a display: render_windows OUTDIR
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QIcon>
#include <QPainter>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"
#include "run/Preview.h"
#include "scan/TreeF.h"
#include "sync/Plan.h"
#include "task/Element.h"
#include "task/TaskList.h"
#include "ui/AdvancedDlg.h"
#include "ui/CompareWnd.h"
#include "ui/FtpDlg.h"
#include "ui/FtpDlgHelpers.h"
#include "ui/MirrantDlg.h"
#include "ui/PrefDialog.h"
#include "ui/PreviewDlg.h"
#include "ui/QtDialogs.h"
#include "ui/QtRunViews.h"
#include "ui/ScheduleDlg.h"
#include "ui/TaskDlg.h"
#include "ui/TaskWizardDlg.h"
#include "uimodel/AdvancedStrings.h"
#include "uimodel/CompareStrings.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/FtpDialogModel.h"
#include "uimodel/FtpDialogStrings.h"
#include "uimodel/Languages.h"
#include "uimodel/MainPresenter.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/PreviewModel.h"
#include "uimodel/ProgressPresenter.h"
#include "uimodel/RunViews.h"
#include "uimodel/RunWindowStrings.h"
#include "uimodel/ScheduleStrings.h"
#include "uimodel/SettingsKeep.h"
#include "uimodel/SettingsMail.h"
#include "uimodel/TaskWizard.h"
#include "uimodel/WizardStrings.h"

namespace {

namespace fs = std::filesystem;

// The tool must never read or write the settings of whoever runs it.
void IsolateSettings() {
    char pattern[] = "/tmp/twinvale-shots-XXXXXX";
    const char* home = mkdtemp(pattern);
    if (home == nullptr) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    const std::string root = home;
    setenv("HOME", root.c_str(), 1);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"}) {
        setenv(name, (root + "/" + name).c_str(), 1);
    }
    setenv("TWINVALE_SHUTDOWN_CMD", "true", 1);
    setenv("TWINVALE_CRONTAB_FILE", (root + "/crontab").c_str(), 1);
}

bool Save(QWidget& window, const fs::path& file) {
    window.show();
    QApplication::processEvents();
    const bool saved = window.grab().save(QString::fromStdString(file.string()));
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", file.c_str());
    return saved;
}

class CSampleBoard : public tv::IRunBoard {
  public:
    bool SeveralStarted() const override { return false; }
    bool ShutdownPending() const override { return m_bShutdown; }
    void SetShutdownPending(bool pending) override { m_bShutdown = pending; }

  private:
    bool m_bShutdown = false;
};

tv::CElement SampleTask() {
    tv::CElement task;
    task.m_nTaskId = 7;
    task.m_strName = "Photos";
    task.m_Source.m_strPath = "/home/ann/Pictures";
    task.m_Targets.resize(1);
    task.m_Targets[0].m_strPath = "/media/ann/Backup/Pictures";
    return task;
}

std::unique_ptr<tv::CElement> ListTask(int id, const std::string& name, const std::string& source,
                                       const std::vector<std::string>& targets) {
    auto task = std::make_unique<tv::CElement>();
    task->m_nTaskId = id;
    task->m_strName = name;
    task->m_Source.m_strPath = source;
    for (const std::string& target : targets) {
        task->m_Targets.emplace_back().m_strPath = target;
    }
    return task;
}

tv::CTaskList SampleList() {
    tv::CTaskList list;
    list.m_strPath = "/home/ann/Documents/Backups.tsl";
    list.m_Tasks.push_back(ListTask(7, "Photos", "/home/ann/Pictures",
                                    {"/media/ann/Backup/Pictures", "/mnt/nas/ann/Pictures"}));
    list.m_Tasks.push_back(
        ListTask(8, "Documents", "/home/ann/Documents", {"/media/ann/Backup/Documents"}));
    list.m_Tasks.push_back(ListTask(9, "Music", "/home/ann/Music", {"/mnt/nas/ann/Music"}));
    list.m_nHighestId = 9;
    return list;
}

// Whether the main window is also drawn with its first task locked, and with no list at all
// after SYNCH was pressed.
enum class EditStates { Skip, Draw };

// The main window in `language` (as the language menu names it), with the desktop's icon
// theme `iconTheme` ("" for none: the program's own images).
bool RenderMainWindow(const fs::path& out, const std::string& language, const char* iconTheme,
                      const std::string& file, EditStates states) {
    tv::CProfile profile(tv::LocalFileSystem());
    tv::CMirrantApp app(tv::LocalFileSystem(), profile);
    app.Startup();
    tv::CQtDialogs dialogs;
    tv::CLanguageCatalog languages(tv::LocalFileSystem());
    languages.LoadFrom({TWINVALE_LANG_DIR});
    languages.Select(languages.SlotOf(language));
    // The offscreen platform looks for no icon theme of the desktop's; a desktop one would.
    QIcon::setThemeSearchPaths(QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                         "icons", QStandardPaths::LocateDirectory));
    QIcon::setThemeName(iconTheme);
    tv::CMirrantDlg window(app, dialogs, languages);
    window.Presenter().AdoptList(SampleList());
    bool ok = Save(window, out / file);
    if (states == EditStates::Draw) {
        tv::CTaskList locked = SampleList();
        locked.m_Tasks[0]->m_dwOptions3 |= tv::opt3::kLockSettings;
        window.Presenter().AdoptList(std::move(locked));
        ok = Save(window, out / "main-window-locked.png") && ok;
        window.Presenter().NewList();
        window.Presenter().Synch();
        ok = Save(window, out / "main-window-empty.png") && ok;
    }
    languages.Select(0);
    return ok;
}

// Draws the next modal window that `show` opens (a message box, a file dialog) and closes it.
bool SaveNextModal(const fs::path& file, const std::function<void()>& show) {
    bool saved = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            timer.stop();
            QApplication::processEvents();
            saved = modal->grab().save(QString::fromStdString(file.string()));
            std::printf("%s %s\n", saved ? "wrote" : "FAILED", file.c_str());
            dialog->reject();
        }
    });
    timer.start(50);
    show();
    return saved;
}

// The main window and a message in the shipped dark skin, stored as the user's skin so that
// the window puts it on as it opens.
bool RenderSkinned(const fs::path& out) {
    tv::CProfile profile(tv::LocalFileSystem());
    profile.WriteProfileString(tv::profkey::kAppSection, tv::profkey::kSkin,
                               TWINVALE_SKIN_DIR "/Dark.qss");
    tv::CMirrantApp app(tv::LocalFileSystem(), profile);
    app.Startup();
    tv::CQtDialogs dialogs;
    tv::CLanguageCatalog languages(tv::LocalFileSystem());
    QIcon::setThemeName({});
    bool ok = false;
    {
        tv::CMirrantDlg window(app, dialogs, languages);
        window.Presenter().AdoptList(SampleList());
        ok = !qApp->styleSheet().isEmpty() && Save(window, out / "main-window-dark.png");
        ok = SaveNextModal(out / "message-dark.png",
                           [&] { dialogs.Message("There is no new version available."); }) &&
             ok;
    }
    profile.WriteProfileString(tv::profkey::kAppSection, tv::profkey::kSkin, "");
    qApp->setStyleSheet({});
    return ok;
}

// A message with its detail, the summary of several runs, and the location browser.
bool RenderDialogs(const fs::path& out) {
    tv::CQtDialogs dialogs;
    bool ok = SaveNextModal(out / "message-detail.png", [&] {
        dialogs.Message(
            "Can't save task list\ncannot create a temporary file beside "
            "'/home/ann/Documents/Backups.tsl': Permission denied");
    });
    const std::vector<tv::CRunSummaryRow> rows = {
        {7, "Photos", 128, 0, 0, 3, 0, false},
        {8, "Documents of the association, 2019 to 2026", 1204, 17, 2, 0, 0, false},
        {9, "Music", 0, 0, 0, 0, 4, true}};
    ok = SaveNextModal(out / "summary.png", [&] { dialogs.Summary(rows, "Task ID: 7 8 9"); }) && ok;
    char pattern[] = "/tmp/twinvale-browse-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    for (const char* name : {"Pictures", "Documents", "Music"}) {
        fs::create_directories(folder / name);
    }
    std::FILE* file = std::fopen((folder / "notes.txt").c_str(), "w");
    if (file) {
        std::fclose(file);
    }
    ok = SaveNextModal(out / "location-browser.png",
                       [&] { dialogs.ChooseLocation(folder.string()); }) &&
         ok;
    fs::remove_all(folder);
    return ok;
}

tv::CTag SampleSite() {
    tv::CTag site;
    site.m_nProtocol = static_cast<int32_t>(tv::FtpProtocol::FtpsWithData);
    site.m_strSiteName = "Office NAS";
    site.m_strHost = "ftp://nas.example.org";
    site.m_nPort = 990;
    site.m_strUser = "ann";
    site.m_strPassword = "secret";
    site.m_strRemoteDir = "/backup/pictures";
    site.m_bPassive = 1;
    site.m_bManualTimeZone = 1;
    site.m_nTimeZoneShift = -2;
    site.m_bUseKey = 1;
    site.m_strKeyFile = "/home/ann/.keys/nas.pem";
    site.m_bUseCertificate = 1;
    site.m_strCertificateFile = "/home/ann/.keys/nas.cer";
    site.m_nProxyType = static_cast<int32_t>(tv::FtpProxyType::Socks5);
    site.m_strProxyHost = "proxy.example.org";
    site.m_nProxyPort = 1080;
    site.m_strProxyUser = "ann";
    site.m_strProxyPassword = "secret";
    site.m_bOwnConnectSettings = 1;
    site.m_nConnectTimeoutMs = 30000;
    site.m_nConnectRetries = 5;
    site.m_nTransferType = static_cast<uint32_t>(tv::FtpTransferType::Binary);
    return site;
}

// The FTP dialog with every group in use and as a new site shows it, its connection
// settings, the password prompt and the certificate dialog; the first two also in German.
bool RenderFtpDialogs(const fs::path& out) {
    tv::CQtDialogs dialogs;
    tv::CFtpDialogModel used(SampleSite());
    tv::CFTPDialog full(used, dialogs, tv::LocalFileSystem());
    bool ok = Save(full, out / "ftp-dialog.png");
    tv::CFtpDialogModel fresh{tv::CTag()};
    tv::CFTPDialog empty(fresh, dialogs, tv::LocalFileSystem());
    ok = Save(empty, out / "ftp-dialog-new.png") && ok;
    tv::CAdvFTP connection(used);
    ok = Save(connection, out / "ftp-connection.png") && ok;
    tv::CFTPPswDlg password("(FTP)Office NAS");
    ok = Save(password, out / "ftp-password.png") && ok;
    tv::CCertificateFields fields = tv::NewCertificateFields(1'780'000'000);
    fields.m_strOwner = "Ann Example";
    fields.m_strCountry = "DE";
    tv::CCertificateDlg certificate(fields);
    ok = Save(certificate, out / "ftp-certificate.png") && ok;
    // The longest texts are German ones.
    tv::CLanguageCatalog languages(tv::LocalFileSystem());
    languages.LoadFrom({TWINVALE_LANG_DIR});
    languages.Select(languages.SlotOf("Deutsch"));
    tv::CFTPDialog german(used, dialogs, tv::LocalFileSystem());
    ok = Save(german, out / "ftp-dialog-de.png") && ok;
    tv::CAdvFTP germanConnection(used);
    ok = Save(germanConnection, out / "ftp-connection-de.png") && ok;
    languages.Select(0);
    return ok;
}

void RunningProgress(tv::CProgressPresenter& presenter, tv::CElement& task) {
    presenter.OnStatus(tv::IDS_INVESTIGATING);
    task.m_Run.SetDisplayPath(tv::Side::Source,
                              "/home/ann/Pictures/2026/Summer holidays in the mountains");
    task.m_Run.SetDisplayPath(tv::Side::Target, "/media/ann/Backup/Pictures/2026/Summer holidays");
    presenter.OnInvestigating(tv::Side::Source);
    presenter.OnStatus(tv::IDS_COPYING_FILES);
    presenter.OnCopyProgress(42);
}

bool RenderProgress(const fs::path& out, CSampleBoard& board) {
    tv::CElement running = SampleTask();
    auto midRun =
        std::make_shared<tv::CProgressPresenter>(running, board, 0, [](const std::string&) {});
    RunningProgress(*midRun, running);
    auto* window = new tv::CTaskDlg(midRun);
    bool ok = Save(*window, out / "progress-running.png");
    window->close();

    tv::CElement ended = SampleTask();
    auto atEnd =
        std::make_shared<tv::CProgressPresenter>(ended, board, 1, [](const std::string&) {});
    RunningProgress(*atEnd, ended);
    atEnd->OnError("Can't copy file /home/ann/Pictures/2026/locked.jpg: Permission denied");
    ended.m_Run.AddChanges({128, 0, 0, 3});
    atEnd->OnTaskEnd(tv::RunEnd::Normal);
    atEnd->SelectTab(0);
    auto* endWindow = new tv::CTaskDlg(atEnd);
    ok = Save(*endWindow, out / "progress-finished.png") && ok;
    endWindow->close();
    return ok;
}

void AddFile(tv::CTreeF& folder, const std::string& name, uint64_t size, tv::Side side,
             tv::FileAction action, tv::PlanReason reason = tv::PlanReason::None,
             int64_t newerBySeconds = 0) {
    tv::CFileDoInfo& record =
        folder.files.emplace_back(name, size, side, 0, 0, 0, true, false, action);
    record.reason = reason;
    record.matched = newerBySeconds != 0;
    record.lastWrite = tv::FileTime{1'000'000'000'000'000};
    record.otherLastWrite = record.lastWrite - newerBySeconds * tv::kTicksPerSecond;
    record.otherSize = size;
}

// The dialog with the tip of the first row of its first list laid over it where the pointer
// would raise it: a grab of a window leaves out the tip's own window.
bool SavePreviewTip(tv::CPreviewDlg& dialog, const fs::path& file) {
    dialog.show();
    QApplication::processEvents();
    QTreeWidget* list = dialog.List(tv::PreviewList::CopyFromSource);
    QTreeWidgetItem* item = list->topLevelItem(0);
    const QPoint at = list->viewport()->mapToGlobal(list->visualItemRect(item).center());
    QToolTip::showText(at, item->toolTip(0), list);
    QApplication::processEvents();
    QPixmap shot = dialog.grab();
    bool shown = false;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->inherits("QTipLabel") && widget->isVisible()) {
            QPainter painter(&shot);
            painter.drawPixmap(dialog.mapFromGlobal(widget->pos()), widget->grab());
            shown = true;
        }
    }
    QToolTip::hideText();
    const bool saved = shown && shot.save(QString::fromStdString(file.string()));
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", file.c_str());
    return saved;
}

bool RenderPreview(const fs::path& out) {
    tv::CElement task = SampleTask();
    task.m_Run.Begin(tv::RunKind::Synchronize, tv::pref::kDefault, 0);
    tv::CTreeF merged;
    AddFile(merged, "notes.txt", 2'048, tv::Side::Source, tv::ACTION_COPY,
            tv::PlanReason::SourceWins, 34);
    AddFile(merged, "old-draft.txt", 512, tv::Side::Target, tv::ACTION_DELETE,
            tv::PlanReason::DeletedFromSource);
    auto& trip = *merged.subfolders.emplace_back(std::make_unique<tv::CTreeF>());
    trip.name = "2026";
    AddFile(trip, "beach.jpg", 4'194'304, tv::Side::Source, tv::ACTION_COPY,
            tv::PlanReason::OnlyInSource);
    AddFile(trip, "sunset.jpg", 3'670'016, tv::Side::Source, tv::ACTION_COPY,
            tv::PlanReason::OnlyInSource);
    AddFile(trip, "edited-on-laptop.jpg", 2'516'582, tv::Side::Target, tv::ACTION_COPY,
            tv::PlanReason::TargetWins, 3);
    AddFile(trip, "blurred.jpg", 1'048'576, tv::Side::Source, tv::ACTION_DELETE,
            tv::PlanReason::DeletedFromTarget);
    const tv::CPlanBytes bytes{7'866'368, 1'048'576, 2'516'582, 512};
    tv::CPreviewRequest request;
    request.m_strSource = task.m_Source.m_strPath;
    request.m_strTarget = task.m_Targets[0].m_strPath;
    request.m_strCaption = "Task: 7  /home/ann/Pictures <--> /media/ann/Backup/Pictures";
    request.m_strKeepNote = tv::FormatText(tv::LoadString(tv::IDS_PREVIEW_KEEP_VERSIONS).c_str(),
                                           30, ".twinvale-versions");
    tv::CPreviewModel model(task, merged, bytes, request);
    model.Toggle(tv::PreviewList::CopyFromSource, {1});
    tv::CPreviewDlg dialog(model);
    dialog.resize(900, 600);
    return Save(dialog, out / "preview.png") && SavePreviewTip(dialog, out / "preview-tip.png");
}

template <typename T>
T* ShownWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<T*>(widget); window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

bool PumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    return done();
}

// A real run that waits at its preview: the main window marks its task as running, and the
// preview and its progress window name the task.
bool RenderRunning(const fs::path& out) {
    char pattern[] = "/tmp/twinvale-run-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    fs::create_directories(folder / "Pictures/2026");
    fs::create_directories(folder / "Backup");
    for (const char* name : {"Pictures/notes.txt", "Pictures/2026/beach.jpg"}) {
        if (std::FILE* file = std::fopen((folder / name).c_str(), "w")) {
            std::fclose(file);
        }
    }
    tv::CProfile profile(tv::LocalFileSystem());
    tv::CMirrantApp app(tv::LocalFileSystem(), profile);
    app.Startup();
    tv::CQtDialogs dialogs;
    tv::CLanguageCatalog languages(tv::LocalFileSystem());
    tv::CMirrantDlg window(app, dialogs, languages);
    tv::CTaskList list = SampleList();
    tv::CElement& task = *list.m_Tasks[0];
    task.m_Source.m_strPath = (folder / "Pictures").string();
    task.m_Targets.assign(1, {});
    task.m_Targets[0].m_strPath = (folder / "Backup").string();
    task.m_dwOptions |= tv::opt1::kPreview | tv::opt1::kIncludeSubfolders;
    window.Presenter().AdoptList(std::move(list));
    window.Presenter().Editor().SelectRows({0}, 0);
    window.Presenter().Synch();
    bool ok = PumpUntil([] { return ShownWindow<tv::CPreviewDlg>() != nullptr; });
    tv::CPreviewDlg* preview = ShownWindow<tv::CPreviewDlg>();
    if (ok) {
        ok = Save(window, out / "main-window-running.png");
        preview->resize(760, 480);
        ok = Save(*preview, out / "preview-asking.png") && ok;
        if (tv::CTaskDlg* progress = ShownWindow<tv::CTaskDlg>()) {
            ok = Save(*progress, out / "progress-with-preview.png") && ok;
        }
        preview->reject();
    }
    ok = PumpUntil([&] { return window.Presenter().Runs().Outstanding() == 0; }) && ok;
    window.RunViews().Detach();
    fs::remove_all(folder);
    return ok;
}

// Every page of the settings sheet of a backup task with some options on, in `language`, and
// the real-time settings.
bool RenderAdvanced(const fs::path& out, const std::string& language) {
    tv::CLanguageCatalog languages(tv::LocalFileSystem());
    languages.LoadFrom({TWINVALE_LANG_DIR});
    languages.Select(languages.SlotOf(language));
    tv::CElement task = SampleTask();
    task.m_dwOptions |= 1u << tv::opt1::kKindShift;
    task.m_dwOptions2 |= tv::opt2::kExcludeItems | tv::opt2::kExcludeMasks;
    task.m_ExcludedItems = {"/2026/Drafts", "/Thumbs"};
    task.m_strExcludeMasks = "*.TMP; ~*";
    task.m_bMailReport = 1;
    task.m_strSmtpServer = "mail.example.org:587";
    task.m_bRunBefore = 1;
    task.m_strRunBefore = "mount /media/ann/Backup";
    tv::CAdvancedSheet sheet(task, tv::DialUpLayer::Present);
    tv::CQtDialogs dialogs;
    tv::CAdvanced dialog(sheet, dialogs, {});
    const std::string suffix = language == "English" ? "" : "-de";
    bool ok = true;
    for (int i = 0; i < dialog.Tabs()->count(); ++i) {
        dialog.Tabs()->setCurrentIndex(i);
        ok = Save(dialog, out / ("advanced-" + std::to_string(i) + suffix + ".png")) && ok;
    }
    dialog.close();
    tv::CRealtimeSettings settings;
    settings.m_nAccount = 1;
    settings.m_strUser = "ann";
    tv::CRTAdvDialog realtime(settings);
    ok = Save(realtime, out / ("realtime-settings" + suffix + ".png")) && ok;
    languages.Select(0);
    return ok;
}

// Every page of the new-task wizard for a backup task, with dial-up, in `language`.
bool RenderWizard(const fs::path& out, const std::string& language) {
    tv::CLanguageCatalog languages(tv::LocalFileSystem());
    languages.LoadFrom({TWINVALE_LANG_DIR});
    languages.Select(languages.SlotOf(language));
    tv::CTaskWizardModel wizard("/home/ann/.local/share/twinvale", tv::DialUpLayer::Present);
    wizard.m_nKind = 1;
    wizard.SetSourceText("/home/ann/Documents");
    wizard.SetTargetText("/media/ann/Backup/Documents");
    wizard.AddTarget();
    wizard.SetTargetText("/mnt/nas/ann/Documents");
    wizard.AddTarget();
    wizard.m_pages.m_exclusion.m_bExcludeItems = true;
    wizard.m_pages.m_exclusion.m_items = {"/home/ann/Documents/2026/Drafts", "/Thumbs"};
    tv::CQtDialogs dialogs;
    tv::CTaskWizard dialog(wizard, dialogs, tv::LocalFileSystem());
    auto* next = dialog.findChild<QPushButton*>("wizardNext");
    const std::string suffix = language == "English" ? "" : "-de";
    bool ok = true;
    for (size_t i = 0; i < wizard.Steps().size(); ++i) {
        ok = Save(dialog, out / ("wizard-" + std::to_string(i + 1) + suffix + ".png")) && ok;
        next->click();
    }
    dialog.close();
    languages.Select(0);
    return ok;
}

// The schedule dialog in each of its kinds, a schedule set by hand, and the warning before it.
bool RenderSchedule(const fs::path& out, const std::string& language) {
    tv::CLanguageCatalog languages(tv::LocalFileSystem());
    languages.LoadFrom({TWINVALE_LANG_DIR});
    languages.Select(languages.SlotOf(language));
    const std::string suffix = language == "English" ? "" : "-de";
    tv::CScheduleJob job;
    job.m_strName = "Synch 7 8 9.job";
    job.m_strCommand =
        "'/usr/bin/mirrant' --scheduled '/f:/home/ann/Documents/Backups 100'\\%' sure.tsl' "
        "'7' '8' '9'";
    job.m_bExists = true;
    job.m_form.m_kind = tv::ScheduleKind::Weekly;
    job.m_form.m_nHour = 20;
    job.m_form.m_nMinute = 30;
    job.m_form.m_nDays = 0x2a;
    bool ok = true;
    const std::pair<tv::ScheduleKind, const char*> kinds[] = {
        {tv::ScheduleKind::Weekly, "weekly"},     {tv::ScheduleKind::Once, "once"},
        {tv::ScheduleKind::EveryHours, "hours"},  {tv::ScheduleKind::Monthly, "monthly"},
        {tv::ScheduleKind::AtStartup, "startup"},
    };
    for (const auto& [kind, name] : kinds) {
        tv::CScheduleDlg dialog(job);
        auto* combo = dialog.findChild<QComboBox*>("kind");
        combo->setCurrentIndex(combo->findData(static_cast<int>(kind)));
        ok = Save(dialog, out / ("schedule-" + std::string(name) + suffix + ".png")) && ok;
        job.m_bExists = false;
    }
    job.m_form.m_kind = tv::ScheduleKind::Other;
    job.m_form.m_strText = "0 7-19/2 * * 1-5";
    job.m_form.m_nYear = 0;
    tv::CScheduleDlg other(job);
    ok = Save(other, out / ("schedule-other" + suffix + ".png")) && ok;
    tv::CQtDialogs dialogs;
    ok = SaveNextModal(out / ("schedule-warning" + suffix + ".png"),
                       [&] {
                           dialogs.MessageOnce(tv::LoadString(tv::IDS_SCHED_WARNING),
                                               tv::LoadString(tv::IDS_SCHED_WARNING_CAPTION),
                                               tv::LoadString(tv::IDS_SCHED_DONT_SHOW));
                       }) &&
         ok;
    languages.Select(0);
    return ok;
}

// A real-time task whose service runs (a stand-in that waits for its stop): its row says
// "Running..." and the Synch tool shows the stop image.
bool RenderRealtime(const fs::path& out) {
    char pattern[] = "/tmp/twinvale-realtime-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    fs::create_directories(folder / "Music");
    fs::create_directories(folder / "Backup");
    const fs::path program = folder / "tvservice";
    if (std::FILE* file = std::fopen(program.c_str(), "w")) {
        std::fputs("#!/bin/sh\ntrap 'exit 0' TERM\nwhile :; do sleep 0.1; done\n", file);
        std::fclose(file);
    }
    fs::permissions(program, fs::perms::owner_all);
    setenv("TWINVALE_TVSERVICE", program.c_str(), 1);
    tv::CProfile profile(tv::LocalFileSystem());
    tv::CMirrantApp app(tv::LocalFileSystem(), profile);
    app.Startup();
    tv::CQtDialogs dialogs;
    tv::CLanguageCatalog languages(tv::LocalFileSystem());
    QIcon::setThemeName("");
    tv::CMirrantDlg window(app, dialogs, languages);
    tv::CTaskList list = SampleList();
    tv::CElement& task = *list.m_Tasks[2];
    task.m_Source.m_strPath = (folder / "Music").string();
    task.m_Targets.assign(1, {});
    task.m_Targets[0].m_strPath = (folder / "Backup").string();
    task.m_dwOptions = (task.m_dwOptions & ~(tv::opt1::kKindMask | tv::opt1::kPreview)) |
                       (2u << tv::opt1::kKindShift) | 1u;
    window.Presenter().AdoptList(std::move(list));
    window.Presenter().Editor().SelectSingle(2);
    window.Presenter().Synch();
    bool ok = window.Presenter().SyncStops() && Save(window, out / "main-window-realtime.png");
    window.Presenter().Synch();
    ok = !window.Presenter().SyncStops() && ok;
    unsetenv("TWINVALE_TVSERVICE");
    fs::remove_all(folder);
    return ok;
}

// The preferences with the mail server settings of a secure login, keeping replaced files in
// a versions folder.
bool RenderPreferences(const fs::path& out) {
    tv::CKeepFilesChoice keep(tv::LocalFileSystem());
    keep.SetChoice(2);
    tv::CMailServerSettings mail(tv::LocalFileSystem());
    mail.SetSecure(true);
    mail.m_account.m_strUser = "reports@example.org";
    mail.m_account.m_strPassword = "secret";
    tv::CPrefDialog dialog(tv::pref::kDefault, {});
    dialog.AddKeepFiles(keep);
    dialog.AddMailServer(mail);
    return Save(dialog, out / "preferences.png");
}

}  // namespace

void PutSample(const fs::path& path, const std::string& text, int ageHours) {
    fs::create_directories(path.parent_path());
    if (std::FILE* file = std::fopen(path.c_str(), "w")) {
        std::fputs(text.c_str(), file);
        std::fclose(file);
    }
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(ageHours));
}

// The comparison window over a real pair of folders holding each kind of difference, whole
// and with the differences only.
bool RenderCompare(const fs::path& out) {
    char pattern[] = "/tmp/twinvale-cmp-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    const fs::path l = folder / "Pictures";
    const fs::path r = folder / "Backup";
    PutSample(l / "notes.txt", "same", 30);
    PutSample(r / "notes.txt", "same", 30);
    PutSample(l / "2026/beach.jpg", "new beach", 2);
    PutSample(r / "2026/beach.jpg", "old beach", 50);
    PutSample(r / "2026/edited-on-laptop.jpg", "laptop", 3);
    PutSample(l / "2026/sunset.jpg", "sunset", 4);
    PutSample(l / "2025/party.jpg", "party", 400);
    PutSample(r / "2025/party.jpg", "party", 400);
    PutSample(l / "list.csv", "a,b,c,d", 10);
    PutSample(r / "list.csv", "a,b", 10);
    PutSample(l / "old-draft.txt", "draft", 90);
    PutSample(r / "old-draft.txt", "draft", 20);
    tv::CCompareArgs args;
    args.m_bSubfolders = true;
    args.m_left.m_strPath = l.string() + "/";
    args.m_right.m_strPath = r.string() + "/";
    tv::CQtDialogs dialogs;
    tv::CCompareWnd window(args, tv::LocalFileSystem(), dialogs);
    bool compared = false;
    QObject::connect(&window, &tv::CCompareWnd::compared, [&] { compared = true; });
    window.show();
    window.Refresh();
    bool ok = PumpUntil([&] { return compared; }) && Save(window, out / "compare.png");
    auto* tree = window.findChild<QTreeWidget*>("compareTree");
    window.findChild<QCheckBox*>("onlyDifferences")->setChecked(true);
    ok = ok && PumpUntil([&] { return tree->topLevelItemCount() == 3; }) &&
         Save(window, out / "compare-differences.png");
    for (const char* name : {"sunset.jpg", "old-draft.txt"}) {
        for (QTreeWidgetItem* item : tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive)) {
            item->setSelected(true);
        }
    }
    ok = ok && Save(window, out / "compare-selected.png");
    // Drawn before the listing's result is taken from the queue: the window as it lists.
    compared = false;
    window.Refresh();
    const fs::path listing = out / "compare-listing.png";
    const bool saved = window.grab().save(QString::fromStdString(listing.string()));
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", listing.c_str());
    ok = ok && saved && PumpUntil([&] { return compared; });
    // The German texts are the longest: the buttons must still hold them.
    tv::CLanguageCatalog languages(tv::LocalFileSystem());
    languages.LoadFrom({TWINVALE_LANG_DIR});
    languages.Select(languages.SlotOf("Deutsch"));
    tv::CCompareWnd german(args, tv::LocalFileSystem(), dialogs);
    QObject::connect(&german, &tv::CCompareWnd::compared, [&] { compared = true; });
    compared = false;
    german.show();
    german.Refresh();
    ok = ok && PumpUntil([&] { return compared; }) && Save(german, out / "compare-de.png");
    languages.Select(0);
    fs::remove_all(folder);
    return ok;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_windows OUTDIR\n");
        return 2;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    IsolateSettings();
    QApplication app(argc, argv);
    tv::AddProgramStrings();
    tv::AddCompareStrings();
    const fs::path out = argv[1];
    std::error_code error;
    fs::create_directories(out, error);
    CSampleBoard board;
    bool ok = RenderMainWindow(out, "English", "", "main-window.png", EditStates::Draw);
    ok = RenderMainWindow(out, "Deutsch", "", "main-window-de.png", EditStates::Skip) && ok;
    ok = RenderMainWindow(out, "English", "Adwaita", "main-window-themed.png", EditStates::Skip) &&
         ok;
    ok = RenderDialogs(out) && ok;
    ok = RenderSkinned(out) && ok;
    ok = RenderPreferences(out) && ok;
    ok = RenderFtpDialogs(out) && ok;
    ok = RenderProgress(out, board) && ok;
    ok = RenderPreview(out) && ok;
    ok = RenderRunning(out) && ok;
    ok = RenderRealtime(out) && ok;
    ok = RenderAdvanced(out, "English") && ok;
    ok = RenderAdvanced(out, "Deutsch") && ok;
    ok = RenderWizard(out, "English") && ok;
    ok = RenderWizard(out, "Deutsch") && ok;
    ok = RenderSchedule(out, "English") && ok;
    ok = RenderSchedule(out, "Deutsch") && ok;
    ok = RenderCompare(out) && ok;
    return ok ? 0 : 1;
}
