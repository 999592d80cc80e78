#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/Folders.h"
#include "platform/Process.h"
#include "uimodel/DesktopShortcut.h"
#include "uimodel/MainPresenter.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

// A shortcut names the list file, so only a saved list has shortcuts.
std::optional<CTaskShortcut> CMainPresenter::ShortcutFor(int row) const {
    if (row < 0 || row >= RowCount() || m_list.m_strPath.empty()) {
        return std::nullopt;
    }
    const CElement& task = Task(row);
    CTaskShortcut shortcut{
        TaskDesktopFileName(task.m_strName),
        TaskDesktopEntry(task.m_strName, task.m_nTaskId, m_list.m_strPath, OwnExecutable())};
    if (shortcut.m_strContent.empty()) {
        return std::nullopt;
    }
    return shortcut;
}

// The task a shortcut starts is the one in the file, so the list is saved first.
void CMainPresenter::CreateDesktopShortcut() {
    ApplyEdits();
    if (m_selection.empty()) {
        return;
    }
    const int row = m_selection.front();
    if ((m_list.m_strPath.empty() || m_bListChanged) && !Save()) {
        return;
    }
    const std::string folder = DesktopFolder(m_app.FileSystem());
    if (WriteTaskShortcut(m_app.FileSystem(), Task(row), m_list.m_strPath, OwnExecutable(), folder,
                          m_dialogs) == ShortcutResult::Failed) {
        m_dialogs.Message(FormatText(Text(IDS_MW_SHORTCUT_FAILED).c_str(), folder.c_str()));
    }
}

}  // namespace tv
