#pragma once

#include <functional>
#include <memory>

#include <QObject>

#include "uimodel/AdvancedSheet.h"
#include "uimodel/DiscErase.h"

class QLabel;
class QListWidget;
class QPushButton;
class QWidget;

namespace tv {

class CPageBinder;
class IUiDialogs;

// What the settings pages' buttons do beyond the pages themselves; the main window supplies
// them. A button whose action is missing is not shown.
struct CAdvancedActions {
    // "Use settings as pattern for new tasks"; true when it was written.
    std::function<bool()> m_saveAsPattern;
    // "Create(renew) snapshot": a started job, or nothing when the task may not make one now
    // (the function has said why).
    std::function<std::unique_ptr<CSnapshotJob>()> m_startSnapshot;
};

// Builds the widgets of the task settings pages, bound to the page models of `pages`: the
// settings sheet shows them as tabs, the new-task wizard as its steps. `task` gives the task
// whose locations the exclusion list browses. GUI thread.
class CSettingsPages : public QObject {
    Q_OBJECT
  public:
    CSettingsPages(CAdvancedSheet& pages, CPageBinder& binder, IUiDialogs& dialogs, QWidget* owner,
                   std::function<const CElement&()> task, CAdvancedActions actions = {});

    QWidget* BuildPage(AdvancedPage page);
    QWidget* BuildGeneralChecks(QWidget* parent);
    QWidget* BuildLogGroup(QWidget* parent);
    QWidget* BuildPolicyGroup(QWidget* parent);
    // The two halves of the Exclude/Include page.
    QWidget* BuildExclusionItems(QWidget* parent);
    QWidget* BuildExclusionFilters(QWidget* parent);
    // A "..." button beside a field.
    QPushButton* Dots(QWidget* parent, const char* name, std::function<void()> fn);

  private:
    QWidget* BuildGeneral();
    QWidget* BuildTimeLimit();
    QWidget* BuildExclusion();
    QWidget* BuildExclusionList(QWidget* parent);
    QWidget* BuildNotify();
    QWidget* BuildSound(QWidget* parent, SoundSlot slot);
    QWidget* BuildDialUp();
    QWidget* BuildFtp();
    QWidget* BuildExternal();
    QWidget* BuildCd();
    void FillExclusionList();
    void CreateSnapshot();
    // "Erase now" and "Full erase now": the medium of the task's first disc target, shown as it
    // goes.
    void EraseNow(EraseDepth depth);

    CAdvancedSheet& m_pages;
    CPageBinder& m_binder;
    IUiDialogs& m_dialogs;
    QWidget* m_pOwner;
    std::function<const CElement&()> m_task;
    CAdvancedActions m_actions;
    QListWidget* m_pExcluded = nullptr;
    QLabel* m_pPatternNote = nullptr;
};

}  // namespace tv
