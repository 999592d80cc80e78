#include "ui/QtDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "base/StringTable.h"
#include "uimodel/RunWindowStrings.h"

namespace tv {

namespace {

QString Text(int id) {
    return QString::fromStdString(LoadString(id));
}

int Ask(QWidget* parent, QMessageBox::Icon icon, const std::string& text,
        QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, Text(IDS_RUNWIN_APP_CAPTION), QString::fromStdString(text), buttons,
                    parent);
    return box.exec();
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
    dialog.setNameFilters({Text(IDS_RUNWIN_FILTER_ALL) + " (*)", own});
    dialog.selectNameFilter(own);
}

std::optional<std::string> Chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first().toStdString();
}

// Takes a folder as readily as a file: the accept button chooses what is selected (a folder is
// not entered), or the folder shown when nothing is.
class CLocationDialog : public QFileDialog {
  public:
    using QFileDialog::QFileDialog;
    QString m_strChosen;

    void accept() override {
        const QStringList files = selectedFiles();
        const QString path = files.isEmpty() ? directory().absolutePath() : files.first();
        if (!QFileInfo::exists(path)) {
            QFileDialog::accept();
            return;
        }
        m_strChosen = path;
        QDialog::accept();
    }
};

}  // namespace

void CQtDialogs::Message(const std::string& text, const std::string& caption) {
    QMessageBox box(
        QMessageBox::Information,
        caption.empty() ? Text(IDS_RUNWIN_APP_CAPTION) : QString::fromStdString(caption),
        QString::fromStdString(text), QMessageBox::Ok, m_pParent);
    box.exec();
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
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    SetFilters(dialog, kind);
    return Chosen(dialog);
}

std::optional<std::string> CQtDialogs::SaveFile(FileKind kind, const std::string& title,
                                                const std::string& folder) {
    QFileDialog dialog(m_pParent,
                       title.empty() ? Text(IDS_RUNWIN_APP_CAPTION) : QString::fromStdString(title),
                       QString::fromStdString(folder));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The suffix joins a name without a dot before the dialog asks about replacing a file.
    dialog.setDefaultSuffix(FilterOf(kind).m_pszSuffix);
    SetFilters(dialog, kind);
    return Chosen(dialog);
}

std::optional<std::string> CQtDialogs::ChooseLocation(const std::string& start) {
    CLocationDialog dialog(m_pParent, Text(IDS_RUNWIN_SELECT_LOCATION));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setLabelText(QFileDialog::Accept, Text(IDS_RUNWIN_CHOOSE));
    const QFileInfo info(QString::fromStdString(start));
    if (info.isDir()) {
        dialog.setDirectory(info.absoluteFilePath());
    } else if (info.exists()) {
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.m_strChosen.toStdString();
}

}  // namespace tv
