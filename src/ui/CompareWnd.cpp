#include "ui/CompareWnd.h"

#include <QCheckBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/FileTime.h"
#include "base/StringTable.h"
#include "uimodel/CompareStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

namespace {

enum Column { kLeftName, kLeftSize, kLeftTime, kMark, kRightName, kRightSize, kRightTime };

// Where an item's row lies on the left, and whether it is a folder: actions find it by that.
constexpr int kPathRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;
constexpr int kDepthRole = Qt::UserRole + 2;
constexpr int kShownErrors = 20;
constexpr int kFillSliceMs = 30;

QString Text(int id) {
    return QString::fromStdString(LoadString(id));
}

// The marks read across the middle column: an arrow points from the side that has more.
QString MarkText(CompareMark mark) {
    switch (mark) {
        case CompareMark::Same:
            return "=";
        case CompareMark::LeftOnly:
            return QString::fromUtf8("\u2192");
        case CompareMark::RightOnly:
            return QString::fromUtf8("\u2190");
        case CompareMark::LeftNewer:
            return ">";
        case CompareMark::RightNewer:
            return "<";
        case CompareMark::SizeDiffers:
            return QString::fromUtf8("\u2260");
        case CompareMark::ContentDiffers:
            return "!";
        case CompareMark::Count:
            break;
    }
    return {};
}

QColor MarkColor(CompareMark mark) {
    switch (mark) {
        case CompareMark::Same:
            return {};
        case CompareMark::LeftOnly:
        case CompareMark::RightOnly:
            return QColor(0x1a, 0x5f, 0xb4);
        case CompareMark::LeftNewer:
        case CompareMark::RightNewer:
            return QColor(0x26, 0x8b, 0x3a);
        default:
            return QColor(0xc0, 0x1c, 0x28);
    }
}

void SetSide(QTreeWidgetItem& item, int first, const std::string& name, const CCompareRow& row,
             uint64_t size, FileTime time) {
    item.setText(first, QString::fromStdString(name));
    if (!row.m_bFolder) {
        item.setText(first + 1, QLocale().formattedDataSize(static_cast<qint64>(size)));
        item.setTextAlignment(first + 1, Qt::AlignRight | Qt::AlignVCenter);
        item.setText(first + 2,
                     QLocale().toString(QDateTime::fromSecsSinceEpoch(UnixFromFileTime(time)),
                                        QLocale::ShortFormat));
    }
}

// The tree indents only its first column; the right side's names get the same steps so that
// both halves read as trees.
class CIndentDelegate : public QStyledItemDelegate {
  public:
    CIndentDelegate(QTreeWidget* tree) : QStyledItemDelegate(tree), m_pTree(tree) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        // The row's selection band runs through the indent; only the name moves.
        QStyleOptionViewItem whole = option;
        initStyleOption(&whole, index);
        m_pTree->style()->drawPrimitive(QStyle::PE_PanelItemViewItem, &whole, painter, m_pTree);
        QStyleOptionViewItem indented = option;
        indented.rect.setLeft(option.rect.left() + Indent(index));
        QStyledItemDelegate::paint(painter, indented, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(Indent(index), 0);
    }

  private:
    int Indent(const QModelIndex& index) const {
        return m_pTree->indentation() *
               (index.siblingAtColumn(kLeftName).data(kDepthRole).toInt() + 1);
    }

    QTreeWidget* m_pTree;
};

QTreeWidgetItem* NewItem(const CCompareRow& row, QTreeWidgetItem* parent, QTreeWidget* tree) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    if (row.m_bLeft) {
        SetSide(*item, kLeftName, row.m_strName, row, row.m_leftSize, row.m_leftTime);
    }
    if (row.m_bRight) {
        SetSide(*item, kRightName, row.RightName(), row, row.m_rightSize, row.m_rightTime);
    }
    item->setText(kMark, MarkText(row.m_mark));
    item->setTextAlignment(kMark, Qt::AlignCenter);
    if (const QColor color = MarkColor(row.m_mark); color.isValid()) {
        for (int column = kLeftName; column <= kRightTime; ++column) {
            item->setForeground(column, color);
        }
    }
    item->setData(kLeftName, kPathRole, QString::fromStdString(row.m_strPath));
    item->setData(kLeftName, kFolderRole, row.m_bFolder);
    item->setData(kLeftName, kDepthRole, row.m_nDepth);
    return item;
}

std::string ErrorText(const std::vector<std::string>& errors) {
    std::string text = LoadString(IDS_CMP_ACTION_ERRORS);
    for (size_t i = 0; i < errors.size() && i < kShownErrors; ++i) {
        text += "\n" + errors[i];
    }
    if (errors.size() > kShownErrors) {
        text += "\n...";
    }
    return text;
}

}  // namespace

