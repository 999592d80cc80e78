#include "uimodel/DesktopShortcut.h"

#include "base/StringTable.h"
#include "base/Utf.h"
#include "platform/AtomicFile.h"
#include "platform/Autostart.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "task/Element.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

namespace {

// Room for ".desktop" and for the temporary name of the atomic write within the 255 bytes
// most file systems allow.
constexpr size_t kMaxNameBytes = 200;

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7f;
}

// Whether `text` can stand in a value at all: UTF-8, and no control character that the
// value escapes cannot spell.
bool Representable(const std::string& text) {
    if (!IsValidUtf8(text)) {
        return false;
    }
    for (const unsigned char c : text) {
        if (IsControl(c) && c != '\n' && c != '\t' && c != '\r') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string TaskDesktopEntry(const std::string& taskName, int taskId, const std::string& listPath,
                             const std::string& mirrantPath) {
    if (!Representable(taskName) || !Representable(listPath) || !Representable(mirrantPath)) {
        return {};
    }
    const std::string exec = QuoteExecArgument(mirrantPath) + " " +
                             QuoteExecArgument("-f:" + listPath) + " " + std::to_string(taskId);
    const std::string name = taskName.empty() ? LoadString(IDS_DLG_SHORTCUT_COMMENT) : taskName;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.4\n"
           "Name=" +
           EscapeDesktopValue(name) +
           "\nComment=" + EscapeDesktopValue(LoadString(IDS_DLG_SHORTCUT_COMMENT)) +
           "\nExec=" + EscapeDesktopValue(exec) +
           "\n"
           "Icon=twinvale\n"
           "Terminal=false\n";
}

std::string TaskDesktopFileName(const std::string& taskName) {
    std::string name;
    for (const unsigned char c : taskName) {
        name += (c == '/' || IsControl(c)) ? '_' : static_cast<char>(c);
    }
    if (name.size() > kMaxNameBytes) {
        size_t cut = kMaxNameBytes;
        // Never end in the middle of a UTF-8 sequence.
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        name.resize(cut);
    }
    if (name.empty() || name == "." || name == "..") {
        name = "task";
    }
    // A leading dot would hide the launcher from the desktop.
    if (name.front() == '.') {
        name.front() = '_';
    }
    return name + ".desktop";
}

ShortcutResult WriteTaskShortcut(IFileSystem& fs, const CElement& task, const std::string& listPath,
                                 const std::string& mirrantPath, const std::string& folder,
                                 IUiDialogs& dialogs) {
    const std::string entry =
        TaskDesktopEntry(task.m_strName, task.m_nTaskId, listPath, mirrantPath);
    if (entry.empty() || !EnsureFolder(fs, folder)) {
        return ShortcutResult::Failed;
    }
    const std::string path = folder + "/" + TaskDesktopFileName(task.m_strName);
    CFileInfo st;
    if (fs.Stat(path, st, LinkMode::Follow) == 0 &&
        dialogs.YesNo(LoadString(IDS_DLG_SHORTCUT_EXISTS)) != PromptAnswer::Yes) {
        return ShortcutResult::Kept;
    }
    if (!WriteFileAtomically(fs, path, entry) || fs.Stat(path, st, LinkMode::Follow) != 0) {
        return ShortcutResult::Failed;
    }
    // Execute rights wherever there are read rights, as a launcher installed by hand gets.
    const uint32_t mode = st.Mode() | ((st.Mode() & 0444) >> 2);
    return fs.SetMode(path, mode) == 0 ? ShortcutResult::Written : ShortcutResult::Failed;
}

}  // namespace tv
