#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "ui/AboutDlg.h"
#include "ui/AppIcon.h"
#include "ui/MirrantDlg.h"
#include "uimodel/Languages.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/WindowSettings.h"

namespace tv {

namespace {

QString Text(int id) {
    return QString::fromStdString(LoadString(id));
}

// The tip of a button or tool whose tip changes with the selected task, set by the caller.
constexpr int kOwnTip = 0;

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
    box->setObjectName("buttonBox");
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* runs = new QHBoxLayout();
    auto* tasks = new QHBoxLayout();
    layout->addLayout(runs);
    layout->addLayout(tasks);
    const auto add = [this](QHBoxLayout* row, int id, const char* name, int tip,
                            std::function<void()> fn) {
        QPushButton* button = Button(id, name, fn);
        if (tip != kOwnTip) {
            BindTip(button, tip);
        }
        row->addWidget(button);
        return button;
    };
    m_pSyncButton = add(runs, IDS_MW_BTN_SYNC, "syncButton", kOwnTip, [&p] { p.Synch(); });
    add(runs, IDS_MW_BTN_SYNC_ALL, "syncAllButton", IDS_MW_TIP_SYNC_ALL, [&p] { p.SynchAll(); });
    add(runs, IDS_MW_BTN_REPLACE, "replaceButton", IDS_MW_TIP_REPLACE, [&p] { p.Replace(); });
    add(runs, IDS_MW_BTN_COMPARE, "compareButton", IDS_MW_TIP_COMPARE, [&p] { p.Compare(); });
    add(runs, IDS_MW_BTN_BACKUP, "backupButton", IDS_MW_TIP_BACKUP, [&p] { p.Backup(); });
    add(runs, IDS_MW_BTN_RESTORE, "restoreButton", IDS_MW_TIP_RESTORE, [&p] { p.Restore(); });
    add(runs, IDS_MW_BTN_LOG, "logButton", IDS_MW_TIP_LOG, [&p] { p.ViewLog(); });
    add(tasks, IDS_MW_BTN_NEW_TASK, "newTaskButton", IDS_MW_TIP_NEW_TASK,
        [this] { m_editor.NewTask(); });
    add(tasks, IDS_MW_BTN_WIZARD, "wizardButton", IDS_MW_TIP_WIZARD, [this] { ShowWizard(); });
    add(tasks, IDS_MW_BTN_CLONE, "cloneButton", IDS_MW_TIP_CLONE, [this] { m_editor.CloneTask(); });
    add(tasks, IDS_MW_BTN_DELETE, "deleteButton", IDS_MW_TIP_DELETE, [&p] { p.DeleteTasks(); });
    add(tasks, IDS_MW_BTN_UNDO, "undoButton", IDS_MW_TIP_UNDO, [this] { m_editor.UndoChanges(); });
    add(tasks, IDS_MW_BTN_SCHEDULE, "scheduleButton", IDS_MW_TIP_SCHEDULE,
        [this] { ShowSchedule(); });
    add(tasks, IDS_MW_BTN_EXIT, "exitButton", IDS_MW_TIP_EXIT, [this] { close(); });
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
    MenuAction(file, IDS_MW_MENU_SAVE_LIST_AS, [&p] {
        p.SaveAs();
    })->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    file->addSeparator();
    m_pRecentMenu = file->addMenu(QString());
    Bind(m_pRecentMenu, IDS_MW_MENU_RECENT);
    file->addSeparator();
    MenuAction(file, IDS_MW_MENU_EXIT, [this] { close(); })->setShortcut(Qt::CTRL | Qt::Key_Q);

