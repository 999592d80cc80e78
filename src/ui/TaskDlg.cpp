#include "ui/TaskDlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/StringTable.h"
#include "uimodel/RunWindowStrings.h"

namespace tv {

namespace {

constexpr int kWindowWidth = 480;
constexpr int kListsHeight = 160;
constexpr int kFieldMargin = 8;  // the frame and inner margins of a line edit

QString Text(int id) {
    return QString::fromStdString(LoadString(id));
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The Details tab shares its text with the Details button, whose Alt key it must not take.
QString WithoutAltKey(QString text) {
    for (qsizetype at = text.indexOf('&'); at >= 0; at = text.indexOf('&', at + 1)) {
        text.remove(at, 1);  // of "&&" one "&" stays
    }
    return text;
}

QLabel* FieldLabel(int id, QWidget* field) {
    auto* label = new QLabel(Text(id));
    label->setBuddy(field);
    return label;
}

QLineEdit* PathField(const char* name) {
    auto* field = new QLineEdit;
    field->setObjectName(name);
    field->setReadOnly(true);
    return field;
}

QPushButton* Button(const char* name) {
    auto* button = new QPushButton;
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

CTaskDlg::CTaskDlg(std::shared_ptr<CProgressPresenter> presenter)
    : QDialog(nullptr), m_pPresenter(std::move(presenter)) {
    setObjectName("taskDlg");
    setWindowTitle(Q(m_pPresenter->Caption()));
    setModal(false);
    BuildControls();
    Connect();
    m_pPresenter->SetFitCheck(
        [this](Side side, const std::string& text) { return Fits(side, text); });
    m_pPresenter->SetListener(this);
    ProgressChanged(~0u & ~progress_part::kClose);
    PlaceOnScreen();
}

CTaskDlg::~CTaskDlg() {
    m_pPresenter->SetListener(nullptr);
    m_pPresenter->SetFitCheck({});
}

void CTaskDlg::BuildControls() {
    m_pSource = PathField("sourceEdit");
    m_pTarget = PathField("targetEdit");
    m_pPhase = new QLabel;
    m_pPhase->setObjectName("phaseLabel");
    m_pBar = new QProgressBar;
    m_pBar->setObjectName("progressBar");
    m_pBar->setRange(0, 100);
    m_pShutdown = new QCheckBox(Text(IDS_RUNWIN_SHUTDOWN));
    m_pShutdown->setObjectName("shutdownBox");
    m_pPause = Button("pauseButton");
    m_pCancel = Button("cancelButton");
    m_pDetails = Button("detailsButton");
    m_pDetailsList = new QListWidget;
    m_pDetailsList->setObjectName("detailsList");
    m_pErrorsList = new QListWidget;
    m_pErrorsList->setObjectName("errorsList");
    m_pTabs = new QTabWidget;
    m_pTabs->setObjectName("tabs");
    m_pTabs->addTab(m_pDetailsList, WithoutAltKey(Text(IDS_RUNWIN_DETAILS_SHOW)));
    m_pTabs->addTab(m_pErrorsList, Text(IDS_RUNWIN_ERRORS));
    m_pTabs->setMinimumHeight(kListsHeight);

    auto* paths = new QGridLayout;
    paths->addWidget(FieldLabel(IDS_RUNWIN_SOURCE_LABEL, m_pSource), 0, 0);
    paths->addWidget(m_pSource, 0, 1);
    paths->addWidget(FieldLabel(IDS_RUNWIN_TARGET_LABEL, m_pTarget), 1, 0);
    paths->addWidget(m_pTarget, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pPause);
    buttons->addWidget(m_pCancel);
    buttons->addStretch();
    buttons->addWidget(m_pDetails);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(paths);
    layout->addWidget(m_pPhase);
    layout->addWidget(m_pBar);
    layout->addWidget(m_pShutdown);
    layout->addLayout(buttons);
    layout->addWidget(m_pTabs, 1);
    setMinimumWidth(kWindowWidth);
    resize(kWindowWidth, sizeHint().height());
}

void CTaskDlg::Connect() {
    connect(m_pPause, &QPushButton::clicked, this, [this] { m_pPresenter->TogglePause(); });
    connect(m_pCancel, &QPushButton::clicked, this, [this] { m_pPresenter->Cancel(); });
    connect(m_pDetails, &QPushButton::clicked, this, [this] { m_pPresenter->ToggleDetails(); });
    connect(m_pTabs, &QTabWidget::currentChanged, this,
            [this](int tab) { m_pPresenter->SelectTab(tab); });
    connect(m_pShutdown, &QCheckBox::clicked, this, [this](bool checked) {
        m_pPresenter->SetShutdown(checked);
        emit shutdownToggled();
    });
}

void CTaskDlg::ProgressChanged(unsigned parts) {
    const CProgressPresenter& p = *m_pPresenter;
    if (parts & progress_part::kPaths) {
        m_pSource->setText(Q(p.SourceText()));
        m_pTarget->setText(Q(p.TargetText()));
    }
    if (parts & progress_part::kPhase) {
        m_pPhase->setText(Q(p.Phase()));
    }
    if (parts & progress_part::kBar) {
        m_pBar->setValue(p.BarPosition());
    }
    if (parts & progress_part::kShutdown) {
        m_pShutdown->setChecked(p.ShutdownChecked());
    }
    if (parts & progress_part::kButtons) {
        ShowButtons();
    }
    if (parts & progress_part::kDetails) {
        ShowLines(*m_pDetailsList, p.Details());
    }
    if (parts & progress_part::kErrors) {
        ShowLines(*m_pErrorsList, p.Errors());
    }
    if (parts & progress_part::kTab) {
        const QSignalBlocker blocker(m_pTabs);
        m_pTabs->setCurrentIndex(p.Tab());
    }
    if (parts & progress_part::kExpanded) {
        Fold();
    }
    if (parts & progress_part::kClose) {
        m_pPresenter->SetListener(nullptr);
        hide();
        deleteLater();
    }
}

void CTaskDlg::ShowButtons() {
    const CProgressPresenter& p = *m_pPresenter;
    m_pPause->setText(Q(p.PauseLabel()));
    m_pPause->setEnabled(p.PauseEnabled());
    m_pCancel->setText(Q(p.CancelLabel()));
    m_pDetails->setText(Q(p.DetailsLabel()));
}

// Lines only ever arrive at the end of a list.
void CTaskDlg::ShowLines(QListWidget& list, const std::vector<std::string>& lines) {
    for (size_t row = static_cast<size_t>(list.count()); row < lines.size(); ++row) {
        list.addItem(Q(lines[row]));
    }
    list.scrollToBottom();
}

// Collapsed, the window ends below the buttons; expanded, the lists take the rest.
void CTaskDlg::Fold() {
    const bool expanded = m_pPresenter->Expanded();
    m_pTabs->setVisible(expanded);
    layout()->activate();
    resize(width(), expanded ? qMax(height(), sizeHint().height()) : minimumSizeHint().height());
}

void CTaskDlg::PlaceOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const CScreenPoint place = ProgressWindowPlace(
        {area.left(), area.top(), area.left() + area.width(), area.top() + area.height()},
        m_pPresenter->Sequence());
    move(place.m_nX, place.m_nY);
}

bool CTaskDlg::Fits(Side side, const std::string& text) const {
    const QLineEdit* field = side == Side::Source ? m_pSource : m_pTarget;
    const int room = field->contentsRect().width() - kFieldMargin;
    return QFontMetrics(field->font()).horizontalAdvance(Q(text)) <= room;
}

// Enter and Escape stop the run as Cancel does; after the end they close the window.
void CTaskDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            m_pPresenter->Cancel();
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void CTaskDlg::reject() {
    m_pPresenter->Cancel();
}

// Closing the window is Cancel: during the run the window stays until the run has ended.
void CTaskDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (!m_pPresenter->Closed()) {
        m_pPresenter->Cancel();
    }
}

}  // namespace tv
