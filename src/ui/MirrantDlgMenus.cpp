#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "ui/AboutDlg.h"
#include "ui/MirrantDlg.h"
#include "uimodel/Languages.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/WindowSettings.h"

namespace tv {

namespace {

QString Text(int id) {
    return QString::fromStdString(LoadString(id));
}

}  // namespace

void CMirrantDlg::Bind(QWidget* widget, int id) {
    m_texts.push_back([widget, id] {
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setText(Text(id));
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(Text(id));
        } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
            box->setTitle(Text(id));
        } else if (auto* menu = qobject_cast<QMenu*>(widget)) {
            menu->setTitle(Text(id));
        }
    });
}

void CMirrantDlg::Bind(QAction* action, int id) {
    m_texts.push_back([action, id] { action->setText(Text(id)); });
}

void CMirrantDlg::BindTip(QWidget* widget, int id) {
    m_texts.push_back([widget, id] { widget->setToolTip(Text(id)); });
}

void CMirrantDlg::BindTip(QAction* action, int id) {
    m_texts.push_back([action, id] { action->setToolTip(Text(id)); });
}

// Commands whose parts come with later versions are shown, but cannot be used yet.
void CMirrantDlg::Later(QWidget* widget) {
    widget->setEnabled(false);
    BindTip(widget, IDS_MW_NOT_AVAILABLE);
}

void CMirrantDlg::Later(QAction* action) {
    action->setEnabled(false);
    BindTip(action, IDS_MW_NOT_AVAILABLE);
}

void CMirrantDlg::ApplyTexts() {
    for (const auto& apply : m_texts) {
        apply();
    }
    m_pTasks->setHeaderLabels({Text(IDS_MW_COL_NAME), Text(IDS_MW_COL_LAST_RUN)});
    CaptionChanged();
    FillRecentMenu();
}

QAction* CMirrantDlg::MenuAction(QMenu* menu, int id, std::function<void()> fn) {
    QAction* action = menu->addAction(QString());
    Bind(action, id);
    if (fn) {
        connect(action, &QAction::triggered, this, [fn = std::move(fn)] { fn(); });
    }
    return action;
}

QPushButton* CMirrantDlg::Button(int id, const char* name, std::function<void()> fn) {
    auto* button = new QPushButton(this);
    button->setObjectName(name);
    Bind(button, id);
    if (fn) {
        connect(button, &QPushButton::clicked, this, [fn = std::move(fn)] { fn(); });
    }
    return button;
}

QWidget* CMirrantDlg::BuildButtons() {
    CMainPresenter& p = *m_presenter;
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* runs = new QHBoxLayout();
    auto* tasks = new QHBoxLayout();
    layout->addLayout(runs);
    layout->addLayout(tasks);
    runs->addWidget(Button(IDS_MW_BTN_SYNC, "syncButton", [&p] { p.Synch(); }));
    runs->addWidget(Button(IDS_MW_BTN_SYNC_ALL, "syncAllButton", [&p] { p.SynchAll(); }));
    runs->addWidget(Button(IDS_MW_BTN_REPLACE, "replaceButton", [&p] { p.Replace(); }));
    QPushButton* compare = Button(IDS_MW_BTN_COMPARE, "compareButton", {});
    Later(compare);
    runs->addWidget(compare);
    runs->addWidget(Button(IDS_MW_BTN_BACKUP, "backupButton", [&p] { p.Backup(); }));
    runs->addWidget(Button(IDS_MW_BTN_RESTORE, "restoreButton", [&p] { p.Restore(); }));
    runs->addWidget(Button(IDS_MW_BTN_LOG, "logButton", [&p] { p.ViewLog(); }));
    tasks->addWidget(Button(IDS_MW_BTN_NEW_TASK, "newTaskButton", [this] { m_editor.NewTask(); }));
    QPushButton* wizard = Button(IDS_MW_BTN_WIZARD, "wizardButton", {});
    Later(wizard);
    tasks->addWidget(wizard);
    tasks->addWidget(Button(IDS_MW_BTN_CLONE, "cloneButton", [this] { m_editor.CloneTask(); }));
    tasks->addWidget(Button(IDS_MW_BTN_DELETE, "deleteButton", [&p] { p.DeleteTasks(); }));
    tasks->addWidget(Button(IDS_MW_BTN_UNDO, "undoButton", [this] { m_editor.UndoChanges(); }));
    QPushButton* schedule = Button(IDS_MW_BTN_SCHEDULE, "scheduleButton", {});
    Later(schedule);
    tasks->addWidget(schedule);
    tasks->addWidget(Button(IDS_MW_BTN_EXIT, "exitButton", [this] { close(); }));
    return box;
}