    QMenu* task = menuBar()->addMenu(QString());
    task->setToolTipsVisible(true);
    Bind(task, IDS_MW_MENU_TASK);
    MenuAction(task, IDS_MW_MENU_NEW_TASK, [this] { m_editor.NewTask(); });
    MenuAction(task, IDS_MW_MENU_WIZARD, [this] { ShowWizard(); });
    MenuAction(task, IDS_MW_MENU_CLONE, [this] { m_editor.CloneTask(); });
    QAction* deleteTask = MenuAction(task, IDS_MW_MENU_DELETE, [&p] { p.DeleteTasks(); });
    // The menu shows the key; the task list's own Delete (BuildKeys) always asks first.
    deleteTask->setShortcut(Qt::Key_Delete);
    deleteTask->setShortcutContext(Qt::WidgetShortcut);
    MenuAction(task, IDS_MW_MENU_UNDO, [this] {
        m_editor.UndoChanges();
    })->setShortcut(Qt::CTRL | Qt::Key_Z);
    task->addSeparator();
    m_editActions = {
        MenuAction(task, IDS_MW_MENU_ADD_TARGET, [this] { m_editor.AddTarget(); }),
        MenuAction(task, IDS_MW_MENU_DELETE_TARGET, [this] { m_editor.DeleteTargets(); }),
        MenuAction(task, IDS_MW_MENU_CLEAR_FIELDS, [this] { m_editor.ClearAllFields(); })};
    m_editActions[0]->setObjectName("addTargetAction");
    m_editActions[1]->setObjectName("deleteTargetAction");
    m_editActions[2]->setObjectName("clearFieldsAction");
    task->addSeparator();
    MenuAction(task, IDS_MW_MENU_LOG, [&p] { p.ViewLog(); });
    MenuAction(task, IDS_MW_MENU_SHORTCUT, [&p] {
        p.CreateDesktopShortcut();
    })->setObjectName("shortcutAction");
    MenuAction(task, IDS_MW_MENU_SCHEDULE, [this] { ShowSchedule(); });
    MenuAction(task, IDS_MW_MENU_ADVANCED, [this] { ShowAdvanced(); });

    QMenu* run = menuBar()->addMenu(QString());
    Bind(run, IDS_MW_MENU_RUN);
    BuildRunMenu(run);

    QMenu* view = menuBar()->addMenu(QString());
    view->setToolTipsVisible(true);
    Bind(view, IDS_MW_MENU_VIEW);
    m_pLanguageMenu = view->addMenu(QString());
    Bind(m_pLanguageMenu, IDS_MW_MENU_LANGUAGE);
    FillLanguageMenu();
    MenuAction(view, IDS_MW_MENU_LOAD_SKIN, [this] {
        if (const auto sheet = m_skins->LoadSkin()) {
            WearSheet(*sheet);
        }
    })->setObjectName("loadSkinAction");
    MenuAction(view, IDS_MW_MENU_UNLOAD_SKIN, [this] {
        m_skins->UnloadSkin();
        WearSheet({});
    })->setObjectName("unloadSkinAction");
    view->addSeparator();
    MenuAction(view, IDS_MW_MENU_PREFERENCES, [this] { ShowPreferences(); });

