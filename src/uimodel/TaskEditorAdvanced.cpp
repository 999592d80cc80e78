#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "task/PatternFile.h"
#include "uimodel/AdvancedSheet.h"
#include "uimodel/AdvancedStrings.h"
#include "uimodel/MainListener.h"
#include "uimodel/RunQueue.h"
#include "uimodel/TaskEditor.h"
#include "uimodel/TaskListDocument.h"
#include "uimodel/UiDialogs.h"

namespace tv {

void CTaskEditor::StoreAdvanced(const CAdvancedSheet& sheet) {
    if (!Editable()) {
        return;
    }
    sheet.Store(m_edit);
    MarkPending();
    Tell(&IMainListener::EditChanged);
}

// A running task's record belongs to its run, and a locked one keeps its settings until the
// user clears its lock: neither is changed behind the user's back.
void CTaskEditor::StoreAdvancedInAll(const CAdvancedSheet& sheet) {
    if (!Editable()) {
        return;
    }
    StoreAdvanced(sheet);
    ApplyEdits();
    std::vector<std::string> kept;
    for (int row = 0; row < m_list.RowCount(); ++row) {
        CElement& task = m_list.Task(row);
        if (row == m_nEditedRow) {
            continue;
        }
        if (m_runs.IsRunning(task) || task.Has3(opt3::kLockSettings)) {
            kept.push_back(task.m_strName);
            continue;
        }
        sheet.Store(task);
    }
    m_list.MarkChanged();
    if (!kept.empty()) {
        std::string names;
        for (const std::string& name : kept) {
            names += (names.empty() ? "" : "\n") + name;
        }
        m_dialogs.Message(DetailedMessage(LoadString(IDS_ADV_SKIPPED), {names}));
    }
}

bool CTaskEditor::SaveAsPattern(const CAdvancedSheet& sheet) {
    CElement pattern = m_edit;
    sheet.Store(pattern);
    if (SavePattern(m_app.FileSystem(), m_app.ProgramDataFolder(), pattern)) {
        return true;
    }
    m_dialogs.Message(LoadString(IDS_GEN_PATTERN_FAILED));
    return false;
}

bool CTaskEditor::EditedTaskRunning() const {
    return EditsARow() && m_runs.IsRunning(m_list.Task(m_nEditedRow));
}

void CTaskEditor::StoreRealtime(const CRealtimeSettings& settings) {
    if (!Editable()) {
        return;
    }
    settings.Store(m_edit);
    MarkPending();
    Tell(&IMainListener::EditChanged);
}

}  // namespace tv
