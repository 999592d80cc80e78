#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "uimodel/UiDialogs.h"

namespace tv {

// A message box that shows `text` as the windows' boxes do: the first line is what it says, the
// lines after it its detail, with room for the longest. Not shown yet. GUI thread.
QMessageBox* NewMessageBox(QMessageBox::Icon icon, const QString& caption, const std::string& text,
                           QMessageBox::StandardButtons buttons, QWidget* parent);

// The questions and file choices of the windows as message boxes and file dialogs, centred on
// `parent` (the main window) when there is one. GUI thread only; each call blocks in its own
// modal loop until the user has answered.
class CQtDialogs : public IUiDialogs {
  public:
    explicit CQtDialogs(QWidget* parent = nullptr) : m_pParent(parent) {}
    void SetParent(QWidget* parent) { m_pParent = parent; }

    void Message(const std::string& text, const std::string& caption = {}) override;
    void Summary(const std::vector<CRunSummaryRow>& rows, const std::string& caption) override;
    bool MessageOnce(const std::string& text, const std::string& caption,
                     const std::string& checkText) override;
    PromptAnswer YesNo(const std::string& text) override;
    YesNoCancel AskYesNoCancel(const std::string& text) override;
    bool OkCancel(const std::string& text) override;
    PromptAnswer AbortRetryIgnore(const std::string& text) override;
    // The desktop's own file dialogs where the platform has them (a portal or the desktop's
    // theme), Qt's otherwise.
    // An existing file; the filter of `kind` is preselected, "All (*.*)" offered beside it.
    std::optional<std::string> OpenFile(FileKind kind, const std::string& folder) override;
    // Asks before replacing a file; a name without a dot gets the extension of `kind`, and is
    // asked about again when that makes it the name of a file that is there.
    std::optional<std::string> SaveFile(FileKind kind, const std::string& title,
                                        const std::string& folder) override;
    // A folder or a file, in Qt's own dialog: the desktop's dialogs choose either folders or
    // files, and a location may be both. "Choose" takes what is selected, or else the folder
    // shown.
    std::optional<std::string> ChooseLocation(const std::string& start) override;
    // The password prompt, which names the site below its question.
    std::optional<std::string> FtpPassword(const std::string& site) override;

  private:
    QPointer<QWidget> m_pParent;
};

}  // namespace tv
