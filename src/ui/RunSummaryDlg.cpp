#include "ui/RunSummaryDlg.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/StringTable.h"
#include "uimodel/RunWindowStrings.h"

namespace tv {

namespace {

QStringList Strings(const std::vector<std::string>& texts) {
    QStringList list;
    for (const std::string& text : texts) {
        list.push_back(QString::fromStdString(text));
    }
    return list;
}

constexpr int kRowsWithoutScrolling = 12;

}  // namespace

CRunSummaryDlg::CRunSummaryDlg(const std::vector<CRunSummaryRow>& rows, const std::string& caption,
                               QWidget* parent)
    : QDialog(parent) {
    setObjectName("runSummary");
    setWindowTitle(QString::fromStdString(caption));
    auto* layout = new QVBoxLayout(this);
    m_pTable = new QTreeWidget(this);
    m_pTable->setObjectName("summaryTable");
    m_pTable->setRootIsDecorated(false);
    m_pTable->setUniformRowHeights(true);
    m_pTable->setSelectionMode(QAbstractItemView::NoSelection);
    m_pTable->setFocusPolicy(Qt::NoFocus);
    m_pTable->setHeaderLabels(Strings(SummaryColumns()));
    for (const CRunSummaryRow& row : rows) {
        auto* item = new QTreeWidgetItem(m_pTable, Strings(SummaryCells(row)));
        for (int column = 1; column < m_pTable->columnCount(); ++column) {
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        }
        if (row.m_nErrors > 0) {
            QFont bold = item->font(3);
            bold.setBold(true);
            item->setFont(3, bold);
        }
    }
    layout->addWidget(m_pTable);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)
        ->setText(QString::fromStdString(LoadString(IDS_RUNWIN_OK)));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    FitToRows();
}

// Wide enough for every cell and title, tall enough for a dozen runs; more rows scroll.
void CRunSummaryDlg::FitToRows() {
    QHeaderView* header = m_pTable->header();
    header->setStretchLastSection(false);
    int width = 0;
    for (int column = 0; column < m_pTable->columnCount(); ++column) {
        m_pTable->resizeColumnToContents(column);
        width += m_pTable->columnWidth(column);
    }
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    const int rowHeight = std::max(m_pTable->sizeHintForRow(0), fontMetrics().height() + 4);
    const int shown = std::min(m_pTable->topLevelItemCount(), kRowsWithoutScrolling);
    const int frame = 2 * m_pTable->frameWidth();
    m_pTable->setMinimumSize(width + frame + 4,
                             header->sizeHint().height() + std::max(shown, 1) * rowHeight + frame);
    if (const QScreen* screen = this->screen()) {
        setMaximumWidth(screen->availableGeometry().width());
    }
    resize(minimumSizeHint());
}

}  // namespace tv
