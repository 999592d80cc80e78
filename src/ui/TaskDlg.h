#pragma once

#include <memory>

#include <QDialog>

#include "uimodel/ProgressPresenter.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace tv {

// The progress window of one run: modeless, without a parent, placed by its sequence number.
// It shows what its presenter holds and forwards the user's commands to it; it deletes itself
// when the presenter closes it. GUI thread.
class CTaskDlg : public QDialog, private IProgressListener {
    Q_OBJECT

  public:
    explicit CTaskDlg(std::shared_ptr<CProgressPresenter> presenter);
    ~CTaskDlg() override;

    CProgressPresenter& Presenter() const { return *m_pPresenter; }

  signals:
    // The user switched the shutdown check box, which holds for every run.
    void shutdownToggled();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void BuildControls();
    void Connect();
    void ProgressChanged(unsigned parts) override;
    void ShowButtons();
    void ShowLines(QListWidget& list, const std::vector<std::string>& lines);
    void Fold();
    void PlaceOnScreen();
    bool Fits(Side side, const std::string& text) const;

    std::shared_ptr<CProgressPresenter> m_pPresenter;
    QLineEdit* m_pSource = nullptr;
    QLineEdit* m_pTarget = nullptr;
    QLabel* m_pPhase = nullptr;
    QProgressBar* m_pBar = nullptr;
    QCheckBox* m_pShutdown = nullptr;
    QPushButton* m_pPause = nullptr;
    QPushButton* m_pCancel = nullptr;
    QPushButton* m_pDetails = nullptr;
    QTabWidget* m_pTabs = nullptr;
    QListWidget* m_pDetailsList = nullptr;
    QListWidget* m_pErrorsList = nullptr;
};

}  // namespace tv
