#pragma once

#include <array>
#include <memory>

#include <QDialog>

#include "uimodel/PreviewModel.h"

class QLabel;
class QPushButton;
class QResizeEvent;
class QTreeWidget;

namespace tv {

class CProfile;

// The preview of one target's planned actions: four lists in a two-by-two grid, each with its
// total and its Select/Unselect button. OK applies the exclusions to the model's tree; any
// other ending refuses the preview. It blocks no other window, so the main window, the other
// runs and their previews stay usable; its first line names the task. With a profile, its size
// is taken from and kept in "PCX", "PCY" and "PMXM" of section "Settings". GUI thread.
class CPreviewDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CPreviewDlg(CPreviewModel& model, CProfile* profile = nullptr,
                         QWidget* parent = nullptr);
    // A preview that keeps its model, for a window shown while its run waits for the answer.
    CPreviewDlg(std::unique_ptr<CPreviewModel> model, CProfile* profile);
    ~CPreviewDlg() override;

    QTreeWidget* List(PreviewList list) const { return m_lists[Index(list)]; }
    QPushButton* ToggleButton(PreviewList list) const { return m_buttons[Index(list)]; }

  public slots:
    void accept() override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    static size_t Index(PreviewList list) { return static_cast<size_t>(list); }
    QLayout* BuildCell(PreviewList list);
    void Fill(PreviewList list);
    void Toggle(PreviewList list);
    void ShowExclusions(PreviewList list);
    void RestoreSize();
    void StoreSize();

    std::unique_ptr<CPreviewModel> m_pOwnedModel;
    CPreviewModel& m_model;
    CProfile* m_pProfile;
    std::array<QTreeWidget*, kPreviewLists> m_lists{};
    std::array<QPushButton*, kPreviewLists> m_buttons{};
    bool m_bUserResized = false;
};

}  // namespace tv