void CMirrantDlg::BuildMenus() {
    CMainPresenter& p = *m_presenter;
    QMenu* file = menuBar()->addMenu(QString());
    Bind(file, IDS_MW_MENU_FILE);
    MenuAction(file, IDS_MW_MENU_NEW_LIST, [&p] { p.NewList(); })->setShortcut(QKeySequence::New);
    MenuAction(file, IDS_MW_MENU_OPEN_LIST, [&p] {
        p.OpenList();
    })->setShortcut(QKeySequence::Open);
    MenuAction(file, IDS_MW_MENU_SAVE_LIST, [&p] { p.Save(); })->setShortcut(QKeySequence::Save);
    MenuAction(file, IDS_MW_MENU_SAVE_LIST_AS, [&p] { p.SaveAs(); });
    file->addSeparator();
    m_pRecentMenu = file->addMenu(QString());
    Bind(m_pRecentMenu, IDS_MW_MENU_RECENT);
    file->addSeparator();
    MenuAction(file, IDS_MW_MENU_EXIT, [this] { close(); });

    QMenu* task = menuBar()->addMenu(QString());
    task->setToolTipsVisible(true);
    Bind(task, IDS_MW_MENU_TASK);
    MenuAction(task, IDS_MW_MENU_NEW_TASK, [this] { m_editor.NewTask(); });
    Later(MenuAction(task, IDS_MW_MENU_WIZARD, {}));
    MenuAction(task, IDS_MW_MENU_CLONE, [this] { m_editor.CloneTask(); });
    MenuAction(task, IDS_MW_MENU_DELETE, [&p] { p.DeleteTasks(); });
    MenuAction(task, IDS_MW_MENU_UNDO, [this] { m_editor.UndoChanges(); });
    task->addSeparator();
    MenuAction(task, IDS_MW_MENU_ADD_TARGET, [this] { m_editor.AddTarget(); });
    MenuAction(task, IDS_MW_MENU_DELETE_TARGET, [this] { m_editor.DeleteTargets(); });
    MenuAction(task, IDS_MW_MENU_CLEAR_FIELDS, [this] { m_editor.ClearAllFields(); });
    task->addSeparator();
    MenuAction(task, IDS_MW_MENU_LOG, [&p] { p.ViewLog(); });
    MenuAction(task, IDS_MW_MENU_SHORTCUT, [&p] {
        p.CreateDesktopShortcut();
    })->setObjectName("shortcutAction");
    Later(MenuAction(task, IDS_MW_MENU_SCHEDULE, {}));
    Later(MenuAction(task, IDS_MW_MENU_ADVANCED, {}));

    QMenu* run = menuBar()->addMenu(QString());
    Bind(run, IDS_MW_MENU_RUN);
    BuildRunMenu(run);

    QMenu* view = menuBar()->addMenu(QString());
    view->setToolTipsVisible(true);
    Bind(view, IDS_MW_MENU_VIEW);
    m_pLanguageMenu = view->addMenu(QString());
    Bind(m_pLanguageMenu, IDS_MW_MENU_LANGUAGE);
    FillLanguageMenu();
    Later(MenuAction(view, IDS_MW_MENU_LOAD_SKIN, {}));
    Later(MenuAction(view, IDS_MW_MENU_UNLOAD_SKIN, {}));
    view->addSeparator();
    MenuAction(view, IDS_MW_MENU_PREFERENCES, [this] { ShowPreferences(); });

    QMenu* help = menuBar()->addMenu(QString());
    help->setToolTipsVisible(true);
    Bind(help, IDS_MW_MENU_HELP);
    MenuAction(help, IDS_MW_MENU_HELP_CONTENTS, [this] {
        ShowHelp();
    })->setShortcut(QKeySequence::HelpContents);
    Later(MenuAction(help, IDS_MW_MENU_WEBPAGE, {}));
    Later(MenuAction(help, IDS_MW_MENU_CHECK_VERSION, {}));
    help->addSeparator();
    MenuAction(help, IDS_MW_MENU_ABOUT, [this] { ShowAbout(this); });
}

void CMirrantDlg::BuildRunMenu(QMenu* run) {
    CMainPresenter& p = *m_presenter;
    run->setToolTipsVisible(true);
    MenuAction(run, IDS_MW_MENU_SYNC, [&p] { p.Synch(); });
    MenuAction(run, IDS_MW_MENU_SYNC_ALL, [&p] { p.SynchAll(); });
    MenuAction(run, IDS_MW_MENU_REPLACE, [&p] { p.Replace(); });
    Later(MenuAction(run, IDS_MW_MENU_COMPARE, {}));
    MenuAction(run, IDS_MW_MENU_EQUALIZE_TARGET, [&p] { p.EqualizeToTarget(); });
    MenuAction(run, IDS_MW_MENU_EQUALIZE_SOURCE, [&p] { p.EqualizeToSource(); });
    MenuAction(run, IDS_MW_MENU_BACKUP, [&p] { p.Backup(); });
    MenuAction(run, IDS_MW_MENU_RESTORE, [&p] { p.Restore(); });
}

