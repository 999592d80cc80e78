#include "ui/PrefDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/StringTable.h"
#include "uimodel/AdvancedStrings.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/Preferences.h"
#include "uimodel/SettingsKeep.h"
#include "uimodel/SettingsMail.h"

namespace tv {

namespace {

QString Text(int id) {
    return QString::fromStdString(LoadString(id));
}

}  // namespace

CPrefDialog::CPrefDialog(uint32_t preferences, std::function<void()> clearPattern, QWidget* parent)
    : QDialog(parent), m_clearPattern(std::move(clearPattern)) {
    setWindowTitle(Text(IDS_PREF_CAPTION));
    auto* layout = new QVBoxLayout(this);
    m_pLayout = layout;
    layout->addWidget(MakePolicyGroup(preferences));
    layout->addWidget(MakeChecks(preferences));

    auto* patternRow = new QHBoxLayout;
    auto* clearButton = new QPushButton(Text(IDS_PREF_CLEAR_PATTERN), this);
    clearButton->setObjectName("clearPattern");
    m_clearedNote = new QLabel(this);
    patternRow->addWidget(clearButton);
    patternRow->addWidget(m_clearedNote, 1);
    layout->addLayout(patternRow);
    connect(clearButton, &QPushButton::clicked, this, &CPrefDialog::ClearPattern);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Text(IDS_DLG_OK));
    buttons->button(QDialogButtonBox::Cancel)->setText(Text(IDS_DLG_CANCEL));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QWidget* CPrefDialog::MakePolicyGroup(uint32_t preferences) {
    auto* group = new QGroupBox(Text(IDS_PREF_ERROR_GROUP), this);
    auto* layout = new QVBoxLayout(group);
    const int chosen = static_cast<int>(PreferredErrorPolicy(preferences));
    for (size_t i = 0; i < m_policy.size(); ++i) {
        m_policy[i] = new QRadioButton(Text(ErrorPolicyTexts()[i]), group);
        m_policy[i]->setObjectName(QString("policy%1").arg(i));
        m_policy[i]->setChecked(static_cast<int>(i) == chosen);
        layout->addWidget(m_policy[i]);
    }
    return group;
}

QWidget* CPrefDialog::MakeChecks(uint32_t preferences) {
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    for (size_t i = 0; i < m_checks.size(); ++i) {
        const auto& check = PreferenceChecks()[i];
        m_checks[i] = new QCheckBox(Text(check.m_nTextId), box);
        m_checks[i]->setObjectName(QString("pref%1").arg(check.m_dwBit, 3, 16, QChar('0')));
        m_checks[i]->setChecked((preferences & check.m_dwBit) != 0);
        layout->addWidget(m_checks[i]);
    }
    return box;
}

void CPrefDialog::AddMailServer(CMailServerSettings& mail) {
    auto* group = new QGroupBox(Text(IDS_PREF_MAIL_GROUP), this);
    group->setToolTip(Text(IDS_PREF_MAIL_TIP));
    auto* form = new QFormLayout(group);
    auto* secure = new QCheckBox(Text(IDS_PREF_MAIL_STARTTLS), group);
    secure->setObjectName("mailStartTls");
    secure->setChecked(mail.SecureEnabled());
    auto* user = new QLineEdit(QString::fromStdString(mail.m_account.m_strUser), group);
    user->setObjectName("mailUser");
    auto* password = new QLineEdit(QString::fromStdString(mail.m_account.m_strPassword), group);
    password->setObjectName("mailPassword");
    password->setEchoMode(QLineEdit::Password);
    form->addRow(secure);
    form->addRow(Text(IDS_PREF_MAIL_USER), user);
    form->addRow(Text(IDS_PREF_MAIL_PASSWORD), password);
    // A login goes over a secure connection only, so without one there is nothing to fill in.
    const auto follow = [user, password](bool on) {
        user->setEnabled(on);
        password->setEnabled(on);
    };
    follow(secure->isChecked());
    connect(secure, &QCheckBox::toggled, this, follow);
    connect(this, &QDialog::accepted, this, [&mail, secure, user, password] {
        mail.SetSecure(secure->isChecked());
        mail.m_account.m_strUser = user->text().toStdString();
        mail.m_account.m_strPassword = password->text().toStdString();
    });
    m_pLayout->insertWidget(m_pLayout->count() - 1, group);
}

void CPrefDialog::AddKeepFiles(CKeepFilesChoice& keep) {
    auto* group = new QGroupBox(Text(IDS_PREF_KEEP_GROUP), this);
    auto* layout = new QVBoxLayout(group);
    std::array<QRadioButton*, 3> choices{};
    for (size_t i = 0; i < choices.size(); ++i) {
        choices[i] = new QRadioButton(Text(CKeepFilesChoice::ChoiceTexts()[i]), group);
        choices[i]->setObjectName(QString("keep%1").arg(i));
        choices[i]->setChecked(static_cast<int>(i) == keep.Choice());
        layout->addWidget(choices[i]);
    }
    auto* daysRow = new QHBoxLayout;
    auto* daysLabel = new QLabel(Text(IDS_PREF_KEEP_DAYS), group);
    auto* days = new QSpinBox(group);
    days->setObjectName("keepDays");
    days->setRange(1, CKeepFilesChoice::MaxDays());
    days->setValue(keep.Days());
    daysLabel->setBuddy(days);
    daysRow->addWidget(daysLabel);
    daysRow->addWidget(days);
    daysRow->addStretch(1);
    layout->addLayout(daysRow);
    // The days matter where files are kept: the trash falls back to the versions folder.
    const auto follow = [choices, days, daysLabel] {
        const bool keeps = !choices[0]->isChecked();
        days->setEnabled(keeps);
        daysLabel->setEnabled(keeps);
    };
    follow();
    for (QRadioButton* choice : choices) {
        connect(choice, &QRadioButton::toggled, this, follow);
    }
    connect(this, &QDialog::accepted, this, [&keep, choices, days] {
        for (size_t i = 0; i < choices.size(); ++i) {
            if (choices[i]->isChecked()) {
                keep.SetChoice(static_cast<int>(i));
            }
        }
        keep.SetDays(days->value());
    });
    m_pLayout->insertWidget(1, group);
}

void CPrefDialog::ClearPattern() {
    if (m_clearPattern) {
        m_clearPattern();
    }
    m_clearedNote->setText(Text(IDS_PREF_PATTERN_CLEARED));
}

uint32_t CPrefDialog::Preferences() const {
    ErrorPolicy policy = ErrorPolicy::Ask;
    for (size_t i = 0; i < m_policy.size(); ++i) {
        if (m_policy[i]->isChecked()) {
            policy = static_cast<ErrorPolicy>(i);
        }
    }
    uint32_t checked = 0;
    for (size_t i = 0; i < m_checks.size(); ++i) {
        if (m_checks[i]->isChecked()) {
            checked |= PreferenceChecks()[i].m_dwBit;
        }
    }
    return BuildPreferences(policy, checked);
}

}  // namespace tv
