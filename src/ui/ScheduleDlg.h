#pragma once

#include <array>

#include <QDialog>

#include "uimodel/ScheduleForm.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimeEdit;

namespace tv {

// The schedule of one scheduler job: how often it starts, with its next start times, and the
// command it runs. The platform has no editor of its own for cron jobs, so this is it.
// GUI thread only.
class CScheduleDlg : public QDialog {
    Q_OBJECT

  public:
    // exec() ends with this when the user chose to remove the job.
    static constexpr int kRemove = 2;

    CScheduleDlg(const CScheduleJob& job, QWidget* parent = nullptr);

    // The schedule as the fields show it.
    CScheduleForm Form() const;

  private:
    void BuildFields(QFormLayout* layout);
    QWidget* BuildWeekDays();
    void ShowForm(const CScheduleForm& form);
    void Refresh();

    CScheduleForm m_original;
    QFormLayout* m_pFields = nullptr;
    QComboBox* m_pKind = nullptr;
    QSpinBox* m_pEvery = nullptr;  // minutes or hours, as the kind says
    QSpinBox* m_pMinuteOfHour = nullptr;
    QDateEdit* m_pDate = nullptr;
    QSpinBox* m_pDay = nullptr;
    QTimeEdit* m_pTime = nullptr;
    QWidget* m_pWeekDays = nullptr;
    std::array<QCheckBox*, 7> m_days{};  // by day number, 0 Sunday
    QLineEdit* m_pOther = nullptr;
    QLabel* m_pNote = nullptr;
    QLabel* m_pPreview = nullptr;
    QPushButton* m_pOk = nullptr;
};

}  // namespace tv
