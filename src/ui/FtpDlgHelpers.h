#pragma once

#include <QDialog>
#include <string>

class QComboBox;
class QLineEdit;

namespace tv {

class CFtpDialogModel;
struct CCertificateFields;

// Shows the model's transfer type in `list` and takes the user's choice into the model.
void BindTransferType(QComboBox* list, CFtpDialogModel& model);

// The connection settings of an FTP site: "Overwrite default settings" and the time-out,
// retries and transfer type it enables. Edits `model` directly; the FTP dialog hands it a
// copy. GUI thread; exec() blocks.
class CAdvFTP : public QDialog {
    Q_OBJECT
  public:
    explicit CAdvFTP(CFtpDialogModel& model, QWidget* parent = nullptr);

  private:
    void Redraw();

    CFtpDialogModel& m_model;
    QWidget* m_pFields = nullptr;
    QComboBox* m_pTransfer = nullptr;
};

// The question for the password of a site that keeps none; `site` is shown below it, so
// that a task with several sites says which one asks. GUI thread; exec() blocks.
class CFTPPswDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CFTPPswDlg(const std::string& site, QWidget* parent = nullptr);
    // What was typed; meant to be read after the dialog ended with OK.
    std::string Password() const;

  private:
    QLineEdit* m_pPassword = nullptr;
};

// The fields of a new certificate; OK writes them into `fields`. GUI thread; exec() blocks.
class CCertificateDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CCertificateDlg(CCertificateFields& fields, QWidget* parent = nullptr);

  private:
    CCertificateFields& m_fields;
};

}  // namespace tv
