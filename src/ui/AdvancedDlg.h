#pragma once

#include <functional>
#include <memory>

#include <QDialog>

#include "uimodel/AdvancedSheet.h"

class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class QWidget;

namespace tv {

class CPageBinder;
class IUiDialogs;

// What the sheet's buttons do beyond the sheet itself; the main window supplies them.
struct CAdvancedActions {
    // "Use settings as pattern for new tasks"; true when it was written.
    std::function<bool()> m_saveAsPattern;
    // "Create(renew) snapshot": a started job, or nothing when the task may not make one now
    // (the function has said why).
    std::function<std::unique_ptr<CSnapshotJob>()> m_startSnapshot;
};

// The "Advanced Task Settings" sheet: a tab per page of `sheet`, bound to its page models.
// It ends with Accepted (OK), kSetToAll ("Set to all tasks") or Rejected; the caller then
// stores the sheet as the ending says. GUI thread.
class CAdvanced : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kSetToAll = 2;

    CAdvanced(CAdvancedSheet& sheet, IUiDialogs& dialogs, CAdvancedActions actions,
              QWidget* parent = nullptr);
    ~CAdvanced() override;

    QTabWidget* Tabs() const { return m_pTabs; }

  private:
    QWidget* BuildPage(AdvancedPage page);
    QWidget* BuildGeneral();
    QWidget* BuildGeneralChecks(QWidget* page);
    QWidget* BuildLogGroup(QWidget* page);
    QWidget* BuildPolicyGroup(QWidget* page);
    QWidget* BuildTimeLimit();
    QWidget* BuildExclusion();
    QWidget* BuildExclusionList(QWidget* page);
    QWidget* BuildNotify();
    QWidget* BuildSound(QWidget* page, SoundSlot slot);
    QWidget* BuildDialUp();
    QWidget* BuildFtp();
    QWidget* BuildExternal();
    QWidget* BuildCd();
    // A "..." button beside a field.
    QPushButton* Dots(QWidget* parent, const char* name, std::function<void()> fn);
    void FillExclusionList();
    void CreateSnapshot();

    CAdvancedSheet& m_sheet;
    IUiDialogs& m_dialogs;
    CAdvancedActions m_actions;
    CPageBinder* m_pBinder = nullptr;
    QTabWidget* m_pTabs = nullptr;
    QListWidget* m_pExcluded = nullptr;
    QLabel* m_pPatternNote = nullptr;
};

// The settings of a real-time task's service. Ends with Accepted or Rejected; the caller then
// stores `settings`. GUI thread.
class CRTAdvDialog : public QDialog {
    Q_OBJECT
  public:
    CRTAdvDialog(CRealtimeSettings& settings, QWidget* parent = nullptr);
};

}  // namespace tv
