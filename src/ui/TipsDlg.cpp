#include "ui/TipsDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/StringTable.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/Preferences.h"
#include "uimodel/StartupTips.h"

namespace tv {

namespace {

QString Text(int id) {
    return QString::fromStdString(LoadString(id));
}

}  // namespace

CTipsDlg::CTipsDlg(CStartupTips& tips, bool showOnStartup, QWidget* parent)
    : QDialog(parent), m_tips(tips) {
    setWindowTitle(Text(IDS_TIPS_CAPTION));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(Text(IDS_TIPS_HEADING), this);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    heading->setFont(bold);
    layout->addWidget(heading);

    m_tip = new QLabel(this);
    m_tip->setObjectName("tip");
    m_tip->setTextFormat(Qt::PlainText);
    m_tip->setWordWrap(true);
    m_tip->setMinimumSize(360, 80);
    m_tip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(m_tip, 1);

    auto* row = new QHBoxLayout;
    m_showOnStartup = new QCheckBox(Text(IDS_PREF_SHOW_TIPS), this);
    m_showOnStartup->setObjectName("showOnStartup");
    m_showOnStartup->setChecked(showOnStartup);
    auto* next = new QPushButton(Text(IDS_TIPS_NEXT), this);
    next->setObjectName("nextTip");
    auto* close = new QPushButton(Text(IDS_DLG_CLOSE), this);
    close->setDefault(true);
    row->addWidget(m_showOnStartup, 1);
    row->addWidget(next);
    row->addWidget(close);
    layout->addLayout(row);

    connect(next, &QPushButton::clicked, this, [this] {
        m_tips.Next();
        ShowTip();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    ShowTip();
}

bool CTipsDlg::ShowOnStartup() const {
    return m_showOnStartup->isChecked();
}

void CTipsDlg::ShowTip() {
    m_tip->setText(Text(m_tips.TextId()));
}

void ShowStartupTip(CProfile& profile, uint32_t& preferences, QWidget* parent) {
    if ((preferences & pref::kShowTips) == 0) {
        return;
    }
    CStartupTips tips(profile);
    CTipsDlg dialog(tips, true, parent);
    dialog.exec();
    tips.Close(dialog.ShowOnStartup(), preferences);
}

}  // namespace tv
