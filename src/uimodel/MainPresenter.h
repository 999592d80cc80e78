#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "uimodel/MainListener.h"
#include "uimodel/RunQueue.h"
#include "uimodel/TaskListDocument.h"

namespace tv {

class CMirrantApp;
class IUiDialogs;

// A desktop shortcut that starts one task of the saved list.
struct CTaskShortcut {
    std::string m_strFileName;  // the ".desktop" file's name
    std::string m_strContent;   // its text
};

// The state and commands of the main window, without widgets: the loaded task list, the edit
// copy of the selected task with its controls' values, the run bookkeeping and the list
// files. It asks the user through IUiDialogs and opens run windows through IRunViews. Every
// member runs on the GUI thread and never waits for a worker: runs report their ends through
// IRunViews::Post.
class CMainPresenter : private IRunQueueHost {
  public:
    CMainPresenter(CMirrantApp& app, IUiDialogs& dialogs);
    ~CMainPresenter() override;
    CMainPresenter(const CMainPresenter&) = delete;
    CMainPresenter& operator=(const CMainPresenter&) = delete;

    void SetListener(IMainListener* listener);

    // --- The task list and its rows.
    CTaskListDocument& List() { return m_doc; }
    const CTaskListDocument& List() const { return m_doc; }
    // The "Last run" column: a real-time task (as the edit area shows it) is "Stopped".
    std::string RowLastRun(int row) const;
    const std::vector<int>& Selection() const { return m_selection; }
    int EditedRow() const { return m_nEditedRow; }
    // The view's selection changed; `current` is the row clicked last (-1: none). A current
    // row other than the edited one is selected as after a click.
    void SelectRows(std::vector<int> rows, int current);
    bool EditsPending() const { return m_bEditsPending; }

    // --- The edit area: the edit copy of the edited row.
    const CElement& EditCopy() const { return m_edit; }
    std::string NameText() const { return m_edit.m_strName; }
    std::string SourceText() const;
    std::string TargetText() const;
    std::vector<std::string> TargetRows() const;
    int TargetRowShown() const { return m_nTargetRow; }
    std::string TaskIdText() const;
    int ModeIndex() const;
    int KindIndex() const;
    int TargetsUsageIndex() const { return m_edit.m_bTargetsInTurn ? 1 : 0; }
    bool ArchiveTarget() const;
    bool IncludeSubfolders() const;
    bool PreviewChecked() const;
    bool Locked() const;
    // The edited task is running: its record belongs to the run, so the edit area is read-only.
    bool EditReadOnly() const;
    // The Synch tool button's tip ("Execute selected task"; "Stop task" for a running
    // real-time task).
    std::string SyncTip() const;

    void SetNameText(const std::string& text);
    void SetSourceText(const std::string& text);
    void SetTargetText(const std::string& text);
    void SetMode(int index);
    void SetKind(int index);
    void SetTargetsUsage(int index);
    void SetArchiveTarget(bool on);
    void SetIncludeSubfolders(bool on);
    void SetPreview(bool on);
    // Returns the check the box is to show: unlocking asks first.
    bool SetLocked(bool on);
    void BrowseSource();
    void BrowseTarget();
    void ShowTargetRow(int row);
    void SetTargetSelection(std::vector<int> rows) { m_targetSelection = std::move(rows); }
    void AddTarget();
    void DeleteTargets();
    void Swap();

    // --- Task commands.
    void ApplyEdits();
    void NewTask();
    void CloneTask();
    void DeleteTasks();
    void UndoChanges();
    void ClearAllFields();

    // --- Run commands; the runs they start are the queue's.
    CRunQueue& Runs() { return m_runs; }
    const CRunQueue& Runs() const { return m_runs; }
    void Synch();
    void SynchAll();
    void Backup();
    void Replace();
    void Restore();
    void EqualizeToTarget();
    void EqualizeToSource();

