#pragma once

#include <string>
#include <vector>

#include "task/Side.h"
#include "uimodel/AdvancedSheet.h"

namespace tv {

class CFtpDialogModel;

// The pages of the new-task wizard, in their order.
enum class WizardStep {
    Kind,
    Locations,
    General,
    TimeLimit,
    Exclusion,
    Masks,
    Notification,
    DialUp,
    External,
    Ftp,
    Ready
};

// The new-task wizard without widgets: the task it builds, the order of its pages and what
// Finish makes of them. The settings pages are the same page models as the settings sheet's,
// so their rules live in one place. GUI thread (or a test); nothing blocks.
class CTaskWizardModel {
  public:
    CTaskWizardModel(const std::string& programDataFolder, DialUpLayer dialUp);

    const std::vector<WizardStep>& Steps() const { return m_steps; }
    WizardStep CurrentStep() const { return m_steps[m_nCurrent]; }
    // The number of "Step %d": a page keeps its number when the dial-up page is left out.
    static int StepNumber(WizardStep step) { return static_cast<int>(step) + 1; }
    bool IsFirst() const { return m_nCurrent == 0; }
    bool IsLast() const { return m_nCurrent + 1 == m_steps.size(); }
    // Both copy the values of every page into the task before the page changes.
    void Next();
    void Back();
    // The task as the last Back or Next left it.
    const CElement& Task() const { return m_task; }

    // Step 1: 0 synchronization, 1 backup/restore.
    int m_nKind = 0;

    // Step 2.
    std::string SourceText() const;
    void SetSourceText(const std::string& text);
    std::string TargetText() const;
    void SetTargetText(const std::string& text);
    // The location an "FTP" button edits, and what its dialog's OK stores.
    const CTag& FtpLocation(Side side) const;
    void StoreFtpLocation(Side side, const CFtpDialogModel& dialog);
    // ADD: the target field's location joins the targets (an empty field adds nothing).
    void AddTarget();
    void DeleteTarget(int row);
    std::vector<std::string> TargetRows() const;
    bool m_bArchive = false;

    // Step 3: the mode pair shows for a synchronization task, the targets-usage pair for a
    // backup task.
    bool ShowsModes() const { return m_nKind == 0; }
    int m_nMode = 0;
    int m_nTargetsUsage = 0;
    bool m_bSubfolders = true;
    bool m_bPreview = true;

    // Steps 3 to 10.
    CAdvancedSheet m_pages;

    // Finish: the task with the values of every page; excluded entries below the source or a
    // target are relative to it.
    CElement Result() const;

  private:
    void Apply(CElement& task) const;
    void PageChanged();

    CElement m_task;
    CTag m_targetField;
    std::vector<WizardStep> m_steps;
    size_t m_nCurrent = 0;
};

}  // namespace tv
