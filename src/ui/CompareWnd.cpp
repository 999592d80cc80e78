#include "ui/CompareWnd.h"

#include <QCheckBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/FileTime.h"
#include "base/StringTable.h"
#include "uimodel/CompareStrings.h"

namespace tv {

namespace {

enum Column { kLeftName, kLeftSize, kLeftTime, kMark, kRightName, kRightSize, kRightTime };

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

void SetSide(QTreeWidgetItem& item, int first, const CCompareRow& row, uint64_t size,
             FileTime time) {
    item.setText(first, QString::fromStdString(row.m_strName));
    if (!row.m_bFolder) {
        item.setText(first + 1, QLocale().formattedDataSize(static_cast<qint64>(size)));
        item.setTextAlignment(first + 1, Qt::AlignRight | Qt::AlignVCenter);
        item.setText(first + 2,
                     QLocale().toString(QDateTime::fromSecsSinceEpoch(UnixFromFileTime(time)),
                                        QLocale::ShortFormat));
    }
}

}  // namespace

CCompareWnd::CCompareWnd(CCompareArgs args, IFileSystem& fs, QWidget* parent)
    : QMainWindow(parent), m_args(std::move(args)), m_fs(fs) {
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
    layout->addLayout(options);
    m_pTree = new QTreeWidget(central);
    m_pTree->setObjectName("compareTree");
    m_pTree->setUniformRowHeights(true);
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
    connect(m_pOnlyDifferences, &QCheckBox::toggled, this, [this] { Fill(); });
    connect(m_pBinary, &QCheckBox::toggled, this, [this] { Refresh(); });
    resize(900, 560);
}

void CCompareWnd::Refresh() {
    m_pCounts->setText(Text(IDS_CMP_LISTING));
    m_pBinary->setEnabled(false);
    const ContentCheck check =
        m_pBinary->isChecked() ? ContentCheck::Binary : ContentCheck::Attributes;
    // The runner, a member, ends its thread before the window goes; a result posted to a
    // window that is gone by then is dropped with the window's events.
    m_runner.Start(m_args, check, m_fs, [this](CCompareResult result) {
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)]() mutable { ShowResult(std::move(result)); },
            Qt::QueuedConnection);
    });
}

void CCompareWnd::ShowResult(CCompareResult result) {
    m_result = std::move(result);
    m_pBinary->setEnabled(true);
    Fill();
    emit compared();
}

void CCompareWnd::Fill() {
    m_pTree->clear();
    if (!m_result.m_bListed) {
        m_pCounts->setText(QString::fromStdString(m_result.m_strError));
        return;
    }
    const auto rows =
        m_pOnlyDifferences->isChecked() ? OnlyDifferences(m_result.m_rows) : m_result.m_rows;
    std::vector<QTreeWidgetItem*> parents;
    for (const CCompareRow& row : rows) {
        parents.resize(static_cast<size_t>(row.m_nDepth));
        auto* item =
            parents.empty() ? new QTreeWidgetItem(m_pTree) : new QTreeWidgetItem(parents.back());
        if (row.m_bLeft) {
            SetSide(*item, kLeftName, row, row.m_leftSize, row.m_leftTime);
        }
        if (row.m_bRight) {
            SetSide(*item, kRightName, row, row.m_rightSize, row.m_rightTime);
        }
        item->setText(kMark, MarkText(row.m_mark));
        item->setTextAlignment(kMark, Qt::AlignCenter);
        if (const QColor color = MarkColor(row.m_mark); color.isValid()) {
            for (int column = kLeftName; column <= kRightTime; ++column) {
                item->setForeground(column, color);
            }
        }
        if (row.m_bFolder) {
            parents.push_back(item);
        }
    }
    m_pTree->expandAll();
    const CCompareCounts& n = m_result.m_counts;
    const auto at = [&n](CompareMark mark) { return static_cast<int>(n[static_cast<int>(mark)]); };
    m_pCounts->setText(QString::fromStdString(FormatText(
        LoadString(IDS_CMP_COUNTS).c_str(), at(CompareMark::Same), at(CompareMark::LeftOnly),
        at(CompareMark::RightOnly), at(CompareMark::LeftNewer), at(CompareMark::RightNewer),
        at(CompareMark::SizeDiffers), at(CompareMark::ContentDiffers))));
}

}  // namespace tv
