#include "platform/DialUp.h"
#include "platform/Process.h"
#include "uimodel/CompareCommand.h"
#include "uimodel/CompareStrings.h"
#include "uimodel/MainPresenter.h"
#include "uimodel/UiDialogs.h"

namespace tv {

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

// A failed dial-up does not stop the comparison: the sides may be reachable anyway.
void CMainPresenter::Compare() {
    m_editor.ApplyEdits();
    if (m_editor.Selection().empty()) {
        return;
    }
    const CElement& task = m_doc.Task(m_editor.Selection().front());
    const CCompareCommand command = BuildCompareCommand(task);
    if (task.m_bDialUp && IsDialUpPresent()) {
        DialConnection(task.m_strRasEntry);
    }
    m_strLastCompare = CompareCommandText(command);
    const std::string program = FindCompareProgram(FolderOf(OwnExecutable()));
    if (program.empty() || !StartCompare(program, command)) {
        m_dialogs.Message(Text(IDS_CMP_NOT_FOUND));
    }
}

}  // namespace tv
