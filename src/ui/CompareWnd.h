#pragma once

#include <QMainWindow>

#include "uimodel/CompareModel.h"

class QCheckBox;
class QLabel;
class QTreeWidget;

namespace tv {

class IFileSystem;

// The comparison window: both sides in one tree, the left side's columns, the mark, the right
// side's columns, so that each row pairs what the two sides hold under one name. The listing
// runs on a thread of its own; the window shows "Listing folders..." meanwhile. GUI thread.
class CCompareWnd : public QMainWindow {
    Q_OBJECT

  public:
    CCompareWnd(CCompareArgs args, IFileSystem& fs, QWidget* parent = nullptr);

    // Lists both sides again, with the contents read when the check box says so.
    void Refresh();
    // Shows a finished comparison; Refresh calls it when the listing has ended.
    void ShowResult(CCompareResult result);

  signals:
    void compared();

  private:
    void Fill();

    CCompareArgs m_args;
    IFileSystem& m_fs;
    CCompareRunner m_runner;
    CCompareResult m_result;
    QTreeWidget* m_pTree = nullptr;
    QCheckBox* m_pOnlyDifferences = nullptr;
    QCheckBox* m_pBinary = nullptr;
    QLabel* m_pCounts = nullptr;
};

}  // namespace tv
