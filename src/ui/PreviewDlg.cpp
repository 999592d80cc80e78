#include "ui/PreviewDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/StringTable.h"
#include "uimodel/RunWindowStrings.h"
#include "uimodel/WindowSettings.h"

namespace tv {

namespace {

constexpr const char* kObjectNames[kPreviewLists] = {"copyFromSource", "copyFromTarget",
                                                     "deleteInTarget", "deleteInSource"};
// One text, with an Alt key of its own for each list.
constexpr int kToggleTexts[kPreviewLists] = {
    IDS_RUNWIN_SELECT_UNSELECT, IDS_RUNWIN_SELECT_FROM_TARGET, IDS_RUNWIN_SELECT_IN_TARGET,
    IDS_RUNWIN_SELECT_IN_SOURCE};

QString Text(int id) {
    return QString::fromStdString(LoadString(id));
}

}  // namespace

CPreviewDlg::CPreviewDlg(CPreviewModel& model, CProfile* profile, QWidget* parent)
    : QDialog(parent), m_model(model), m_pProfile(profile) {
    setObjectName("previewDlg");
    setWindowTitle(QString::fromStdString(model.Caption()));
    setWindowModality(Qt::NonModal);
    auto* asking = new QLabel(QString::fromStdString(model.Asking()));
    asking->setObjectName("taskLabel");
    QFont bold = asking->font();
    bold.setBold(true);
    asking->setFont(bold);
    auto* grid = new QGridLayout;
    for (int i = 0; i < kPreviewLists; ++i) {
        grid->addLayout(BuildCell(static_cast<PreviewList>(i)), i / 2, i % 2);
    }
    auto* ok = new QPushButton(Text(IDS_RUNWIN_OK));
    ok->setObjectName("okButton");
    ok->setDefault(true);
    auto* cancel = new QPushButton(Text(IDS_RUNWIN_CANCEL));
    cancel->setObjectName("cancelButton");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(ok);
    bottom->addStretch(2);
    bottom->addWidget(cancel);
    bottom->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(asking);
    layout->addLayout(grid, 1);
    if (!model.KeepNote().empty()) {
        auto* keep = new QLabel(QString::fromStdString(model.KeepNote()));
        keep->setObjectName("keepNote");
        keep->setWordWrap(true);
        layout->addWidget(keep);
    }
    layout->addLayout(bottom);
    setMinimumSize(sizeHint());
    RestoreSize();
}

CPreviewDlg::CPreviewDlg(std::unique_ptr<CPreviewModel> model, CProfile* profile)
    : CPreviewDlg(*model, profile) {
    m_pOwnedModel = std::move(model);
}

CPreviewDlg::~CPreviewDlg() {
    StoreSize();
}

QLayout* CPreviewDlg::BuildCell(PreviewList list) {
    const size_t i = Index(list);
    auto* total = new QLabel(QString::fromStdString(m_model.TotalText(list)));
    auto* tree = new QTreeWidget;
    tree->setObjectName(kObjectNames[i]);
    tree->setColumnCount(1);
    tree->setHeaderLabels({Text(IDS_LOG_SOURCE)});
    tree->header()->setStretchLastSection(true);
    tree->setRootIsDecorated(false);
    tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree->setToolTip(Text(IDS_RUNWIN_EXCLUDE_INCLUDE));
    total->setBuddy(tree);
    auto* button = new QPushButton(Text(kToggleTexts[i]));
    button->setObjectName(QString(kObjectNames[i]) + "Toggle");
    button->setToolTip(Text(IDS_RUNWIN_EXCLUDE_INCLUDE));
    button->setAutoDefault(false);
    m_lists[i] = tree;
    m_buttons[i] = button;
    connect(button, &QPushButton::clicked, this, [this, list] { Toggle(list); });
    connect(tree, &QTreeWidget::itemDoubleClicked, this, [this, list] { Toggle(list); });
    Fill(list);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button);
    buttons->addStretch();
    auto* cell = new QVBoxLayout;
    cell->addWidget(total);
    cell->addWidget(tree, 1);
    cell->addLayout(buttons);
    return cell;
}

void CPreviewDlg::Fill(PreviewList list) {
    QTreeWidget& tree = *m_lists[Index(list)];
    QList<QTreeWidgetItem*> items;
    const int rows = m_model.RowCount(list);
    items.reserve(rows);
    for (int row = 0; row < rows; ++row) {
        auto* item =
            new QTreeWidgetItem(QStringList{QString::fromStdString(m_model.Row(list, row))});
        // Each row says why it is planned; the list's own tip stays for the space between rows.
        const std::string& reason = m_model.Reason(list, row);
        if (!reason.empty()) {
            item->setToolTip(0, QString::fromStdString(reason));
        }
        items.append(item);
    }
    tree.addTopLevelItems(items);
    ShowExclusions(list);
}

void CPreviewDlg::Toggle(PreviewList list) {
    QTreeWidget& tree = *m_lists[Index(list)];
    std::vector<int> rows;
    for (const QTreeWidgetItem* item : tree.selectedItems()) {
        rows.push_back(tree.indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item)));
    }
    m_model.Toggle(list, rows);
    ShowExclusions(list);
}

// Excluded rows are greyed and struck through.
void CPreviewDlg::ShowExclusions(PreviewList list) {
    QTreeWidget& tree = *m_lists[Index(list)];
    const QBrush normal = tree.palette().brush(QPalette::Active, QPalette::Text);
    const QBrush excluded = tree.palette().brush(QPalette::Disabled, QPalette::Text);
    for (int row = 0; row < tree.topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = tree.topLevelItem(row);
        const bool out = m_model.IsExcluded(list, row);
        QFont font = item->font(0);
        font.setStrikeOut(out);
        item->setFont(0, font);
        item->setForeground(0, out ? excluded : normal);
    }
}

void CPreviewDlg::accept() {
    m_model.Apply();
    QDialog::accept();
}

void CPreviewDlg::resizeEvent(QResizeEvent* event) {
    // A maximize is no new size of the window itself.
    if (event->spontaneous() && isVisible() && !isMaximized()) {
        m_bUserResized = true;
    }
    QDialog::resizeEvent(event);
}

void CPreviewDlg::RestoreSize() {
    if (!m_pProfile) {
        return;
    }
    const CWindowPlacement kept = LoadPlacement(*m_pProfile, KeptWindow::Preview);
    if (kept.m_bMaximized) {
        setWindowState(windowState() | Qt::WindowMaximized);
    } else if (kept.HasSize()) {
        resize(kept.m_nWidth, kept.m_nHeight);
    }
}

void CPreviewDlg::StoreSize() {
    if (!m_pProfile) {
        return;
    }
    CWindowPlacement placement;
    placement.m_bMaximized = isMaximized();
    if (m_bUserResized) {
        const QSize size = placement.m_bMaximized ? normalGeometry().size() : this->size();
        placement.m_nWidth = size.width();
        placement.m_nHeight = size.height();
    }
    StorePlacement(*m_pProfile, KeptWindow::Preview, placement);
}

}  // namespace tv
