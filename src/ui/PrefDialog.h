#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QLabel;
class QRadioButton;
class QVBoxLayout;

namespace tv {

class CKeepFilesChoice;
class CMailServerSettings;

// The application preferences: the error policy and the check boxes of the preference bits,
// and a button that clears the new-task pattern at once (not only on OK). GUI thread.
class CPrefDialog : public QDialog {
    Q_OBJECT
  public:
    CPrefDialog(uint32_t preferences, std::function<void()> clearPattern,
                QWidget* parent = nullptr);

    // The bits rebuilt from the controls; meant to be read after the dialog ended with OK.
    uint32_t Preferences() const;
    // Shows the mail server settings too; they take the controls' values on OK (the caller
    // stores them). `mail` outlives the dialog.
    void AddMailServer(CMailServerSettings& mail);
    // Shows what runs do with the files they delete or overwrite, below the error policy; the
    // choice takes the controls' values on OK (the caller stores it). `keep` outlives the
    // dialog.
    void AddKeepFiles(CKeepFilesChoice& keep);

  private:
    QWidget* MakePolicyGroup(uint32_t preferences);
    QWidget* MakeChecks(uint32_t preferences);
    void ClearPattern();

    std::function<void()> m_clearPattern;
    std::array<QRadioButton*, 3> m_policy{};
    std::array<QCheckBox*, 8> m_checks{};
    QLabel* m_clearedNote = nullptr;
    QVBoxLayout* m_pLayout = nullptr;
};

}  // namespace tv
