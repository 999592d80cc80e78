#include "ui/AboutDlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/StringTable.h"
#include "ui/AppIcon.h"
#include "uimodel/DialogStrings.h"

namespace tv {

namespace {

QString Text(int id) {
    return QString::fromStdString(LoadString(id));
}

QLabel* PlainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

}  // namespace

std::string ProgramVersion() {
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? std::string(TWINVALE_VERSION) : version.toStdString();
}

CAboutDlgNew::CAboutDlgNew(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Text(IDS_ABOUT_CAPTION));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(96, 96));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);

    auto* texts = new QVBoxLayout;
    auto* name = PlainLabel(Text(IDS_ABOUT_NAME), this);
    QFont big = name->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    name->setFont(big);
    texts->addWidget(name);
    texts->addWidget(
        PlainLabel(QString::fromStdString(
                       FormatText(LoadString(IDS_ABOUT_VERSION).c_str(), ProgramVersion().c_str())),
                   this));
    auto* description = PlainLabel(Text(IDS_ABOUT_DESCRIPTION), this);
    description->setMinimumWidth(300);
    texts->addWidget(description);
    texts->addStretch(1);
    top->addLayout(texts, 1);
    layout->addLayout(top);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Text(IDS_DLG_OK));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void ShowAbout(QWidget* parent) {
    CAboutDlgNew dialog(parent);
    dialog.exec();
}

}  // namespace tv
