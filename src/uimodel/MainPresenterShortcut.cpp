#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/AtomicFile.h"
#include "platform/Folders.h"
#include "platform/Process.h"
#include "uimodel/DesktopShortcut.h"
#include "uimodel/MainPresenter.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

// A shortcut names the list file, so only a saved list has shortcuts.
std::optional<CTaskShortcut> CMainPresenter::ShortcutFor(int row) const {
    if (row < 0 || row >= m_doc.RowCount() || m_doc.Path().empty()) {
        return std::nullopt;
    }
    const CElement& task = m_doc.Task(row);
    CTaskShortcut shortcut{
        TaskDesktopFileName(task.m_strName),
        TaskDesktopEntry(task.m_strName, task.m_nTaskId, m_doc.Path(), OwnExecutable())};
    if (shortcut.m_strContent.empty()) {
        return std::nullopt;
    }
    return shortcut;
}

std::optional<std::string> CMainPresenter::DragShortcutFile(int row) const {
    const auto shortcut = ShortcutFor(row);
    if (!shortcut) {
        return std::nullopt;
    }
    const std::string folder = m_app.ProgramDataFolder() + "/Temp/shortcuts";
    const std::string path = folder + "/" + shortcut->m_strFileName;
    IFileSystem& fs = m_app.FileSystem();
    if (!EnsurePrivateFolder(fs, folder) ||
        !WriteFileAtomically(fs, path, shortcut->m_strContent)) {
        return std::nullopt;
    }
    return path;
}

// The task a shortcut starts is the one in the file, so the list is saved first.
void CMainPresenter::CreateDesktopShortcut() {
    m_editor.ApplyEdits();
    if (m_editor.Selection().empty()) {
        return;
    }
    const int row = m_editor.Selection().front();
    if ((m_doc.Path().empty() || m_doc.Changed()) && !Save()) {
        return;
    }
    IFileSystem& fs = m_app.FileSystem();
    const std::string folder = DesktopFolder(fs);
    if (WriteTaskShortcut(fs, m_doc.Task(row), m_doc.Path(), OwnExecutable(), folder, m_dialogs) ==
        ShortcutResult::Failed) {
        m_dialogs.Message(FormatText(Text(IDS_MW_SHORTCUT_FAILED).c_str(), folder.c_str()));
    }
}

}  // namespace tv
