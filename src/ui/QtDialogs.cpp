#include "ui/QtDialogs.h"

#include <algorithm>
#include <memory>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>

#include "base/StringTable.h"
#include "ui/FtpDlgHelpers.h"
#include "ui/RunSummaryDlg.h"
#include "uimodel/AdvancedStrings.h"
#include "uimodel/RunWindowStrings.h"
#include "uimodel/WebSkinStrings.h"

namespace tv {

namespace {

QString Text(int id) {
    return QString::fromStdString(LoadString(id));
}

// The first line of a text is what the box says; the lines after it (what it concerns, why,
// the question) are its detail, set apart as the desktop's message boxes do. The box is made
// wide enough for the longest detail line, up to most of the screen, so that a path or a reason
// is not wrapped in the middle.
void SetText(QMessageBox& box, const std::string& text) {
    const size_t lineEnd = text.find('\n');
    box.setText(QString::fromStdString(text.substr(0, lineEnd)));
    if (lineEnd == std::string::npos) {
        return;
    }
    const QString detail = QString::fromStdString(text.substr(lineEnd + 1));
    box.setInformativeText(detail);
    int widest = 0;
    for (const QString& line : detail.split('\n')) {
        widest = std::max(widest, box.fontMetrics().horizontalAdvance(line));
    }
    // The spacer spans the icon's column too, and the text keeps a margin of its own.
    widest += box.iconPixmap().width() + 4 * box.fontMetrics().averageCharWidth();
    if (const QScreen* screen = box.screen()) {
        widest = std::min(widest, screen->availableGeometry().width() * 3 / 4);
    }
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(widest, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}

int Ask(QWidget* parent, QMessageBox::Icon icon, const std::string& text,
        QMessageBox::StandardButtons buttons) {
    const std::unique_ptr<QMessageBox> box(
        NewMessageBox(icon, Text(IDS_RUNWIN_APP_CAPTION), text, buttons, parent));
    return box->exec();
}

struct CKindFilter {
    int m_nText;
    const char* m_pszPattern;
    const char* m_pszSuffix;
};

CKindFilter FilterOf(FileKind kind) {
    switch (kind) {
        case FileKind::KeyFile:
            return {IDS_RUNWIN_FILTER_KEY, "*.pem", "pem"};
        case FileKind::Certificate:
            return {IDS_RUNWIN_FILTER_CERTIFICATE, "*.cer", "cer"};
        case FileKind::WebPage:
            return {IDS_GEN_WEB_PAGES, "*.htm *.html", "htm"};
        case FileKind::Skin:
            return {IDS_SKIN_FILTER, "*.qss", "qss"};
        case FileKind::AnyFile:
            return {IDS_RUNWIN_FILTER_ALL, "*", ""};
        case FileKind::TaskList:
        default:
            return {IDS_RUNWIN_FILTER_TASK_LIST, "*.tsl", "tsl"};
    }
}

// The texts of the filters are shown as they stand; the pattern that does the filtering
// follows in a last pair of brackets, which the dialog keeps out of sight.
void SetFilters(QFileDialog& dialog, FileKind kind) {
    const CKindFilter filter = FilterOf(kind);
    const QString own = Text(filter.m_nText) + " (" + filter.m_pszPattern + ")";
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (kind == FileKind::AnyFile) {
        dialog.setNameFilters({own});
        return;
    }
    dialog.setNameFilters({Text(IDS_RUNWIN_FILTER_ALL) + " (*)", own});
    dialog.selectNameFilter(own);
}

std::optional<std::string> Chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first().toStdString();
}

// Takes a folder as readily as a file. Qt's own accept button stays disabled until an entry is
// selected, so the folder shown could not be chosen: it gives way to a button of our own, usable
// whenever what it would choose is there. That button chooses what is selected (a folder is not
// entered), or the folder shown when nothing is.
class CLocationDialog : public QFileDialog {
  public:
    CLocationDialog(QWidget* parent, const QString& caption) : QFileDialog(parent, caption) {
        setOption(QFileDialog::DontUseNativeDialog);
        setFileMode(QFileDialog::ExistingFile);
        auto* box = findChild<QDialogButtonBox*>();
        delete box->button(QDialogButtonBox::Open);
        m_pChoose = box->addButton(Text(IDS_RUNWIN_CHOOSE), QDialogButtonBox::AcceptRole);
        m_pChoose->setObjectName("chooseButton");
        m_pChoose->setDefault(true);
        connect(this, &QFileDialog::currentChanged, this, [this] { UpdateChoose(); });
        connect(this, &QFileDialog::directoryEntered, this, [this] { UpdateChoose(); });
        if (auto* edit = findChild<QLineEdit*>("fileNameEdit")) {
            connect(edit, &QLineEdit::textChanged, this, [this] { UpdateChoose(); });
        }
    }
    QString m_strChosen;

    void UpdateChoose() { m_pChoose->setEnabled(QFileInfo::exists(ToChoose())); }

