#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>
#include <QTreeWidget>

#include "uimodel/MainPresenter.h"
#include "uimodel/Skins.h"
#include "uimodel/WebCommands.h"

class QAction;
class QActionGroup;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QSystemTrayIcon;
class QToolBar;

namespace tv {

class CLanguageCatalog;
class CMirrantApp;
class CQtRunViews;
class IUiDialogs;

// The task list of the main window: Enter runs the selected tasks, and dragging a row hands
// the window the drag (a desktop shortcut of the task).
class CTaskListView : public QTreeWidget {
  public:
    explicit CTaskListView(QWidget* parent) : QTreeWidget(parent) {}
    std::function<void()> m_onEnter;
    std::function<void()> m_onDrag;
    std::function<void()> m_onResize;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions actions) override;
    void resizeEvent(QResizeEvent* event) override;
};

// The main window: the task list, the edit area of the selected task, the buttons, menus,
// toolbar and tray icon, bound to a CMainPresenter and its parts (the list document, the task
// editor, the run queue), which hold the state and the commands.
// GUI thread only. It owns the run windows of its runs and waits for the runs' ends before it
// goes away.
class CMirrantDlg : public QMainWindow, private IMainListener {
    Q_OBJECT

  public:
    // `dialogs` asks the user (message boxes, or a script in tests); `languages` has been
    // loaded, and the stored language selected, before.
    CMirrantDlg(CMirrantApp& app, IUiDialogs& dialogs, CLanguageCatalog& languages,
                QWidget* parent = nullptr);
    ~CMirrantDlg() override;

    CMainPresenter& Presenter() { return *m_presenter; }
    CQtRunViews& RunViews() { return *m_runViews; }
    // Shows the window maximized or at the size the profile keeps ("MXM", "CX", "CY").
    void ShowAsStored();
    // Switches the texts to language `slot` of the catalog and stores its name as "curlang".
    void SelectLanguage(int slot);

  signals:
    // The exit routine finished and the window closed: the program may end.
    void exitFinished();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // IMainListener.
    void RowsReset() override;
    void RowChanged(int row) override;
    void SelectionChanged() override;
    void EditChanged() override;
    void TargetsChanged() override;
    void CaptionChanged() override;
    void RecentChanged() override;
    void FocusName() override;
    void RunsChanged() override;
    void StatusChanged() override;
    void ExitReady() override;

    // Building (MirrantDlg.cpp, MirrantDlgMenus.cpp).
    QWidget* BuildEditArea();
    QWidget* BuildLocations();
    QWidget* BuildOptions();
    QWidget* BuildButtons();
    void BuildMenus();
    void BuildRunMenu(QMenu* menu);
    void BuildToolBar();
    void BuildContextMenu();
    void BuildTray();
    void ConnectEditArea();
    void ConnectTaskList();

    // Texts: every text is bound to its id and set again when the language changes.
    void Bind(QWidget* widget, int id);
    void Bind(QAction* action, int id);
    void BindTip(QWidget* widget, int id);
    void BindTip(QAction* action, int id);
    void ApplyTexts();
    QAction* MenuAction(QMenu* menu, int id, std::function<void()> fn);
    QPushButton* Button(int id, const char* name, std::function<void()> fn);
    void FillLanguageMenu();
    void FillRecentMenu();

    // Showing the presenter's state.
    void FillRow(int row);
    void FillEditArea();
    void FillTargets();
    void ShowKindRadios();
    void ShowSyncState();
    void SetColumnWidths();
    void EnableEditArea();

    // The keyboard, tips and size (MirrantDlgKeys.cpp).
    void BuildKeys();
    void BindButtonTips();
    void SetTabOrder();
    QSize DefaultSize() const;

    // The shell around the window (MirrantDlgShell.cpp).
    void StartTaskDrag();
    void ShowPreferences();
    void EditFtp(Side side);
    // The Advanced command: the settings sheet, or the real-time settings (MirrantDlgAdvanced.cpp).
    void ShowAdvanced();
    // The new-task wizard; Finish appends its task. A locked task does not matter: it makes a
    // new one.
    void ShowWizard();
    // The Schedule command: the job of the selected tasks in the schedule dialog
    // (MirrantDlgSchedule.cpp).
    void ShowSchedule();
    void ShowHelp();
    // The skin's style sheet on every window of the program; empty: the desktop's style.
    void WearSheet(const std::string& sheet);
    void HideToTray();
    void RestoreFromTray();
    void StoreWindowSize();

    CMirrantApp& m_app;
    IUiDialogs& m_dialogs;
    CLanguageCatalog& m_languages;
    std::unique_ptr<CMainPresenter> m_presenter;
    CTaskEditor& m_editor;  // the presenter's, which the edit area binds to
    std::unique_ptr<CQtRunViews> m_runViews;
    std::unique_ptr<CWebCommands> m_web;  // posts through the run views
    std::unique_ptr<CSkins> m_skins;
    std::vector<std::function<void()>> m_texts;
    bool m_bFilling = false;  // the window is showing the presenter's state, not editing it
    bool m_bClosing = false;
    bool m_bResizedByUser = false;

    CTaskListView* m_pTasks = nullptr;
    QLineEdit* m_pName = nullptr;
    QLineEdit* m_pSource = nullptr;
    QLineEdit* m_pTarget = nullptr;
    QListWidget* m_pTargets = nullptr;
    QLabel* m_pTaskId = nullptr;
    QCheckBox* m_pArchive = nullptr;
    QCheckBox* m_pSubfolders = nullptr;
    QCheckBox* m_pPreview = nullptr;
    QCheckBox* m_pLock = nullptr;
    std::array<QRadioButton*, 3> m_kind{};
    std::array<QRadioButton*, 2> m_mode{};
    std::array<QRadioButton*, 2> m_usage{};
    std::vector<QWidget*> m_editWidgets;  // what only an open edit area enables
    std::vector<QAction*> m_editActions;  // the menu's commands that change the edited task
    QAction* m_pSyncTool = nullptr;
    QPushButton* m_pSyncButton = nullptr;
    QMenu* m_pRecentMenu = nullptr;
    QMenu* m_pLanguageMenu = nullptr;
    QActionGroup* m_pLanguageGroup = nullptr;
    QMenu* m_pContextMenu = nullptr;
    QSystemTrayIcon* m_pTray = nullptr;
};

}  // namespace tv
