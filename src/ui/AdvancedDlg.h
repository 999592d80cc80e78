#pragma once

#include <functional>
#include <memory>

#include <QDialog>

#include "ui/SettingsPages.h"
#include "uimodel/AdvancedSheet.h"

class QTabWidget;
class QWidget;

namespace tv {

class CPageBinder;
class IUiDialogs;

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
    CAdvancedSheet& m_sheet;
    CPageBinder* m_pBinder = nullptr;
    CSettingsPages* m_pPages = nullptr;
    QTabWidget* m_pTabs = nullptr;
};

// The settings of a real-time task's service. Ends with Accepted or Rejected; the caller then
// stores `settings`. GUI thread.
class CRTAdvDialog : public QDialog {
    Q_OBJECT
  public:
    CRTAdvDialog(CRealtimeSettings& settings, QWidget* parent = nullptr);
};

}  // namespace tv
