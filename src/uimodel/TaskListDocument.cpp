#include "uimodel/TaskListDocument.h"

#include <algorithm>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"
#include "platform/TaskCounter.h"
#include "report/TaskLog.h"
#include "report/TaskLogLastRun.h"
#include "uimodel/MainListener.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

// A name typed without a dot is a task list all the same.
std::string WithListExtension(std::string path) {
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.find('.') == std::string::npos) {
        path += ".tsl";
    }
    return path;
}

}  // namespace

CTaskListDocument::CTaskListDocument(CMirrantApp& app, IUiDialogs& dialogs)
    : m_app(app), m_dialogs(dialogs), m_strLastDir(app.LastDir()) {}

void CTaskListDocument::Tell(void (IMainListener::*event)()) {
    if (m_pListener) {
        (m_pListener->*event)();
    }
}

int CTaskListDocument::RowOfId(int taskId) const {
    for (int row = 0; row < RowCount(); ++row) {
        if (Task(row).m_nTaskId == taskId) {
            return row;
        }
    }
    return -1;
}

int CTaskListDocument::RowOf(const CElement& task) const {
    for (int row = 0; row < RowCount(); ++row) {
        if (&Task(row) == &task) {
            return row;
        }
    }
    return -1;
}

std::string CTaskListDocument::LastRun(int row) const {
    return row >= 0 && static_cast<size_t>(row) < m_lastRun.size() ? m_lastRun[row] : "";
}

void CTaskListDocument::RefreshLastRun(int row) {
    if (row < 0 || row >= RowCount()) {
        return;
    }
    m_lastRun.resize(m_list.m_Tasks.size());
    m_lastRun[row] = LastRunText(m_app.FileSystem(), Task(row).m_nTaskId);
    if (m_pListener) {
        m_pListener->RowChanged(row);
    }
}

void CTaskListDocument::RefreshAllLastRuns() {
    for (int row = 0; row < RowCount(); ++row) {
        RefreshLastRun(row);
    }
}

int CTaskListDocument::Append(std::unique_ptr<CElement> task) {
    task->m_nTaskId = NewTaskId(m_app.FileSystem());
    m_list.m_Tasks.push_back(std::move(task));
    m_lastRun.resize(m_list.m_Tasks.size());
    m_bChanged = true;
    Tell(&IMainListener::RowsReset);
    const int row = RowCount() - 1;
    RefreshLastRun(row);
    return row;
}

void CTaskListDocument::Remove(int row) {
    m_app.FileSystem().Unlink(DefaultLogPath(Task(row).m_nTaskId));
    m_list.m_Tasks.erase(m_list.m_Tasks.begin() + row);
    if (static_cast<size_t>(row) < m_lastRun.size()) {
        m_lastRun.erase(m_lastRun.begin() + row);
    }
}

std::string CTaskListDocument::Caption() const {
    return LoadString(IDS_MW_CAPTION) + m_list.m_strPath;
}

void CTaskListDocument::Replace(CTaskList list) {
    m_list = std::move(list);
    Replaced();
}

// A list that a load repaired counts as changed, so that the exit routine offers to save it.
void CTaskListDocument::Replaced() {
    m_bChanged = m_list.m_bChanged;
    m_lastRun.assign(m_list.m_Tasks.size(), {});
    RefreshAllLastRuns();
    Tell(&IMainListener::RowsReset);
    Tell(&IMainListener::CaptionChanged);
}

// The list in memory is emptied first: a list that cannot be read leaves an empty window.
CListLoadResult CTaskListDocument::Load(const std::string& path) {
    m_list = CTaskList();
    CTaskList list;
    IFileSystem& fs = m_app.FileSystem();
    list.m_nHighestId = std::max(0, ReadTaskCounter(fs));
    CListLoadResult result = list.LoadFile(fs, path, m_app.Profile());
    if (result.m_outcome == CListLoadResult::Outcome::CannotOpen &&
        path.find('/') == std::string::npos) {
        CListLoadResult listed =
            list.LoadFile(fs, m_app.TaskListFolder() + "/" + path, m_app.Profile());
        if (listed.m_outcome != CListLoadResult::Outcome::CannotOpen) {
            result = std::move(listed);
        }
    }
    if (result.m_outcome == CListLoadResult::Outcome::Loaded ||
        result.m_outcome == CListLoadResult::Outcome::Damaged) {
        m_list = std::move(list);
        m_app.RecentFiles().Add(m_list.m_strPath);
        m_app.Profile().WriteProfileString(profkey::kAppSection, profkey::kLastTaskList,
                                           m_list.m_strPath);
    }
    Replaced();
    Tell(&IMainListener::RecentChanged);
    return result;
}

std::optional<std::string> CTaskListDocument::ChooseListToOpen() {
    auto chosen = m_dialogs.OpenFile(FileKind::TaskList, m_strLastDir);
    if (chosen) {
        m_strLastDir = FolderOf(*chosen);
    }
    return chosen;
}

std::optional<std::string> CTaskListDocument::ChooseSavePath() {
    const auto chosen =
        m_dialogs.SaveFile(FileKind::TaskList, LoadString(IDS_MW_SAVE_AS_TITLE), m_strLastDir);
    if (!chosen || chosen->empty()) {
        return std::nullopt;
    }
    std::string path = WithListExtension(*chosen);
    m_strLastDir = FolderOf(path);
    return path;
}

bool CTaskListDocument::SaveTo(const std::string& path) {
    IFileSystem& fs = m_app.FileSystem();
    m_list.m_nHighestId = std::max(m_list.m_nHighestId, ReadTaskCounter(fs));
    std::string error;
    if (!m_list.SaveFile(fs, path, &error)) {
        // The writer's line names the step that failed, the file and the system's reason.
        m_dialogs.Message(
            DetailedMessage(LoadString(IDS_CANT_SAVE_TASK_LIST), {error.empty() ? path : error}));
        return false;
    }
    m_bChanged = false;
    RefreshAllLastRuns();
    Tell(&IMainListener::CaptionChanged);
    return true;
}

void CTaskListDocument::AddRecent(const std::string& path) {
    m_app.RecentFiles().Add(path);
    Tell(&IMainListener::RecentChanged);
}

std::vector<std::string> CTaskListDocument::RecentLists() const {
    return m_app.RecentFiles().Entries();
}

std::string CTaskListDocument::RecentName(size_t index) const {
    return m_app.RecentFiles().DisplayName(index);
}

void CTaskListDocument::RememberForNextStart() {
    if (!m_list.m_strPath.empty()) {
        m_app.Profile().WriteProfileString(profkey::kAppSection, profkey::kLastTaskList,
                                           m_list.m_strPath);
    }
    if (!m_strLastDir.empty()) {
        m_app.Profile().WriteProfileString(profkey::kAppSection, profkey::kLastDir, m_strLastDir);
    }
}

}  // namespace tv