CCompareWnd::CCompareWnd(CCompareArgs args, IFileSystem& fs, IUiDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), m_args(std::move(args)), m_fs(fs), m_dialogs(dialogs) {
    setWindowTitle(Text(IDS_CMP_CAPTION));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* options = new QHBoxLayout();
    m_pOnlyDifferences = new QCheckBox(Text(IDS_CMP_ONLY_DIFFERENCES), central);
    m_pOnlyDifferences->setObjectName("onlyDifferences");
    m_pBinary = new QCheckBox(Text(IDS_CMP_BINARY), central);
    m_pBinary->setObjectName("binaryCheck");
    options->addWidget(m_pOnlyDifferences);
    options->addWidget(m_pBinary);
    options->addStretch();
    const std::pair<int, CompareAction> actions[] = {
        {IDS_CMP_COPY_RIGHT, CompareAction::CopyToRight},
        {IDS_CMP_COPY_LEFT, CompareAction::CopyToLeft},
        {IDS_CMP_DELETE_LEFT, CompareAction::DeleteLeft},
        {IDS_CMP_DELETE_RIGHT, CompareAction::DeleteRight}};
    for (const auto& [text, action] : actions) {
        auto* button = new QPushButton(Text(text), central);
        button->setObjectName(QString("action%1").arg(static_cast<int>(action)));
        connect(button, &QPushButton::clicked, this, [this, action = action] { Act(action); });
        options->addWidget(button);
        m_actions.push_back(button);
    }
    layout->addLayout(options);
    m_pTree = new QTreeWidget(central);
    m_pTree->setObjectName("compareTree");
    m_pTree->setUniformRowHeights(true);
    m_pTree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pTree->setItemDelegateForColumn(kRightName, new CIndentDelegate(m_pTree));
    m_pTree->setHeaderLabels({Text(IDS_CMP_COL_NAME), Text(IDS_CMP_COL_SIZE),
                              Text(IDS_CMP_COL_MODIFIED), QString(), Text(IDS_CMP_COL_NAME),
                              Text(IDS_CMP_COL_SIZE), Text(IDS_CMP_COL_MODIFIED)});
    m_pTree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pTree->header()->setSectionResizeMode(kLeftName, QHeaderView::Stretch);
    m_pTree->header()->setSectionResizeMode(kRightName, QHeaderView::Stretch);
    layout->addWidget(m_pTree);
    setCentralWidget(central);
    m_pCounts = new QLabel(statusBar());
    m_pCounts->setObjectName("counts");
    statusBar()->addWidget(m_pCounts, 1);
    m_pCancel = new QPushButton(Text(IDS_CMP_CANCEL), statusBar());
    m_pCancel->setObjectName("cancelButton");
    m_pCancel->hide();
    statusBar()->addPermanentWidget(m_pCancel);
    m_pProgress = new QTimer(this);
    m_pProgress->setInterval(100);
    connect(m_pProgress, &QTimer::timeout, this, [this] { ShowProgress(); });
    m_pFiller = new QTimer(this);
    m_pFiller->setInterval(0);
    connect(m_pFiller, &QTimer::timeout, this, [this] { FillSome(); });
    connect(m_pCancel, &QPushButton::clicked, this, [this] { m_runner.Control().Cancel(); });
    connect(m_pOnlyDifferences, &QCheckBox::toggled, this, [this] { Fill(); });
    connect(m_pBinary, &QCheckBox::toggled, this, [this] { Refresh(); });
    connect(m_pTree, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
    resize(980, 560);
}

ContentCheck CCompareWnd::Check() const {
    return m_pBinary->isChecked() ? ContentCheck::Binary : ContentCheck::Attributes;
}

void CCompareWnd::UpdateActions() {
    const bool picked = !m_bBusy && m_result.m_bListed && !m_pTree->selectedItems().isEmpty();
    for (QPushButton* button : m_actions) {
        button->setEnabled(picked);
    }
}

void CCompareWnd::SetBusy(bool busy) {
    m_bBusy = busy;
    // Both boxes redraw the tree, which shows the listing or the action's result only once
    // the work is over.
    m_pBinary->setEnabled(!busy);
    m_pOnlyDifferences->setEnabled(!busy);
    m_pCancel->setVisible(busy);
    UpdateActions();
    if (busy) {
        ShowProgress();
        m_pProgress->start();
    } else {
        m_pProgress->stop();
    }
}

void CCompareWnd::ShowProgress() {
    const std::string text = m_nWorkText == IDS_CMP_LISTED
                                 ? FormatText(LoadString(IDS_CMP_LISTED).c_str(),
                                              static_cast<int>(m_runner.Control().Listed()))
                                 : LoadString(m_nWorkText);
    m_pCounts->setText(QString::fromStdString(text));
}

void CCompareWnd::Refresh() {
    m_nWorkText = IDS_CMP_LISTED;
    m_result = {};
    m_pTree->clear();
    SetBusy(true);
    // The runner, a member, ends its thread before the window goes; a result posted to a
    // window that is gone by then is dropped with the window's events.
    m_runner.Start(m_args, Check(), m_fs, [this](CCompareResult result) {
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)]() mutable { ShowResult(std::move(result)); },
            Qt::QueuedConnection);
    });
}

