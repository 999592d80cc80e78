#pragma once

#include <QDialog>
#include <cstdint>

class QCheckBox;
class QLabel;

namespace tv {

class CProfile;
class CStartupTips;

// The tip of the day: one tip, "Next tip" to read the following one, and the "Show tips on
// startup" check box. GUI thread.
class CTipsDlg : public QDialog {
    Q_OBJECT
  public:
    CTipsDlg(CStartupTips& tips, bool showOnStartup, QWidget* parent = nullptr);

    bool ShowOnStartup() const;

  private:
    void ShowTip();

    CStartupTips& m_tips;
    QLabel* m_tip = nullptr;
    QCheckBox* m_showOnStartup = nullptr;
};

// At start-up, when "Show tips on startup" is set: shows the next tip modally and stores
// which tip comes next and, when the user switched tips off, the preference bits. Main
// thread; blocks until the user closes the dialog.
void ShowStartupTip(CProfile& profile, uint32_t& preferences, QWidget* parent);

}  // namespace tv
