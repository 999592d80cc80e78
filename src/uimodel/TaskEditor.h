#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "task/Element.h"
#include "task/Side.h"

namespace tv {

class CAdvancedSheet;
class CMirrantApp;
class CFtpDialogModel;
class CRealtimeSettings;
class CRunQueue;
class CTaskListDocument;
class IMainListener;
class IUiDialogs;

// Whether deleting tasks asks first.
enum class DeleteConfirm { Ask, DontAsk };

// What the edit area may change, and why not. With no task behind it nothing typed could be
// kept; a locked task keeps its settings until its lock box is cleared; a running task's record
// belongs to its run.
enum class EditAccess { Open, NoTask, Locked, Running };

// The edit area of the main window: the selected rows of the list document, and an edit copy
// of the current one that the controls change and ApplyEdits stores. The controls change the
// copy only while Access() is Open (the lock box also while the task is locked): while the
// edited task runs its record belongs to the run, and what was typed before waits.
// It also makes and deletes tasks. It tells the view about the selection and the edit area.
// GUI thread; the questions (unlock, delete, choose a folder) block on the dialog.
class CTaskEditor {
  public:
    CTaskEditor(CMirrantApp& app, IUiDialogs& dialogs, CTaskListDocument& list,
                const CRunQueue& runs);
    CTaskEditor(const CTaskEditor&) = delete;
    CTaskEditor& operator=(const CTaskEditor&) = delete;

    void SetListener(IMainListener* listener) { m_pListener = listener; }
    // Asked before a task is deleted, after the user agreed: false keeps the task (whoever
    // answers has said why).
    void SetReleaseTask(std::function<bool(const CElement&)> release) {
        m_releaseTask = std::move(release);
    }

    // --- The selected rows and the edited one.
    const std::vector<int>& Selection() const { return m_selection; }
    int EditedRow() const { return m_nEditedRow; }
    // The view's selection changed; `current` is the row clicked last (-1: none). A current
    // row other than the edited one is selected as after a click.
    void SelectRows(std::vector<int> rows, int current);
    // Selects `row` alone and edits it; -1: nothing is selected, the area shows the defaults.
    void SelectSingle(int row);
    // Before the document replaces its rows: nothing refers to the old ones any more.
    void ForgetRows();

    // --- The edit copy as the controls show it.
    const CElement& EditCopy() const { return m_edit; }
    bool EditsPending() const { return m_bEditsPending; }
    EditAccess Access() const;
    // Locked tasks are unlocked with this box, so it stays usable for them.
    bool LockBoxEnabled() const;
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

    // --- The controls.
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
    // The location an FTP button's dialog starts from: the source, or what the target field
    // shows.
    const CTag& FtpLocation(Side side) const;
    // That dialog ended with OK: its values make the location an FTP site.
    void StoreFtpLocation(Side side, const CFtpDialogModel& dialog);
    void ShowTargetRow(int row);
    void SetTargetSelection(std::vector<int> rows) { m_targetSelection = std::move(rows); }
    void AddTarget();
    void DeleteTargets();
    void Swap();

    // --- Task commands.
    void ApplyEdits();
    void UndoChanges();
    void ClearAllFields();
    void NewTask();
    void CloneTask();
    // The wizard's Finish: its task is appended with an id of its own and selected.
    void AppendWizardTask(const CElement& task);
    // Deletes the selected tasks but running ones, with their logs.
    void DeleteTasks(DeleteConfirm confirm);
    // New tasks start from the defaults again. Blocks on disk I/O.
    void ClearNewTaskPattern();
    // The list was saved elsewhere, which renumbered its tasks: the copy takes its task's id.
    void TakeStoredId();

    // --- The settings sheets of the Advanced command (TaskEditorAdvanced.cpp).
    bool AdvancedEnabled() const { return Editable(); }
    bool EditsRealtimeTask() const { return m_edit.Kind() == TaskKind::Realtime; }
    // OK: the sheet's values go into the edit copy.
    void StoreAdvanced(const CAdvancedSheet& sheet);
    // "Set to all tasks": as OK, then the values go into every other task of the list but the
    // running and the locked ones (the user is told which). No edits are pending afterwards.
    void StoreAdvancedInAll(const CAdvancedSheet& sheet);
    // The edit copy with the sheet's values becomes the pattern of new tasks; false (and a
    // message) when it cannot be written. Blocks on disk I/O.
    bool SaveAsPattern(const CAdvancedSheet& sheet);
    // Whether the edited task runs now (its snapshot must wait).
    bool EditedTaskRunning() const;
    void StoreRealtime(const CRealtimeSettings& settings);

  private:
    void LoadEditCopy(int row);
    void ResetEditArea();
    void ForgetTargetField(int shownRow);
    void MarkPending() { m_bEditsPending = true; }
    // A check box of the edit area: one bit of an option word of the edit copy.
    void SetEditOption(uint32_t& word, uint32_t bit, bool on);
    bool Editable() const { return Access() == EditAccess::Open; }
    bool EditsARow() const;
    CTag& FieldLocation();
    const CTag& FieldLocation() const;
    bool HasTarget() const;
    void StoreEditCopy(CElement& stored);
    void AppendTask(std::unique_ptr<CElement> task);
    bool DeleteOne(int row);
    void Tell(void (IMainListener::*event)());

    CMirrantApp& m_app;
    IUiDialogs& m_dialogs;
    CTaskListDocument& m_list;
    const CRunQueue& m_runs;
    IMainListener* m_pListener = nullptr;
    std::function<bool(const CElement&)> m_releaseTask;

    std::vector<int> m_selection;
    CElement m_edit;
    int m_nEditedRow = -1;
    bool m_bEditsPending = false;
    CTag m_fieldLocation;             // the target field's location while no target row is shown
    int m_nTargetRow = -1;            // the target the target field shows, or -1
    std::optional<CTag> m_typedOver;  // that target before the field was typed over
    std::vector<int> m_targetSelection;
};

}  // namespace tv
