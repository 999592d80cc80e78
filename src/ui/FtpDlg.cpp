#include "ui/FtpDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/FileTime.h"
#include "ui/FtpDlgBinding.h"
#include "ui/FtpDlgHelpers.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/FtpDialogModel.h"
#include "uimodel/FtpDialogStrings.h"
#include "uimodel/FtpKeys.h"

namespace tv {

CFTPDialog::CFTPDialog(CFtpDialogModel& model, IUiDialogs& dialogs, IFileSystem& fs,
                       QWidget* parent)
    : QDialog(parent), m_model(model), m_dialogs(dialogs), m_fs(fs) {
    setObjectName("ftpDialog");
    setWindowTitle(FtpText(IDS_FTPDLG_CAPTION));
    auto* columns = new QHBoxLayout;
    columns->addWidget(BuildSite(), 1);
    auto* right = new QVBoxLayout;
    right->addWidget(BuildKeys());
    right->addWidget(BuildCertificate());
    right->addWidget(BuildProxy());
    right->addStretch();
    columns->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(BuildButtons());
    Redraw();
}

QWidget* CFTPDialog::BuildSite() {
    auto* box = new QWidget(this);
    auto* form = new QFormLayout(box);
    form->setContentsMargins(0, 0, 0, 0);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    CTag& values = m_model.Values();
    form->addRow(FtpText(IDS_FTPDLG_PROTOCOL), List("protocol", IDS_FTPDLG_PROTOCOL_FIRST,
                                                    kFtpProtocolCount, values.m_nProtocol));
    form->addRow(FtpText(IDS_FTPDLG_NAME), Edit("siteName", values.m_strSiteName));
    QLineEdit* host = Edit("host", values.m_strHost);
    host->setToolTip(FtpText(IDS_FTPDLG_TIP_HOST));
    form->addRow(FtpText(IDS_FTPDLG_HOST), host);
    form->addRow(FtpText(IDS_FTPDLG_PORT), Spin("port", values.m_nPort, 0, 65535));
    form->addRow(FtpText(IDS_FTPDLG_USER), Edit("user", values.m_strUser));
    QLineEdit* password = PasswordEdit("password", values.m_strPassword);
    password->setToolTip(FtpText(IDS_FTPDLG_TIP_PASSWORD));
    form->addRow(FtpText(IDS_FTPDLG_PASSWORD), password);
    QLineEdit* folder = Edit("initialDir", values.m_strRemoteDir);
    folder->setToolTip(FtpText(IDS_FTPDLG_TIP_INITIAL_DIR));
    form->addRow(FtpText(IDS_FTPDLG_INITIAL_DIR), folder);
    QCheckBox* passive = Check("passive", IDS_FTPDLG_PASSIVE, values.m_bPassive);
    passive->setToolTip(FtpText(IDS_FTPDLG_TIP_PASSIVE));
    form->addRow(passive);
    m_pTransfer =
        MakeChoiceList(box, "transferType", IDS_FTPDLG_TRANSFER_FIRST, kFtpTransferTypeCount);
    BindTransferType(m_pTransfer, m_model);
    form->addRow(FtpText(IDS_FTPDLG_TRANSFER_TYPE), m_pTransfer);
    QCheckBox* manual = Check("manualTimeZone", IDS_FTPDLG_TIME_ZONE, values.m_bManualTimeZone);
    manual->setToolTip(FtpText(IDS_FTPDLG_TIP_TIME_ZONE));
    m_pTimeZoneHours =
        Spin("timeZoneHours", values.m_nTimeZoneShift, -kTimeZoneShiftLimit, kTimeZoneShiftLimit);
    auto* timeZone = new QHBoxLayout;
    timeZone->addWidget(manual);
    timeZone->addWidget(m_pTimeZoneHours);
    timeZone->addStretch();
    form->addRow(timeZone);
    return box;
}

QWidget* CFTPDialog::BuildKeys() {
    auto* group = new QGroupBox(FtpText(IDS_FTPDLG_KEY_GROUP), this);
    auto* layout = new QGridLayout(group);
    QCheckBox* use = Check("useKey", IDS_FTPDLG_USE_KEY, m_model.Values().m_bUseKey);
    auto* generate = new QPushButton(FtpText(IDS_FTPDLG_GENERATE_KEY), group);
    generate->setObjectName("generateKey");
    generate->setToolTip(FtpText(IDS_FTPDLG_TIP_GENERATE));
    connect(generate, &QPushButton::clicked, this, &CFTPDialog::GenerateKeyPair);
    QWidget* file = FileRow("keyFile", m_model.Values().m_strKeyFile, FileKind::KeyFile,
                            IDS_FTPDLG_TIP_KEY_FILE);
    layout->addWidget(use, 0, 0);
    layout->addWidget(generate, 0, 1, Qt::AlignRight);
    layout->addWidget(file, 1, 0, 1, 2);
    m_keyControls = {use, generate, file};
    return group;
}

QWidget* CFTPDialog::BuildCertificate() {
    auto* group = new QGroupBox(FtpText(IDS_FTPDLG_CERT_GROUP), this);
    auto* layout = new QGridLayout(group);
    QCheckBox* use =
        Check("useCertificate", IDS_FTPDLG_USE_CERT, m_model.Values().m_bUseCertificate);
    auto* create = new QPushButton(FtpText(IDS_FTPDLG_CREATE_CERT), group);
    create->setObjectName("createCertificate");
    create->setToolTip(FtpText(IDS_FTPDLG_TIP_CREATE_CERT));
    connect(create, &QPushButton::clicked, this, &CFTPDialog::CreateCertificate);
    QWidget* file = FileRow("certificateFile", m_model.Values().m_strCertificateFile,
                            FileKind::Certificate, IDS_FTPDLG_TIP_CERT_FILE);
    layout->addWidget(use, 0, 0);
    layout->addWidget(create, 0, 1, Qt::AlignRight);
    layout->addWidget(file, 1, 0, 1, 2);
    m_certificateControls = {use, create, file};
    return group;
}

QWidget* CFTPDialog::BuildProxy() {
    auto* group = new QGroupBox(FtpText(IDS_FTPDLG_PROXY_GROUP), this);
    auto* form = new QFormLayout(group);
    CTag& values = m_model.Values();
    form->addRow(FtpText(IDS_FTPDLG_PROXY_TYPE), List("proxyType", IDS_FTPDLG_PROXY_FIRST,
                                                      kFtpProxyTypeCount, values.m_nProxyType));
    m_proxyFields = {Edit("proxyAddress", values.m_strProxyHost),
                     Spin("proxyPort", values.m_nProxyPort, 0, 65535),
                     Edit("proxyUser", values.m_strProxyUser),
                     PasswordEdit("proxyPassword", values.m_strProxyPassword)};
    const int labels[] = {IDS_FTPDLG_PROXY_ADDRESS, IDS_FTPDLG_PROXY_PORT, IDS_FTPDLG_PROXY_USER,
                          IDS_FTPDLG_PROXY_PASSWORD};
    for (size_t i = 0; i < m_proxyFields.size(); ++i) {
        form->addRow(FtpText(labels[i]), m_proxyFields[i]);
    }
    return group;
}

QWidget* CFTPDialog::BuildButtons() {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(FtpText(IDS_DLG_OK));
    buttons->button(QDialogButtonBox::Cancel)->setText(FtpText(IDS_DLG_CANCEL));
    QPushButton* advanced =
        buttons->addButton(FtpText(IDS_FTPDLG_ADVANCED), QDialogButtonBox::ActionRole);
    advanced->setObjectName("advancedButton");
    advanced->setToolTip(FtpText(IDS_FTPDLG_TIP_ADVANCED));
    connect(advanced, &QPushButton::clicked, this, &CFTPDialog::ShowAdvanced);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFTPDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}

QLineEdit* CFTPDialog::Edit(const char* name, std::string& field) {
    auto* edit = new QLineEdit(QString::fromStdString(field), this);
    edit->setObjectName(name);
    // Room for a host name or a key file's path without scrolling.
    edit->setMinimumWidth(fontMetrics().averageCharWidth() * 28);
    connect(edit, &QLineEdit::textEdited, this,
            [&field](const QString& text) { field = text.toStdString(); });
    return edit;
}

QLineEdit* CFTPDialog::PasswordEdit(const char* name, std::string& field) {
    QLineEdit* edit = Edit(name, field);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

QSpinBox* CFTPDialog::Spin(const char* name, int32_t& field, int low, int high) {
    auto* spin = new QSpinBox(this);
    spin->setObjectName(name);
    spin->setRange(low, high);
    spin->setValue(field);
    field = spin->value();  // a stored value out of range is shown, and kept, as the nearest
    connect(spin, &QSpinBox::valueChanged, this, [&field](int value) { field = value; });
    return spin;
}

QCheckBox* CFTPDialog::Check(const char* name, int textId, int32_t& field) {
    auto* check = new QCheckBox(FtpText(textId), this);
    check->setObjectName(name);
    check->setChecked(field != 0);
    connect(check, &QCheckBox::toggled, this, [this, &field](bool on) {
        field = on ? 1 : 0;
        Redraw();
    });
    return check;
}

QComboBox* CFTPDialog::List(const char* name, int firstId, int count, int32_t& field) {
    QComboBox* list = MakeChoiceList(this, name, firstId, count);
    list->setCurrentIndex(field);
    connect(list, &QComboBox::activated, this, [this, &field](int index) {
        field = index;
        Redraw();
    });
    return list;
}

// A file name with its "..." button, which chooses the file in the folder of the one named.
QWidget* CFTPDialog::FileRow(const char* name, std::string& field, FileKind kind, int tipId) {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    QLineEdit* edit = Edit(name, field);
    auto* browse = new QPushButton(FtpText(IDS_FTPDLG_BROWSE), row);
    browse->setObjectName(QString(name) + "Browse");
    browse->setToolTip(FtpText(tipId));
    browse->setMaximumWidth(browse->fontMetrics().horizontalAdvance("....") * 3);
    connect(browse, &QPushButton::clicked, this, [this, &field, edit, kind] {
        const std::string folder = field.substr(0, field.rfind('/') + 1);
        if (const auto chosen = m_dialogs.OpenFile(kind, folder)) {
            field = *chosen;
            edit->setText(QString::fromStdString(field));
        }
    });
    layout->addWidget(edit, 1);
    layout->addWidget(browse);
    return row;
}

void CFTPDialog::accept() {
    m_model.Accept();
    QDialog::accept();
}

// The connection settings work on a copy, which only their OK brings back.
void CFTPDialog::ShowAdvanced() {
    CFtpDialogModel copy = m_model;
    CAdvFTP dialog(copy, this);
    if (dialog.exec() == QDialog::Accepted) {
        m_model = copy;
        m_pTransfer->setCurrentIndex(static_cast<int>(m_model.Values().m_nTransferType));
        Redraw();
    }
}

void CFTPDialog::GenerateKeyPair() {
    if (CFtpKeyCommands(m_fs, m_model, m_dialogs).GenerateKeyPair()) {
        ShowFileName("keyFile", m_model.Values().m_strKeyFile);
    }
}

// The key is looked for first: the certificate's fields are asked for only when it can be made.
void CFTPDialog::CreateCertificate() {
    CFtpKeyCommands commands(m_fs, m_model, m_dialogs);
    if (!commands.KeyExists()) {
        return;
    }
    CCertificateFields fields = NewCertificateFields(CurrentTaskTime());
    CCertificateDlg dialog(fields, this);
    if (dialog.exec() == QDialog::Accepted && commands.CreateCertificate(fields)) {
        ShowFileName("certificateFile", m_model.Values().m_strCertificateFile);
    }
}

void CFTPDialog::ShowFileName(const char* name, const std::string& path) {
    findChild<QLineEdit*>(name)->setText(QString::fromStdString(path));
}

void CFTPDialog::Redraw() {
    for (QWidget* control : m_keyControls) {
        control->setEnabled(m_model.KeyControlsEnabled());
    }
    for (QWidget* control : m_certificateControls) {
        control->setEnabled(m_model.CertificateControlsEnabled());
    }
    for (QWidget* field : m_proxyFields) {
        field->setEnabled(m_model.ProxyFieldsEnabled());
    }
    m_pTimeZoneHours->setEnabled(m_model.TimeZoneHoursEnabled());
    m_pTransfer->setEnabled(m_model.ConnectionFieldsEnabled());
}

}  // namespace tv
