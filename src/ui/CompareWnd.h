#pragma once

#include <QMainWindow>
#include <functional>
#include <vector>

#include "uimodel/CompareActions.h"
#include "uimodel/CompareModel.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace tv {

class IFileSystem;
class IUiDialogs;

// The comparison window: both sides in one tree, the left side's columns, the mark, the right
// side's columns, so that each row pairs what the two sides hold under one name. Listing,
// copying and deleting run on a thread of their own; meanwhile the status line counts what was
// listed and a Cancel button stops the work. GUI thread.
class CCompareWnd : public QMainWindow {
    Q_OBJECT

  public:
    CCompareWnd(CCompareArgs args, IFileSystem& fs, IUiDialogs& dialogs, QWidget* parent = nullptr);

    // Lists both sides again, with the contents read when the check box says so.
    void Refresh();
    // Shows a finished comparison; Refresh calls it when the listing has ended.
    void ShowResult(CCompareResult result);
    // Copies or deletes the selected rows (a delete is asked about first), then compares
    // them again.
    void Act(CompareAction action);

  signals:
    void compared();
    void acted();

  private:
    // Puts the rows in the tree a slice at a time, then calls m_afterFill once.
    void Fill();
    void FillSome();
    void FillDone();
    void SetBusy(bool busy);
    void UpdateActions();
    void ShowProgress();
    void ActionDone(CCompareResult result, const CActionOutcome& outcome);
    std::vector<CRowKey> SelectedKeys() const;
    ContentCheck Check() const;

    CCompareArgs m_args;
    IFileSystem& m_fs;
    IUiDialogs& m_dialogs;
    CCompareRunner m_runner;
    CCompareResult m_result;
    QTreeWidget* m_pTree = nullptr;
    QCheckBox* m_pOnlyDifferences = nullptr;
    QCheckBox* m_pBinary = nullptr;
    std::vector<QPushButton*> m_actions;
    QLabel* m_pCounts = nullptr;
    QPushButton* m_pCancel = nullptr;
    QTimer* m_pProgress = nullptr;
    QTimer* m_pFiller = nullptr;
    struct CFill {
        std::vector<CCompareRow> m_rows;
        size_t m_nNext = 0;
        std::vector<QTreeWidgetItem*> m_parents;
    } m_fill;
    std::function<void()> m_afterFill;
    bool m_bBusy = false;
    int m_nWorkText = 0;  // the status text of the work going on
};

}  // namespace tv
