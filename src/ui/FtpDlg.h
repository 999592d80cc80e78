#pragma once

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "uimodel/UiDialogs.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace tv {

class CFtpDialogModel;
class IFileSystem;

// The FTP dialog of one location. It binds its controls to `model`, which outlives it, and
// redraws the enabling whenever a value that a rule reads changes; OK normalizes the model's
// values, which the caller then stores. `dialogs` chooses the key and certificate files, which
// are made on `fs`.
// GUI thread; exec() blocks in its modal loop.
class CFTPDialog : public QDialog {
    Q_OBJECT
  public:
    CFTPDialog(CFtpDialogModel& model, IUiDialogs& dialogs, IFileSystem& fs,
               QWidget* parent = nullptr);

    void accept() override;

  private:
    QWidget* BuildSite();
    QWidget* BuildKeys();
    QWidget* BuildCertificate();
    QWidget* BuildProxy();
    QWidget* BuildButtons();
    QLineEdit* Edit(const char* name, std::string& field);
    QLineEdit* PasswordEdit(const char* name, std::string& field);
    QSpinBox* Spin(const char* name, int32_t& field, int low, int high);
    QCheckBox* Check(const char* name, int textId, int32_t& field);
    QComboBox* List(const char* name, int firstId, int count, int32_t& field);
    QWidget* FileRow(const char* name, std::string& field, FileKind kind, int tipId);
    void ShowAdvanced();
    void GenerateKeyPair();
    void CreateCertificate();
    void ShowFileName(const char* name, const std::string& path);
    void Redraw();

    CFtpDialogModel& m_model;
    IUiDialogs& m_dialogs;
    IFileSystem& m_fs;
    QComboBox* m_pTransfer = nullptr;
    QSpinBox* m_pTimeZoneHours = nullptr;
    std::vector<QWidget*> m_keyControls;
    std::vector<QWidget*> m_certificateControls;
    std::vector<QWidget*> m_proxyFields;
};

}  // namespace tv
