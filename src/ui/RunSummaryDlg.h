#pragma once

#include <string>
#include <vector>

#include <QDialog>

#include "uimodel/RunSummary.h"

class QTreeWidget;

namespace tv {

// The box after several runs: one row per run with its copied, deleted and error counts, in
// columns that line up, so that no count is wrapped away from its label. GUI thread.
class CRunSummaryDlg : public QDialog {
  public:
    CRunSummaryDlg(const std::vector<CRunSummaryRow>& rows, const std::string& caption,
                   QWidget* parent = nullptr);

  private:
    void FitToRows();

    QTreeWidget* m_pTable = nullptr;
};

}  // namespace tv
