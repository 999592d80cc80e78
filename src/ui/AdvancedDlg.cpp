#include "ui/AdvancedDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "base/StringTable.h"
#include "ui/PageBinder.h"
#include "uimodel/AdvancedStrings.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

namespace {

int TabText(AdvancedPage page) {
    switch (page) {
        case AdvancedPage::General:
            return IDS_ADV_TAB_GENERAL;
        case AdvancedPage::TimeLimit:
            return IDS_ADV_TAB_TIME;
        case AdvancedPage::Exclusion:
            return IDS_ADV_TAB_EXCLUDE;
        case AdvancedPage::Notification:
            return IDS_ADV_TAB_NOTIFY;
        case AdvancedPage::DialUp:
            return IDS_ADV_TAB_DIALUP;
        case AdvancedPage::Ftp:
            return IDS_ADV_TAB_FTP;
        case AdvancedPage::External:
            return IDS_ADV_TAB_EXTERNAL;
        case AdvancedPage::Cd:
        default:
            return IDS_ADV_TAB_CD;
    }
}

}  // namespace

CAdvanced::CAdvanced(CAdvancedSheet& sheet, IUiDialogs& dialogs, CAdvancedActions actions,
                     QWidget* parent)
    : QDialog(parent), m_sheet(sheet) {
    setWindowTitle(TextOf(IDS_ADV_CAPTION));
    m_pBinder = new CPageBinder(this);
    m_pPages = new CSettingsPages(
        m_sheet, *m_pBinder, dialogs, this, [&sheet]() -> const CElement& { return sheet.Task(); },
        std::move(actions));
    auto* layout = new QVBoxLayout(this);
    m_pTabs = new QTabWidget(this);
    m_pTabs->setObjectName("advancedTabs");
    for (AdvancedPage page : m_sheet.Pages()) {
        m_pTabs->addTab(m_pPages->BuildPage(page), TextOf(TabText(page)));
    }
    layout->addWidget(m_pTabs, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(TextOf(IDS_DLG_OK));
    buttons->button(QDialogButtonBox::Cancel)->setText(TextOf(IDS_DLG_CANCEL));
    QPushButton* toAll =
        buttons->addButton(TextOf(IDS_ADV_SET_TO_ALL), QDialogButtonBox::ApplyRole);
    toAll->setObjectName("setToAll");
    CPageBinder::Tip(toAll, IDS_ADV_TIP_SET_TO_ALL);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(toAll, &QPushButton::clicked, this, [this] { done(kSetToAll); });
    layout->addWidget(buttons);
    m_pBinder->Show();
}

CAdvanced::~CAdvanced() = default;

CRTAdvDialog::CRTAdvDialog(CRealtimeSettings& settings, QWidget* parent) : QDialog(parent) {
    setWindowTitle(TextOf(IDS_RT_CAPTION));
    auto* binder = new CPageBinder(this);
    auto* layout = new QGridLayout(this);
    const auto radios = binder->Radios(
        this, {IDS_RT_LOCAL, IDS_RT_ACCOUNT}, [&settings] { return settings.m_nAccount; },
        [&settings](int index) { settings.m_nAccount = index; }, "account");
    QLineEdit* user = binder->Edit(this, settings.m_strUser, "serviceUser");
    QLineEdit* password = binder->Edit(this, settings.m_strPassword, "servicePassword");
    password->setEchoMode(QLineEdit::Password);
    QLabel* userLabel = binder->Label(this, IDS_RT_NAME, user);
    QLabel* passwordLabel = binder->Label(this, IDS_RT_PASSWORD, password);
    binder->EnableWhen({user, password, userLabel, passwordLabel},
                       [&settings] { return settings.AccountEnabled(); });
    layout->addWidget(radios[0], 0, 0, 1, 2);
    layout->addWidget(radios[1], 1, 0, 1, 2);
    layout->addWidget(userLabel, 2, 0);
    layout->addWidget(user, 2, 1);
    layout->addWidget(passwordLabel, 3, 0);
    layout->addWidget(password, 3, 1);
    layout->addWidget(binder->Check(this, IDS_RT_AUTOSTART, settings.m_bAutoStart, "autoStart"), 4,
                      0, 1, 2);
    QCheckBox* noInit = binder->Check(this, IDS_RT_NO_INIT, settings.m_bNoInitialSync, "noInit");
    CPageBinder::Tip(noInit, IDS_RT_TIP_NO_INIT);
    layout->addWidget(noInit, 5, 0, 1, 2);
    auto* note = new QLabel(TextOf(IDS_RT_NOTE), this);
    note->setWordWrap(true);
    layout->addWidget(note, 6, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(7, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(TextOf(IDS_DLG_OK));
    buttons->button(QDialogButtonBox::Cancel)->setText(TextOf(IDS_DLG_CANCEL));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons, 8, 0, 1, 2);
    binder->Show();
}

}  // namespace tv