    void accept() override {
        const QString path = ToChoose();
        if (!QFileInfo::exists(path)) {
            QFileDialog::accept();  // says that the typed name is not there
            return;
        }
        m_strChosen = path;
        QDialog::accept();
    }

  private:
    QString ToChoose() const {
        const QStringList files = selectedFiles();
        return files.isEmpty() ? directory().absolutePath() : files.first();
    }

    QPushButton* m_pChoose = nullptr;
};

// A name without a dot is given the extension of its kind of file.
std::string WithSuffix(const std::string& path, const char* suffix) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (path.find('.', nameStart) != std::string::npos) {
        return path;
    }
    return path + "." + suffix;
}

}  // namespace

QMessageBox* NewMessageBox(QMessageBox::Icon icon, const QString& caption, const std::string& text,
                           QMessageBox::StandardButtons buttons, QWidget* parent) {
    auto* box = new QMessageBox(icon, caption, {}, buttons, parent);
    SetText(*box, text);
    return box;
}

void CQtDialogs::Summary(const std::vector<CRunSummaryRow>& rows, const std::string& caption) {
    CRunSummaryDlg box(rows, caption, m_pParent);
    box.exec();
}

void CQtDialogs::Message(const std::string& text, const std::string& caption) {
    QMessageBox box(
        QMessageBox::Information,
        caption.empty() ? Text(IDS_RUNWIN_APP_CAPTION) : QString::fromStdString(caption), {},
        QMessageBox::Ok, m_pParent);
    SetText(box, text);
    box.exec();
}

bool CQtDialogs::MessageOnce(const std::string& text, const std::string& caption,
                             const std::string& checkText) {
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(caption), {}, QMessageBox::Ok,
                    m_pParent);
    SetText(box, text);
    auto* check = new QCheckBox(QString::fromStdString(checkText), &box);
    box.setCheckBox(check);
    box.exec();
    return check->isChecked();
}

PromptAnswer CQtDialogs::YesNo(const std::string& text) {
    const int answer =
        Ask(m_pParent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No);
    return answer == QMessageBox::Yes ? PromptAnswer::Yes : PromptAnswer::No;
}

YesNoCancel CQtDialogs::AskYesNoCancel(const std::string& text) {
    const int answer = Ask(m_pParent, QMessageBox::Question, text,
                           QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Yes) {
        return YesNoCancel::Yes;
    }
    return answer == QMessageBox::No ? YesNoCancel::No : YesNoCancel::Cancel;
}

bool CQtDialogs::OkCancel(const std::string& text) {
    return Ask(m_pParent, QMessageBox::Question, text, QMessageBox::Ok | QMessageBox::Cancel) ==
           QMessageBox::Ok;
}

PromptAnswer CQtDialogs::AbortRetryIgnore(const std::string& text) {
    switch (Ask(m_pParent, QMessageBox::Warning, text,
                QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore)) {
        case QMessageBox::Abort:
            return PromptAnswer::Abort;
        case QMessageBox::Retry:
            return PromptAnswer::Retry;
        default:
            return PromptAnswer::Ignore;
    }
}

std::optional<std::string> CQtDialogs::OpenFile(FileKind kind, const std::string& folder) {
    QFileDialog dialog(m_pParent, Text(IDS_RUNWIN_APP_CAPTION), QString::fromStdString(folder));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    SetFilters(dialog, kind);
    return Chosen(dialog);
}

// The extension is added here, not by the dialog: the desktop's dialogs do not add it, and would
// have asked about replacing the name as typed, not the file that is written.
std::optional<std::string> CQtDialogs::SaveFile(FileKind kind, const std::string& title,
                                                const std::string& folder) {
    QFileDialog dialog(m_pParent,
                       title.empty() ? Text(IDS_RUNWIN_APP_CAPTION) : QString::fromStdString(title),
                       QString::fromStdString(folder));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    SetFilters(dialog, kind);
    for (;;) {
        const std::optional<std::string> chosen = Chosen(dialog);
        if (!chosen) {
            return std::nullopt;
        }
        const std::string named = WithSuffix(*chosen, FilterOf(kind).m_pszSuffix);
        if (named == *chosen || !QFileInfo::exists(QString::fromStdString(named)) ||
            YesNo(FormatText(LoadString(IDS_REPLACE_EXISTING).c_str(), named.c_str())) ==
                PromptAnswer::Yes) {
            return named;
        }
    }
}

std::optional<std::string> CQtDialogs::FtpPassword(const std::string& site) {
    CFTPPswDlg dialog(site, m_pParent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Password();
}

std::optional<std::string> CQtDialogs::ChooseLocation(const std::string& start) {
    CLocationDialog dialog(m_pParent, Text(IDS_RUNWIN_SELECT_LOCATION));
    const QFileInfo info(QString::fromStdString(start));
    if (info.isDir()) {
        dialog.setDirectory(info.absoluteFilePath());
    } else if (info.exists()) {
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    dialog.UpdateChoose();
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.m_strChosen.toStdString();
}

}  // namespace tv