    QMenu* help = menuBar()->addMenu(QString());
    help->setToolTipsVisible(true);
    Bind(help, IDS_MW_MENU_HELP);
    MenuAction(help, IDS_MW_MENU_HELP_CONTENTS, [this] {
        ShowHelp();
    })->setShortcut(QKeySequence::HelpContents);
    MenuAction(help, IDS_MW_MENU_WEBPAGE, [this] {
        m_web->OpenWebPage();
    })->setObjectName("webPageAction");
    MenuAction(help, IDS_MW_MENU_CHECK_VERSION, [this] {
        m_web->CheckForNewVersion();
    })->setObjectName("checkVersionAction");
    help->addSeparator();
    MenuAction(help, IDS_MW_MENU_ABOUT, [this] { ShowAbout(this); });
}

void CMirrantDlg::BuildRunMenu(QMenu* run) {
    CMainPresenter& p = *m_presenter;
    run->setToolTipsVisible(true);
    MenuAction(run, IDS_MW_MENU_SYNC, [&p] { p.Synch(); })->setShortcut(Qt::Key_F5);
    MenuAction(run, IDS_MW_MENU_SYNC_ALL, [&p] { p.SynchAll(); });
    MenuAction(run, IDS_MW_MENU_REPLACE, [&p] { p.Replace(); });
    MenuAction(run, IDS_MW_MENU_COMPARE, [&p] { p.Compare(); });
    MenuAction(run, IDS_MW_MENU_EQUALIZE_TARGET, [&p] { p.EqualizeToTarget(); });
    MenuAction(run, IDS_MW_MENU_EQUALIZE_SOURCE, [&p] { p.EqualizeToSource(); });
    MenuAction(run, IDS_MW_MENU_BACKUP, [&p] { p.Backup(); });
    MenuAction(run, IDS_MW_MENU_RESTORE, [&p] { p.Restore(); });
}

// The tools in the order of the desktop's programs: files first, Exit last. Their images come
// from the desktop's icon theme by the freedesktop names, or else from the program's own.
void CMirrantDlg::BuildToolBar() {
    CMainPresenter& p = *m_presenter;
    QToolBar* bar = addToolBar(QString());
    bar->setObjectName("toolBar");
    bar->setMovable(false);
    const auto tool = [&](const char* icon, int tip, std::function<void()> fn) {
        QAction* action = bar->addAction(ActionIcon(icon), QString());
        action->setObjectName(QString("tool:") + icon);
        if (tip != kOwnTip) {
            BindTip(action, tip);
        }
        connect(action, &QAction::triggered, this, [fn = std::move(fn)] { fn(); });
        return action;
    };
    tool("document-open", IDS_MW_TIP_OPEN_LIST, [&p] { p.OpenList(); });
    tool("document-save", IDS_MW_TIP_SAVE_LIST, [&p] { p.Save(); });
    bar->addSeparator();
    tool("list-add", IDS_MW_TIP_NEW_TASK, [this] { m_editor.NewTask(); });
    tool("tools-wizard", IDS_MW_TIP_WIZARD, [this] { ShowWizard(); });
    tool("edit-copy", IDS_MW_TIP_CLONE, [this] { m_editor.CloneTask(); });
    tool("edit-delete", IDS_MW_TIP_DELETE, [&p] { p.DeleteTasks(); });
    tool("edit-undo", IDS_MW_TIP_UNDO, [this] { m_editor.UndoChanges(); });
    tool("text-x-generic", IDS_MW_TIP_LOG, [&p] { p.ViewLog(); });
    bar->addSeparator();
    // The Synch tool's tip follows the selected task (FillEditArea).
    m_pSyncTool = tool("media-playback-start", kOwnTip, [&p] { p.Synch(); });
    m_pSyncTool->setObjectName("syncTool");
    m_texts.push_back([this] { ShowSyncState(); });
    tool("view-refresh", IDS_MW_TIP_SYNC_ALL, [&p] { p.SynchAll(); });
    tool("go-next", IDS_MW_TIP_REPLACE, [&p] { p.Replace(); });
    tool("view-split-left-right", IDS_MW_TIP_COMPARE, [&p] { p.Compare(); });
    tool("go-previous", IDS_MW_TIP_RESTORE, [&p] { p.Restore(); });
    bar->addSeparator();
    tool("x-office-calendar", IDS_MW_TIP_SCHEDULE, [this] { ShowSchedule(); });
    tool("help-contents", IDS_MW_TIP_HELP, [this] { ShowHelp(); });
    bar->addSeparator();
    tool("application-exit", IDS_MW_TIP_EXIT, [this] { close(); });
}

void CMirrantDlg::BuildContextMenu() {
    CMainPresenter& p = *m_presenter;
    m_pContextMenu = new QMenu(this);
    m_pContextMenu->setToolTipsVisible(true);
    MenuAction(m_pContextMenu, IDS_MW_CTX_SYNC, [&p] { p.Synch(); });
    MenuAction(m_pContextMenu, IDS_MW_CTX_REPLACE, [&p] { p.Replace(); });
    MenuAction(m_pContextMenu, IDS_MW_CTX_COMPARE, [&p] { p.Compare(); });
    MenuAction(m_pContextMenu, IDS_MW_CTX_RESTORE, [&p] { p.Restore(); });
    MenuAction(m_pContextMenu, IDS_MW_CTX_DELETE, [&p] { p.DeleteTasks(); });
    MenuAction(m_pContextMenu, IDS_MW_CTX_ADVANCED, [this] { ShowAdvanced(); });
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
