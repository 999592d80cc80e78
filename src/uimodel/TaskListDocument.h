#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "task/TaskList.h"

namespace tv {

class CMirrantApp;
class IMainListener;
class IUiDialogs;

// The task list of the main window as a document: its rows with their "Last run" texts, the
// file it was read from or saved to, whether it changed since, the recent lists and the folder
// of the last list dialog. It tells the view about rows, the caption and the recent lists.
// Every file it touches (the list, the logs, the task counter) is reached through the
// application's file system. GUI thread; what reads or writes a file blocks on disk I/O, the
// Choose... calls block on the file dialog.
class CTaskListDocument {
  public:
    CTaskListDocument(CMirrantApp& app, IUiDialogs& dialogs);
    CTaskListDocument(const CTaskListDocument&) = delete;
    CTaskListDocument& operator=(const CTaskListDocument&) = delete;

    void SetListener(IMainListener* listener) { m_pListener = listener; }

    // --- Rows.
    int RowCount() const { return static_cast<int>(m_list.m_Tasks.size()); }
    const CElement& Task(int row) const { return *m_list.m_Tasks[static_cast<size_t>(row)]; }
    CElement& Task(int row) { return *m_list.m_Tasks[static_cast<size_t>(row)]; }
    std::string RowName(int row) const { return Task(row).m_strName; }
    // -1 when no row holds it.
    int RowOfId(int taskId) const;
    int RowOf(const CElement& task) const;
    // The time of the row's log as last read; empty when it has none.
    std::string LastRun(int row) const;
    // Reads the time of the row's log again; rows that do not exist are passed over.
    void RefreshLastRun(int row);
    void RefreshAllLastRuns();
    // Appends `task` under a fresh id from the counter; the new row.
    int Append(std::unique_ptr<CElement> task);
    // Removes the row and its task's log.
    void Remove(int row);

    // --- The file.
    const std::string& Path() const { return m_list.m_strPath; }
    std::string Caption() const;
    bool Changed() const { return m_bChanged; }
    void MarkChanged() { m_bChanged = true; }
    const std::string& LastDir() const { return m_strLastDir; }
    // Replaces the rows with a list that has no file (a new list, or a sample of a tool or a
    // test).
    void Replace(CTaskList list);
    // Replaces the rows with the list in `path`; a bare name is also looked for in the task
    // list folder. A list that cannot be read leaves no rows; one that is read becomes the
    // newest recent list and the one the next start opens. A list that had to be repaired
    // counts as changed. When neither place can be opened, the result says why `path` could not.
    CListLoadResult Load(const std::string& path);
    // The file dialogs. The folder chosen becomes the last folder; a name typed without a dot
    // gets ".tsl".
    std::optional<std::string> ChooseListToOpen();
    std::optional<std::string> ChooseSavePath();
    // Writes the rows to `path`; another path than the list's own renumbers them, since ids
    // name logs and snapshots beside the file's. When the file cannot be written, says so with
    // the path and the reason.
    bool SaveTo(const std::string& path);
    void AddRecent(const std::string& path);
    // The recent lists, newest first, as the File menu shows them.
    std::vector<std::string> RecentLists() const;
    std::string RecentName(size_t index) const;
    // The exit routine: the list and the folder of this session are the next start's.
    void RememberForNextStart();

  private:
    void Replaced();
    void Tell(void (IMainListener::*event)());

    CMirrantApp& m_app;
    IUiDialogs& m_dialogs;
    IMainListener* m_pListener = nullptr;
    CTaskList m_list;
    std::vector<std::string> m_lastRun;  // the "Last run" column, row by row
    bool m_bChanged = false;
    std::string m_strLastDir;
};

}  // namespace tv
