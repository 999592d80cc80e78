#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "ui/AdvancedDlg.h"
#include "ui/MirrantDlg.h"
#include "ui/TaskWizardDlg.h"
#include "uimodel/AdvancedStrings.h"
#include "uimodel/SettingsMail.h"
#include "uimodel/UiDialogs.h"

namespace tv {

// The sheets work on copies; only OK or "Set to all tasks" hand their values to the editor.
void CMirrantDlg::ShowAdvanced() {
    if (!m_editor.AdvancedEnabled()) {
        return;
    }
    if (m_editor.EditsRealtimeTask()) {
        CRealtimeSettings settings;
        settings.Load(m_editor.EditCopy());
        CRTAdvDialog dialog(settings, this);
        if (dialog.exec() == QDialog::Accepted) {
            m_editor.StoreRealtime(settings);
            m_presenter->UpdateRealtimeService();
        }
        return;
    }
    CAdvancedSheet sheet(m_editor.EditCopy(), DialUpLayerHere());
    sheet.m_notify.m_mailAccount = CMailServerSettings(m_app.FileSystem()).m_account;
    CAdvancedActions actions;
    actions.m_saveAsPattern = [this, &sheet] { return m_editor.SaveAsPattern(sheet); };
    actions.m_startSnapshot = [this, &sheet]() -> std::unique_ptr<CSnapshotJob> {
        if (m_editor.EditedTaskRunning()) {
            m_dialogs.Message(LoadString(IDS_GEN_SNAPSHOT_RUNNING));
            return nullptr;
        }
        return std::make_unique<CSnapshotJob>(m_app.FileSystem(), sheet.Applied(),
                                              m_presenter->Preferences());
    };
    CAdvanced dialog(sheet, m_dialogs, std::move(actions), this);
    const int ending = dialog.exec();
    if (ending == QDialog::Accepted) {
        m_editor.StoreAdvanced(sheet);
    } else if (ending == CAdvanced::kSetToAll) {
        m_editor.StoreAdvancedInAll(sheet);
    }
}

void CMirrantDlg::ShowWizard() {
    CTaskWizardModel wizard(m_app.ProgramDataFolder(), DialUpLayerHere());
    CTaskWizard dialog(wizard, m_dialogs, m_app.FileSystem(), this);
    if (dialog.exec() == QDialog::Accepted) {
        m_editor.AppendWizardTask(wizard.Result());
    }
}

}  // namespace tv