void CMirrantDlg::BuildToolBar() {
    CMainPresenter& p = *m_presenter;
    QToolBar* bar = addToolBar(QString());
    bar->setObjectName("toolBar");
    bar->setMovable(false);
    const auto tool = [&](QStyle::StandardPixmap icon, int tip, std::function<void()> fn) {
        QAction* action = bar->addAction(style()->standardIcon(icon), QString());
        if (fn) {
            BindTip(action, tip);
            connect(action, &QAction::triggered, this, [fn = std::move(fn)] { fn(); });
        } else {
            Later(action);
        }
        return action;
    };
    tool(QStyle::SP_DialogCloseButton, IDS_MW_TIP_EXIT, [this] { close(); });
    bar->addSeparator();
    tool(QStyle::SP_FileIcon, IDS_MW_TIP_NEW_TASK, [this] { m_editor.NewTask(); });
    tool(QStyle::SP_FileDialogDetailedView, IDS_MW_TIP_WIZARD, {});
    tool(QStyle::SP_FileDialogNewFolder, IDS_MW_TIP_CLONE, [this] { m_editor.CloneTask(); });
    tool(QStyle::SP_TrashIcon, IDS_MW_TIP_DELETE, [&p] { p.DeleteTasks(); });
    tool(QStyle::SP_ArrowBack, IDS_MW_TIP_UNDO, [this] { m_editor.UndoChanges(); });
    tool(QStyle::SP_FileDialogContentsView, IDS_MW_TIP_LOG, [&p] { p.ViewLog(); });
    bar->addSeparator();
    // The Synch button's tip follows the selected task (FillEditArea).
    m_pSyncTool = bar->addAction(style()->standardIcon(QStyle::SP_MediaPlay), QString());
    m_pSyncTool->setObjectName("syncTool");
    connect(m_pSyncTool, &QAction::triggered, this, [&p] { p.Synch(); });
    tool(QStyle::SP_MediaSeekForward, IDS_MW_TIP_SYNC_ALL, [&p] { p.SynchAll(); });
    tool(QStyle::SP_BrowserReload, IDS_MW_TIP_REPLACE, [&p] { p.Replace(); });
    tool(QStyle::SP_FileDialogListView, IDS_MW_TIP_COMPARE, {});
    tool(QStyle::SP_ArrowLeft, IDS_MW_TIP_RESTORE, [&p] { p.Restore(); });
    bar->addSeparator();
    tool(QStyle::SP_DialogHelpButton, IDS_MW_TIP_HELP, [this] { ShowHelp(); });
    tool(QStyle::SP_ComputerIcon, IDS_MW_TIP_SCHEDULE, {});
    m_texts.push_back(
        [this] { m_pSyncTool->setToolTip(QString::fromStdString(m_editor.SyncTip())); });
}

void CMirrantDlg::BuildContextMenu() {
    CMainPresenter& p = *m_presenter;
    m_pContextMenu = new QMenu(this);
    m_pContextMenu->setToolTipsVisible(true);
    MenuAction(m_pContextMenu, IDS_MW_CTX_SYNC, [&p] { p.Synch(); });
    MenuAction(m_pContextMenu, IDS_MW_CTX_REPLACE, [&p] { p.Replace(); });
    Later(MenuAction(m_pContextMenu, IDS_MW_CTX_COMPARE, {}));
    MenuAction(m_pContextMenu, IDS_MW_CTX_RESTORE, [&p] { p.Restore(); });
    MenuAction(m_pContextMenu, IDS_MW_CTX_DELETE, [&p] { p.DeleteTasks(); });
    Later(MenuAction(m_pContextMenu, IDS_MW_CTX_ADVANCED, {}));
    m_pTasks->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pTasks, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (m_pTasks->itemAt(pos)) {
            m_pContextMenu->popup(m_pTasks->viewport()->mapToGlobal(pos));
        }
    });
}

// Language names are shown as each language names itself.
void CMirrantDlg::FillLanguageMenu() {
    m_pLanguageGroup = new QActionGroup(this);
    const int current = m_languages.SlotOf(StoredLanguage(m_app.Profile()));
    for (int slot = 0; slot < m_languages.Count(); ++slot) {
        QAction* action =
            m_pLanguageMenu->addAction(QString::fromStdString(m_languages.Name(slot)));
        action->setCheckable(true);
        action->setChecked(slot == current);
        action->setData(slot);
        m_pLanguageGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, slot] { SelectLanguage(slot); });
    }
    m_pLanguageMenu->setEnabled(m_languages.Count() > 1);
}

void CMirrantDlg::SelectLanguage(int slot) {
    if (!m_languages.Select(slot)) {
        return;
    }
    StoreLanguage(m_app.Profile(), m_languages.Name(slot));
    for (QAction* action : m_pLanguageGroup->actions()) {
        action->setChecked(action->data().toInt() == slot);
    }
    ApplyTexts();
    m_presenter->LanguageChanged();
}

void CMirrantDlg::RecentChanged() {
    FillRecentMenu();
}

void CMirrantDlg::FillRecentMenu() {
    m_pRecentMenu->clear();
    const std::vector<std::string> lists = m_presenter->List().RecentLists();
    for (size_t i = 0; i < lists.size(); ++i) {
        const QString label = QString("&%1 %2").arg(i + 1).arg(
            QString::fromStdString(m_presenter->List().RecentName(i)));
        QAction* action = m_pRecentMenu->addAction(label);
        connect(action, &QAction::triggered, this,
                [this, path = lists[i]] { m_presenter->OpenListFile(path); });
    }
    m_pRecentMenu->setEnabled(!lists.empty());
}

}  // namespace tv
