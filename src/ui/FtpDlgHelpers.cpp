#include "ui/FtpDlgHelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <array>
#include <utility>

#include "ui/FtpDlgBinding.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/FtpDialogModel.h"
#include "uimodel/FtpDialogStrings.h"

namespace tv {

namespace {

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(FtpText(IDS_DLG_OK));
    buttons->button(QDialogButtonBox::Cancel)->setText(FtpText(IDS_DLG_CANCEL));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QSpinBox* Spin(QWidget* parent, const char* name, int value, int low, int high) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(low, high);
    spin->setValue(value);
    return spin;
}

QDateEdit* DateEdit(QWidget* parent, const char* name, TaskTime time) {
    auto* edit = new QDateEdit(QDateTime::fromSecsSinceEpoch(time).date(), parent);
    edit->setObjectName(name);
    edit->setCalendarPopup(true);
    return edit;
}

}  // namespace

void BindTransferType(QComboBox* list, CFtpDialogModel& model) {
    list->setCurrentIndex(static_cast<int>(model.Values().m_nTransferType));
    list->setToolTip(FtpText(IDS_FTPADV_TIP_TRANSFER_TYPE));
    QObject::connect(list, &QComboBox::activated, list, [&model](int index) {
        model.Values().m_nTransferType = static_cast<uint32_t>(index);
    });
}

CAdvFTP::CAdvFTP(CFtpDialogModel& model, QWidget* parent) : QDialog(parent), m_model(model) {
    setObjectName("connectionSettings");
    setWindowTitle(FtpText(IDS_FTPADV_CAPTION));
    auto* own = new QCheckBox(FtpText(IDS_FTPADV_OWN_SETTINGS), this);
    own->setObjectName("ownSettings");
    own->setToolTip(FtpText(IDS_FTPADV_TIP_OWN_SETTINGS));
    own->setChecked(model.ConnectionFieldsEnabled());
    m_pFields = new QWidget(this);
    auto* form = new QFormLayout(m_pFields);
    CTag& values = model.Values();
    QSpinBox* timeout = Spin(m_pFields, "timeout", values.m_nConnectTimeoutMs, 0, 3'600'000);
    timeout->setSingleStep(1000);
    QSpinBox* retries = Spin(m_pFields, "retries", values.m_nConnectRetries, 0, 1000);
    m_pTransfer =
        MakeChoiceList(m_pFields, "transferType", IDS_FTPDLG_TRANSFER_FIRST, kFtpTransferTypeCount);
    BindTransferType(m_pTransfer, model);
    form->addRow(FtpText(IDS_FTPADV_TIMEOUT), timeout);
    form->addRow(FtpText(IDS_FTPADV_RETRIES), retries);
    form->addRow(FtpText(IDS_FTPDLG_TRANSFER_TYPE), m_pTransfer);
    connect(timeout, &QSpinBox::valueChanged, this,
            [&values](int ms) { values.m_nConnectTimeoutMs = ms; });
    connect(retries, &QSpinBox::valueChanged, this,
            [&values](int count) { values.m_nConnectRetries = count; });
    connect(own, &QCheckBox::toggled, this, [this](bool on) {
        m_model.SetOwnConnectSettings(on);
        Redraw();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(own);
    layout->addWidget(m_pFields);
    layout->addWidget(OkCancel(this));
    Redraw();
}

// Turning the settings on may have chosen the transfer type.
void CAdvFTP::Redraw() {
    m_pFields->setEnabled(m_model.ConnectionFieldsEnabled());
    m_pTransfer->setCurrentIndex(static_cast<int>(m_model.Values().m_nTransferType));
}

CFTPPswDlg::CFTPPswDlg(const std::string& site, QWidget* parent) : QDialog(parent) {
    setObjectName("ftpPassword");
    setWindowTitle(FtpText(IDS_FTPPSW_CAPTION));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(FtpText(IDS_FTPPSW_TEXT), this);
    m_pPassword = new QLineEdit(this);
    m_pPassword->setObjectName("password");
    m_pPassword->setEchoMode(QLineEdit::Password);
    text->setBuddy(m_pPassword);
    layout->addWidget(text);
    if (!site.empty()) {
        auto* name = new QLabel(QString::fromStdString(site), this);
        name->setObjectName("site");
        name->setTextFormat(Qt::PlainText);
        layout->addWidget(name);
    }
    layout->addWidget(m_pPassword);
    layout->addWidget(OkCancel(this));
}

std::string CFTPPswDlg::Password() const {
    return m_pPassword->text().toStdString();
}

CCertificateDlg::CCertificateDlg(CCertificateFields& fields, QWidget* parent)
    : QDialog(parent), m_fields(fields) {
    setObjectName("certificateDialog");
    setWindowTitle(FtpText(IDS_CERT_CAPTION));
    auto* form = new QFormLayout;
    QSpinBox* bits =
        Spin(this, "bitCount", fields.m_nBitCount, kCertificateMinBits, kCertificateMaxBits);
    bits->setSingleStep(1024);
    form->addRow(FtpText(IDS_CERT_BITS), bits);
    const std::array<std::pair<int, std::string*>, 5> texts = {{
        {IDS_CERT_OWNER, &fields.m_strOwner},
        {IDS_CERT_COUNTRY, &fields.m_strCountry},
        {IDS_CERT_LOCALITY, &fields.m_strLocality},
        {IDS_CERT_ORGANIZATION, &fields.m_strOrganization},
        {IDS_CERT_UNIT, &fields.m_strUnit},
    }};
    std::vector<std::pair<QLineEdit*, std::string*>> edits;
    for (const auto& [label, field] : texts) {
        edits.emplace_back(new QLineEdit(QString::fromStdString(*field), this), field);
        form->addRow(FtpText(label), edits.back().first);
    }
    QDateEdit* from = DateEdit(this, "validFrom", fields.m_validFrom);
    QDateEdit* to = DateEdit(this, "validTo", fields.m_validTo);
    auto* period = new QHBoxLayout;
    auto* toLabel = new QLabel(FtpText(IDS_CERT_VALID_TO), this);
    toLabel->setBuddy(to);
    period->addWidget(from, 1);
    period->addWidget(toLabel);
    period->addWidget(to, 1);
    form->addRow(FtpText(IDS_CERT_VALID_FROM), period);
    static_cast<QLabel*>(form->labelForField(period))->setBuddy(from);
    auto* email = new QLineEdit(QString::fromStdString(fields.m_strEmail), this);
    edits.emplace_back(email, &fields.m_strEmail);
    form->addRow(FtpText(IDS_CERT_EMAIL), email);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
    connect(this, &QDialog::accepted, this, [this, bits, from, to, edits] {
        m_fields.m_nBitCount = bits->value();
        for (const auto& [edit, field] : edits) {
            *field = edit->text().toStdString();
        }
        m_fields.m_validFrom = from->date().startOfDay().toSecsSinceEpoch();
        m_fields.m_validTo = to->date().startOfDay().toSecsSinceEpoch();
    });
}

}  // namespace tv
