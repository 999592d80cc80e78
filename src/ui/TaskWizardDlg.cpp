#include "ui/TaskWizardDlg.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "base/StringTable.h"
#include "ui/FtpDlg.h"
#include "ui/PageBinder.h"
#include "ui/SettingsPages.h"
#include "uimodel/AdvancedStrings.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/FtpDialogModel.h"
#include "uimodel/FtpDialogStrings.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/UiDialogs.h"
#include "uimodel/WizardStrings.h"

namespace tv {

CTaskWizard::CTaskWizard(CTaskWizardModel& wizard, IUiDialogs& dialogs, IFileSystem& fs,
                         QWidget* parent)
    : QDialog(parent), m_wizard(wizard), m_dialogs(dialogs), m_fs(fs) {
    setWindowTitle(TextOf(IDS_WIZ_CAPTION));
    m_pBinder = new CPageBinder(this);
    m_pPages = new CSettingsPages(m_wizard.m_pages, *m_pBinder, dialogs, this,
                                  [this]() -> const CElement& { return m_wizard.Task(); });
    auto* layout = new QVBoxLayout(this);
    m_pStack = new QStackedWidget(this);
    m_pStack->setObjectName("wizardPages");
    int number = 1;
    for (WizardStep step : m_wizard.Steps()) {
        QWidget* page = BuildStep(step);
        page->setObjectName(QString("CTskWizardPage%1").arg(number++));
        m_pStack->addWidget(page);
    }
    layout->addWidget(m_pStack, 1);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    layout->addWidget(line);

    // Back, Next and Finish stay in the order a wizard is read, whatever the desktop's order
    // of dialog buttons.
    const auto button = [this](int textId, const char* name) {
        auto* b = new QPushButton(TextOf(textId), this);
        b->setObjectName(name);
        return b;
    };
    m_pBack = button(IDS_WIZ_BACK, "wizardBack");
    m_pNext = button(IDS_WIZ_NEXT, "wizardNext");
    m_pFinish = button(IDS_WIZ_FINISH, "wizardFinish");
    QPushButton* cancel = button(IDS_DLG_CANCEL, "wizardCancel");
    connect(m_pBack, &QPushButton::clicked, this, [this] { Go(&CTaskWizardModel::Back); });
    connect(m_pNext, &QPushButton::clicked, this, [this] { Go(&CTaskWizardModel::Next); });
    connect(m_pFinish, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* b : {m_pBack, m_pNext, m_pFinish}) {
        row->addWidget(b);
    }
    row->addSpacing(12);
    row->addWidget(cancel);
    layout->addLayout(row);
    ShowStep();
}

QWidget* CTaskWizard::BuildStep(WizardStep step) {
    switch (step) {
        case WizardStep::Kind:
            return BuildKind();
        case WizardStep::Locations:
            return BuildLocations();
        case WizardStep::General:
            return BuildGeneral();
        case WizardStep::TimeLimit:
            return Page(IDS_WIZ_TIME_QUESTION, m_pPages->BuildPage(AdvancedPage::TimeLimit));
        case WizardStep::Exclusion:
            return Page(IDS_WIZ_EXCLUDE_QUESTION, m_pPages->BuildExclusionItems(this));
        case WizardStep::Masks:
            return Page(IDS_WIZ_MASKS_QUESTION, m_pPages->BuildExclusionFilters(this),
                        IDS_WIZ_SIZE_QUESTION);
        case WizardStep::Notification:
            return Page(IDS_WIZ_NOTIFY_QUESTION, m_pPages->BuildPage(AdvancedPage::Notification));
        case WizardStep::DialUp:
            return Page(IDS_WIZ_DIALUP_QUESTION, m_pPages->BuildPage(AdvancedPage::DialUp));
        case WizardStep::External:
            return Page(0, m_pPages->BuildPage(AdvancedPage::External));
        case WizardStep::Ftp:
            return Page(0, m_pPages->BuildPage(AdvancedPage::Ftp));
        case WizardStep::Ready:
        default:
            return Page(IDS_WIZ_READY, new QWidget(this));
    }
}

QWidget* CTaskWizard::Page(int questionId, QWidget* body, int secondQuestionId) {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    for (int id : {questionId, secondQuestionId}) {
        if (id != 0) {
            auto* question = new QLabel(TextOf(id), page);
            question->setWordWrap(true);
            QFont bold = question->font();
            bold.setBold(true);
            question->setFont(bold);
            layout->addWidget(question);
        }
    }
    body->setParent(page);
    layout->addWidget(body, 1);
    return page;
}

QWidget* CTaskWizard::BuildKind() {
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    const auto radios = m_pBinder->Radios(
        body, {IDS_MW_KIND_SYNC, IDS_MW_KIND_BACKUP}, [this] { return m_wizard.m_nKind; },
        [this](int index) { m_wizard.m_nKind = index; }, "wizardKind");
    for (QRadioButton* radio : radios) {
        layout->addWidget(radio);
    }
    layout->addStretch();
    return Page(IDS_WIZ_KIND_QUESTION, body);
}

QWidget* CTaskWizard::BuildLocations() {
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->addWidget(BuildLocationRow(body, Side::Source, m_pSource));
    layout->addWidget(BuildLocationRow(body, Side::Target, m_pTarget));
    auto* add = new QPushButton(TextOf(IDS_MW_ADD), body);
    add->setObjectName("wizardAddTarget");
    auto* del = new QPushButton(TextOf(IDS_MW_DEL), body);
    del->setObjectName("wizardDeleteTarget");
    QCheckBox* archive =
        m_pBinder->Check(body, IDS_MW_ARCHIVE_TARGET, m_wizard.m_bArchive, "wizardArchive");
    auto* row = new QHBoxLayout;
    row->addWidget(add);
    row->addWidget(del);
    row->addWidget(archive);
    row->addStretch();
    layout->addLayout(row);
    m_pTargets = new QListWidget(body);
    m_pTargets->setObjectName("wizardTargets");
    layout->addWidget(m_pTargets, 1);
    connect(add, &QPushButton::clicked, this, [this] {
        m_wizard.AddTarget();
        ShowLocations();
    });
    connect(del, &QPushButton::clicked, this, [this] {
        m_wizard.DeleteTarget(m_pTargets->currentRow());
        ShowLocations();
    });
    return Page(IDS_WIZ_LOCATIONS_QUESTION, body);
}

QWidget* CTaskWizard::BuildLocationRow(QWidget* page, Side side, QLineEdit*& edit) {
    const bool source = side == Side::Source;
    auto* row = new QWidget(page);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    edit = new QLineEdit(row);
    edit->setObjectName(source ? "wizardSource" : "wizardTarget");
    edit->setMinimumWidth(320);
    auto* label = new QLabel(TextOf(source ? IDS_MW_LABEL_SOURCE : IDS_MW_LABEL_TARGET), row);
    label->setBuddy(edit);
    label->setMinimumWidth(60);
    connect(edit, &QLineEdit::textEdited, this, [this, side](const QString& text) {
        if (side == Side::Source) {
            m_wizard.SetSourceText(text.toStdString());
        } else {
            m_wizard.SetTargetText(text.toStdString());
        }
    });
    QPushButton* dots = m_pPages->Dots(row, source ? "wizardSourceBrowse" : "wizardTargetBrowse",
                                       [this, side] { Browse(side); });
    auto* ftp = new QPushButton(TextOf(IDS_MW_FTP), row);
    ftp->setObjectName(source ? "wizardSourceFtp" : "wizardTargetFtp");
    CPageBinder::Tip(ftp, IDS_FTPDLG_TIP_BUTTON);
    connect(ftp, &QPushButton::clicked, this, [this, side] { EditFtp(side); });
    layout->addWidget(label);
    layout->addWidget(edit, 1);
    layout->addWidget(dots);
    layout->addWidget(ftp);
    return row;
}

QWidget* CTaskWizard::BuildGeneral() {
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(BuildKindPair(body));
    auto* columns = new QHBoxLayout;
    columns->addWidget(m_pPages->BuildGeneralChecks(body), 1);
    auto* right = new QVBoxLayout;
    right->addWidget(m_pPages->BuildLogGroup(body));
    right->addWidget(m_pPages->BuildPolicyGroup(body));
    right->addStretch();
    columns->addLayout(right, 1);
    layout->addLayout(columns, 1);
    return Page(IDS_WIZ_GENERAL_QUESTION, body);
}

// The mode pair and the targets-usage pair share their place; the kind shows one of them.
QWidget* CTaskWizard::BuildKindPair(QWidget* page) {
    CTaskWizardModel& w = m_wizard;
    auto* box = new QWidget(page);
    auto* layout = new QGridLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto modes = m_pBinder->Radios(
        box, {IDS_MW_MODE_SYNC, IDS_MW_MODE_UPDATE}, [&w] { return w.m_nMode; },
        [&w](int index) { w.m_nMode = index; }, "wizardMode");
    const auto usage = m_pBinder->Radios(
        box, {IDS_MW_USE_SIMULTANEOUSLY, IDS_MW_USE_CONSECUTIVELY},
        [&w] { return w.m_nTargetsUsage; }, [&w](int index) { w.m_nTargetsUsage = index; },
        "wizardUsage");
    m_modePair.assign(modes.begin(), modes.end());
    m_usagePair.assign(usage.begin(), usage.end());
    for (int i = 0; i < 2; ++i) {
        layout->addWidget(modes[i], i, 0);
        layout->addWidget(usage[i], i, 0);
    }
    layout->addWidget(
        m_pBinder->Check(box, IDS_MW_INCLUDE_SUBFOLDERS, w.m_bSubfolders, "wizardSubfolders"), 0,
        1);
    layout->addWidget(m_pBinder->Check(box, IDS_MW_PREVIEW, w.m_bPreview, "wizardPreview"), 1, 1);
    layout->setColumnStretch(2, 1);
    return box;
}

void CTaskWizard::Browse(Side side) {
    const std::string start = side == Side::Source ? m_wizard.SourceText() : m_wizard.TargetText();
    if (const auto chosen = m_dialogs.ChooseLocation(start)) {
        if (side == Side::Source) {
            m_wizard.SetSourceText(*chosen);
        } else {
            m_wizard.SetTargetText(*chosen);
        }
        ShowLocations();
    }
}

void CTaskWizard::EditFtp(Side side) {
    CFtpDialogModel model(m_wizard.FtpLocation(side));
    CFTPDialog dialog(model, m_dialogs, m_fs, this);
    if (dialog.exec() == QDialog::Accepted) {
        m_wizard.StoreFtpLocation(side, model);
        ShowLocations();
    }
}

void CTaskWizard::ShowLocations() {
    m_pSource->setText(QString::fromStdString(m_wizard.SourceText()));
    m_pTarget->setText(QString::fromStdString(m_wizard.TargetText()));
    m_pTargets->clear();
    for (const std::string& row : m_wizard.TargetRows()) {
        m_pTargets->addItem(QString::fromStdString(row));
    }
}

void CTaskWizard::Go(void (CTaskWizardModel::*step)()) {
    (m_wizard.*step)();
    ShowStep();
}

void CTaskWizard::ShowStep() {
    const auto& steps = m_wizard.Steps();
    for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] == m_wizard.CurrentStep()) {
            m_pStack->setCurrentIndex(static_cast<int>(i));
        }
    }
    const int number = CTaskWizardModel::StepNumber(m_wizard.CurrentStep());
    setWindowTitle(QString::fromStdString(FormatText(LoadString(IDS_WIZ_STEP).c_str(), number)));
    for (QWidget* w : m_modePair) {
        w->setVisible(m_wizard.ShowsModes());
    }
    for (QWidget* w : m_usagePair) {
        w->setVisible(!m_wizard.ShowsModes());
    }
    m_pBack->setEnabled(!m_wizard.IsFirst());
    m_pNext->setEnabled(!m_wizard.IsLast());
    m_pFinish->setEnabled(m_wizard.IsLast());
    (m_wizard.IsLast() ? m_pFinish : m_pNext)->setDefault(true);
    ShowLocations();
    m_pBinder->Show();
}

}  // namespace tv