void CCompareWnd::ShowResult(CCompareResult result) {
    m_result = std::move(result);
    m_afterFill = [this] {
        SetBusy(false);
        emit compared();
    };
    Fill();
}

std::vector<CRowKey> CCompareWnd::SelectedKeys() const {
    std::vector<CRowKey> keys;
    for (const QTreeWidgetItem* item : m_pTree->selectedItems()) {
        keys.push_back({item->data(kLeftName, kPathRole).toString().toStdString(),
                        item->data(kLeftName, kFolderRole).toBool()});
    }
    return keys;
}

void CCompareWnd::Act(CompareAction action) {
    const std::vector<CRowKey> keys = SelectedKeys();
    const std::vector<size_t> picked = PickedRows(m_result.m_rows, keys);
    if (picked.empty()) {
        return;
    }
    const bool deletes =
        action == CompareAction::DeleteLeft || action == CompareAction::DeleteRight;
    if (deletes &&
        m_dialogs.YesNo(DeleteQuestion(m_result.m_rows, picked, action)) != PromptAnswer::Yes) {
        return;
    }
    m_nWorkText = IDS_CMP_WORKING;
    SetBusy(true);
    m_runner.Run([this, action, keys, picked, check = Check(), args = m_args,
                  result = m_result](CCompareControl& control) mutable {
        const CActionOutcome outcome =
            PerformCompareAction(args, action, result.m_rows, picked, m_fs, &control);
        RecompareRows(args, check, keys, m_fs, result);
        QMetaObject::invokeMethod(
            this,
            [this, result = std::move(result), outcome]() mutable {
                ActionDone(std::move(result), outcome);
            },
            Qt::QueuedConnection);
    });
}

void CCompareWnd::ActionDone(CCompareResult result, const CActionOutcome& outcome) {
    m_result = std::move(result);
    m_afterFill = [this, errors = outcome.m_errors] {
        SetBusy(false);
        emit compared();
        if (!errors.empty()) {
            m_dialogs.Message(ErrorText(errors), LoadString(IDS_CMP_CAPTION));
        }
        emit acted();
    };
    Fill();
}

void CCompareWnd::Fill() {
    m_pTree->clear();
    m_pFiller->stop();
    m_pProgress->stop();
    m_pCounts->setToolTip({});
    if (!m_result.m_bListed) {
        // The status line keeps one line; the engine's reasons below it are in the tooltip.
        const QString error = QString::fromStdString(m_result.m_strError);
        m_pCounts->setText(error.section('\n', 0, 0));
        m_pCounts->setToolTip(error);
        FillDone();
        return;
    }
    m_fill.m_rows =
        m_pOnlyDifferences->isChecked() ? OnlyDifferences(m_result.m_rows) : m_result.m_rows;
    m_fill.m_nNext = 0;
    m_fill.m_parents.clear();
    const CCompareCounts& n = m_result.m_counts;
    const auto at = [&n](CompareMark mark) { return static_cast<int>(n[static_cast<int>(mark)]); };
    m_pCounts->setText(QString::fromStdString(FormatText(
        LoadString(IDS_CMP_COUNTS).c_str(), at(CompareMark::Same), at(CompareMark::LeftOnly),
        at(CompareMark::RightOnly), at(CompareMark::LeftNewer), at(CompareMark::RightNewer),
        at(CompareMark::SizeDiffers), at(CompareMark::ContentDiffers))));
    m_pFiller->start();
}

// A big listing goes into the tree a slice at a time, so that the window keeps answering.
void CCompareWnd::FillSome() {
    QElapsedTimer slice;
    slice.start();
    auto& parents = m_fill.m_parents;
    while (m_fill.m_nNext < m_fill.m_rows.size() && slice.elapsed() < kFillSliceMs) {
        const CCompareRow& row = m_fill.m_rows[m_fill.m_nNext++];
        parents.resize(static_cast<size_t>(row.m_nDepth));
        QTreeWidgetItem* item = NewItem(row, parents.empty() ? nullptr : parents.back(), m_pTree);
        if (row.m_bFolder) {
            item->setExpanded(true);
            parents.push_back(item);
        }
    }
    if (m_fill.m_nNext == m_fill.m_rows.size()) {
        m_pFiller->stop();
        m_fill = {};
        FillDone();
    }
}

void CCompareWnd::FillDone() {
    if (auto then = std::exchange(m_afterFill, nullptr)) {
        then();
    }
}

}  // namespace tv
