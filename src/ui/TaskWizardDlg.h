#pragma once

#include <functional>
#include <vector>

#include <QDialog>

#include "uimodel/TaskWizard.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QWidget;

namespace tv {

class CPageBinder;
class CSettingsPages;
class IFileSystem;
class IUiDialogs;

// The new-task wizard: one page per step of `wizard`, bound to its models, with "< Back",
// "Next >", "Finish" and "Cancel". It ends with Accepted (Finish) or Rejected; the caller then
// appends the wizard's result. Key files made from its FTP dialogs go to `fs`. GUI thread.
class CTaskWizard : public QDialog {
    Q_OBJECT
  public:
    CTaskWizard(CTaskWizardModel& wizard, IUiDialogs& dialogs, IFileSystem& fs,
                QWidget* parent = nullptr);

    QStackedWidget* Pages() const { return m_pStack; }

  private:
    QWidget* BuildStep(WizardStep step);
    QWidget* BuildKind();
    QWidget* BuildLocations();
    QWidget* BuildLocationRow(QWidget* page, Side side, QLineEdit*& edit);
    QWidget* BuildGeneral();
    QWidget* BuildKindPair(QWidget* page);
    // A page: its question on top, `body` below.
    QWidget* Page(int questionId, QWidget* body, int secondQuestionId = 0);
    void Browse(Side side);
    void EditFtp(Side side);
    void ShowLocations();
    void Go(void (CTaskWizardModel::*step)());
    void ShowStep();

    CTaskWizardModel& m_wizard;
    IUiDialogs& m_dialogs;
    IFileSystem& m_fs;
    CPageBinder* m_pBinder = nullptr;
    CSettingsPages* m_pPages = nullptr;
    QStackedWidget* m_pStack = nullptr;
    QLineEdit* m_pSource = nullptr;
    QLineEdit* m_pTarget = nullptr;
    QListWidget* m_pTargets = nullptr;
    std::vector<QWidget*> m_modePair;
    std::vector<QWidget*> m_usagePair;
    QPushButton* m_pBack = nullptr;
    QPushButton* m_pNext = nullptr;
    QPushButton* m_pFinish = nullptr;
};

}  // namespace tv
