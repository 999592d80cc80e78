#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "auto/RealtimeService.h"
#include "uimodel/MainListener.h"
#include "uimodel/RunQueue.h"
#include "uimodel/ScheduleForm.h"
#include "uimodel/TaskEditor.h"
#include "uimodel/TaskListDocument.h"

namespace tv {

class CMirrantApp;
class IUiDialogs;

// Who asked the program to end: the user, who can answer questions, or a signal.
enum class ExitCause { User, Signal };

// A desktop shortcut that starts one task of the saved list.
struct CTaskShortcut {
    std::string m_strFileName;  // the ".desktop" file's name
    std::string m_strContent;   // its text
};

// The main window without widgets: it holds the task list document, the task editor and the
// run queue, and carries out the commands that need more than one of them (opening and saving
// lists, starting runs from the selection, deleting tasks, the exit routine) together with
// the preferences. It asks the user through IUiDialogs; the queue opens run windows through
// IRunViews. Every member runs on the GUI thread and never waits for a worker: runs report
// their ends through IRunViews::Post.
class CMainPresenter : private IRunQueueHost {
  public:
    CMainPresenter(CMirrantApp& app, IUiDialogs& dialogs);
    ~CMainPresenter() override;
    CMainPresenter(const CMainPresenter&) = delete;
    CMainPresenter& operator=(const CMainPresenter&) = delete;

    void SetListener(IMainListener* listener);

    CTaskListDocument& List() { return m_doc; }
    const CTaskListDocument& List() const { return m_doc; }
    CTaskEditor& Editor() { return m_editor; }
    const CTaskEditor& Editor() const { return m_editor; }
    CRunQueue& Runs() { return m_runs; }
    const CRunQueue& Runs() const { return m_runs; }

    // The "Last run" column: "Running..." while the row's task runs; a real-time task (as the
    // edit area shows it) is "Running..." while its service runs, else "Stopped". Blocks on a
    // look at the service.
    std::string RowLastRun(int row) const;
    // The Synch command's tip, and whether its tool shows the stop image: "Stop task" while the
    // edited task is a real-time task whose service runs, else "Execute selected task".
    std::string SyncTip() const;
    bool SyncStops() const;
    // The status line: why the last run command started nothing, or which tasks it passed over.
    const std::string& StatusText() const { return m_strStatus; }
    // The task list's texts and the status line are made again in the language now chosen.
    void LanguageChanged();

    // --- Runs of the selected tasks (SynchAll: of every task). Synch starts or stops the
    // service of each selected real-time task, which blocks on the service and the initial
    // synchronization (MainPresenterRealtime.cpp).
    void Synch();
    void SynchAll();
    void Backup();
    void Replace();
    void Restore();
    void EqualizeToTarget();
    void EqualizeToSource();
    // Asks first when the preferences say so; a running task is kept. The scheduler jobs of
    // the deleted tasks of this list go with them, and so do their real-time services: a task
    // whose service will not stop or cannot be removed is kept (said in a message).
    void DeleteTasks();
    // The real-time settings of the edited task changed: its service takes them, and is made
    // when missing; "Can't create RT service" when that fails. Blocks on disk I/O.
    void UpdateRealtimeService();

    // --- The Schedule command (MainPresenterSchedule.cpp). Each blocks on the crontab.
    // The job of the selected tasks, opened or made up new, after the list was saved (its
    // file is what the job runs) and the warning shown; nothing when there is no selection,
    // the user canceled, or the crontab could not be read (said in a message).
    std::optional<CScheduleJob> BeginSchedule();
    // Writes the job's schedule; false (said in a message) when it could not be saved.
    bool SaveSchedule(const CScheduleJob& job);
    bool RemoveSchedule(const CScheduleJob& job);

    // --- Lists: asked about unsaved changes first, refused while runs go on.
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

    // --- The log, preferences, shortcuts and the exit routine.
    void ViewLog();
    uint32_t Preferences() const { return m_dwPreferences; }
    // Stores `DlgPref`; runs started from now on work with the new bits.
    void SetPreferences(uint32_t preferences);
    // The shortcut of `row`'s task, or nothing when the list has not been saved yet.
    std::optional<CTaskShortcut> ShortcutFor(int row) const;
    // Writes that shortcut into the program's temporary folder, to be dragged out of the
    // window as a file; its path, or nothing when there is none or it cannot be written.
    // Blocks on disk I/O.
    std::optional<std::string> DragShortcutFile(int row) const;
    void CreateDesktopShortcut();
    // Compare: the first selected task's source and first target in the comparison program,
    // dialled up first when the task says so. Blocks while dialling and until the program has
    // been executed; it is not waited for.
    void Compare();
    // The last comparison command, as text without passwords.
    const std::string& LastCompareCommand() const { return m_strLastCompare; }
    // Exit, the close box, Escape, the tray's Exit, the end of the session. Ends with
    // ExitReady, at once or once canceled runs have ended, unless the user kept the window.
    // A signal (SIGTERM at logout or from kill) finds nobody to answer: it cancels the runs
    // without asking, and a changed list is saved only where that needs no question.
    void RequestExit(ExitCause cause = ExitCause::User);
    bool ExitReady() const { return m_bExitReady; }

  private:
    enum class ExitState { None, WaitingForRuns };
    enum class SaveResult { Saved, Canceled, Failed };
    enum class SavePath { Current, Ask };
    enum class LoadNotice { Tell, Quiet };

    // Runs.
    static RunGroup GroupOf(const std::vector<int>& rows);
    void StartCommand(std::vector<int> rows, RunCommand command, RunGroup group);
    // Real-time services (MainPresenterRealtime.cpp).
    CRealtimeServices Services() const;
    void ToggleRealtime(int row);
    bool ReleaseService(const CElement& task);
    bool EditedServiceRuns() const;
    bool SayNothingToStart(const std::vector<int>& rows);
    void SayPassedOver(const std::vector<int>& rows);
    // The status line says text `id` (none: 0), with `names` in it when it has a place for them.
    void SetStatus(int id, std::string names = {});
    void ShowStatus();
    // IRunQueueHost.
    void ApplyPendingEdits() override;
    AfterRunEnd RunEnded(const CElement& task) override;
    void ShutdownStarted() override;
    void RunsChanged() override;

    // Schedule.
    std::string ScheduleTaskPart(int& row) const;
    void ScheduleWarning();
    void RemoveJobsOfDeleted(const std::vector<int>& ids);

    // Lists.
    bool RefuseWhileRunning(std::function<void()> afterRuns);
    bool SavePrompt();
    SaveResult SaveList(SavePath savePath);
    SaveResult SaveTo(const std::string& path);
    bool LoadList(const std::string& path, LoadNotice notice);
    void ContinueExit();
    bool SaveBeforeSignalExit();
    std::string Text(int id) const;

    CMirrantApp& m_app;
    IUiDialogs& m_dialogs;
    IMainListener* m_pListener = nullptr;
    uint32_t m_dwPreferences;

    // The runs refer to the document's tasks, and the editor to both.
    CTaskListDocument m_doc;
    CRunQueue m_runs;
    CTaskEditor m_editor;

    ExitState m_exitState = ExitState::None;
    ExitCause m_exitCause = ExitCause::User;
    bool m_bExitReady = false;
    // A list command that waits for the runs it had canceled; no run starts meanwhile.
    std::function<void()> m_afterRuns;
    // The status line is kept as its text's id, so that it follows a switch of the language.
    int m_nStatusId = 0;
    std::string m_strStatusNames;
    std::string m_strStatus;
    std::string m_strLastCompare;
};

}  // namespace tv