    // --- Lists, the log, preferences, shortcuts and the exit routine.
    void NewList();
    void OpenList();
    // A recent list or the command line's; false when nothing was loaded.
    bool OpenListFile(const std::string& path);
    // The interactive start: `path` (the command line's list, or the last one) is loaded when
    // it can be; nothing is said when it cannot.
    void LoadAtStart(const std::string& path);
    // Replaces the list without a file (sample lists of tools and tests).
    void AdoptList(CTaskList list);
    bool Save();
    bool SaveAs();
    void ViewLog();
    uint32_t Preferences() const { return m_dwPreferences; }
    // Stores `DlgPref`; runs started from now on work with the new bits.
    void SetPreferences(uint32_t preferences);
    // New tasks start from the defaults again. Blocks on disk I/O.
    void ClearNewTaskPattern();
    // The shortcut of `row`'s task, or nothing when the list has not been saved yet.
    std::optional<CTaskShortcut> ShortcutFor(int row) const;
    // Writes that shortcut into the program's temporary folder, to be dragged out of the
    // window as a file; its path, or nothing when there is none or it cannot be written.
    // Blocks on disk I/O.
    std::optional<std::string> DragShortcutFile(int row) const;
    void CreateDesktopShortcut();
    // Exit, the close box, Escape, the tray's Exit, the end of the session. Ends with
    // ExitReady, at once or once canceled runs have ended, unless the user kept the window.
    void RequestExit();
    bool ExitReady() const { return m_bExitReady; }
    // The language changed: the texts the presenter makes are made again.
    void LanguageChanged();

  private:
    enum class ExitState { None, WaitingForRuns };
    enum class SaveResult { Saved, Canceled, Failed };
    enum class SavePath { Current, Ask };
    enum class LoadNotice { Tell, Quiet };

    // Edit area.
    void LoadEditCopy(int row);
    void ResetEditArea();
    void MarkPending();
    // A check box of the edit area: one bit of an option word of the edit copy.
    void SetEditOption(uint32_t& word, uint32_t bit, bool on);
    bool Editable() const { return !EditReadOnly(); }
    CTag& FieldLocation();
    const CTag& FieldLocation() const;
    bool HasTarget() const;
    void StoreEditCopy(CElement& stored);
    void SelectSingle(int row);
    void AppendTask(std::unique_ptr<CElement> task);
    bool DeleteOne(int row);

    // Runs.
    static RunGroup GroupOf(const std::vector<int>& rows);
    void StartCommand(const std::vector<int>& rows, RunCommand command, RunGroup group);
    bool IsBusy(const CElement& task) const { return m_runs.IsRunning(task); }
    void SayRealtimeLater(const std::vector<int>& rows);
    // IRunQueueHost.
    void ApplyPendingEdits() override;
    AfterRunEnd RunEnded(const CElement& task) override;
    void ShutdownStarted() override;
    void RunsChanged() override;

    // Lists.
    bool RefuseWhileRunning();
    bool SavePrompt();
    SaveResult SaveList(SavePath savePath);
    SaveResult SaveTo(const std::string& path);
    bool LoadList(const std::string& path, LoadNotice notice);
    void ForgetRows();
    void ContinueExit();
    std::string Text(int id) const;

    CMirrantApp& m_app;
    IUiDialogs& m_dialogs;
    IMainListener* m_pListener = nullptr;
    uint32_t m_dwPreferences;

    CTaskListDocument m_doc;
    std::vector<int> m_selection;
    CElement m_edit;
    int m_nEditedRow = -1;
    bool m_bEditsPending = false;
    CTag m_fieldLocation;             // the target field's location while no target row is shown
    int m_nTargetRow = -1;            // the target the target field shows, or -1
    std::optional<CTag> m_typedOver;  // that target before the field was typed over
    std::vector<int> m_targetSelection;

    CRunQueue m_runs;

    ExitState m_exitState = ExitState::None;
    bool m_bExitReady = false;
};

}  // namespace tv
