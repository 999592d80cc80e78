#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "task/TaskObserver.h"
#include "uimodel/RunSummary.h"

namespace tv {

// A message as the windows show it: its text first, then line by line what it concerns and
// why (a path, the system's reason); empty details are left out.
inline std::string DetailedMessage(std::string text, std::initializer_list<std::string> details) {
    for (const std::string& detail : details) {
        if (!detail.empty()) {
            text += "\n" + detail;
        }
    }
    return text;
}

// The answers of a Yes/No/Cancel question.
enum class YesNoCancel { Yes, No, Cancel };

// What kind of file a file dialog is for: the filter it offers and the extension a name
// without a dot gets.
enum class FileKind { TaskList, KeyFile, Certificate, WebPage, Skin, AnyFile };

// The questions and choices a window puts to the user. The widgets answer them with modal
// boxes and file dialogs; tests answer them from a script. GUI thread only; blocks until the
// user has answered.
class IUiDialogs {
  public:
    virtual ~IUiDialogs() = default;
    virtual void Message(const std::string& text, const std::string& caption = {}) = 0;
    // The box after several runs, one row per run. Shown as text unless a window lays it out.
    virtual void Summary(const std::vector<CRunSummaryRow>& rows, const std::string& caption) {
        Message(SummaryText(rows), caption);
    }
    // A message with the check box "Don't show this message again"; true when it was ticked.
    // Shown as a plain message where no box can carry a check box.
    virtual bool MessageOnce(const std::string& text, const std::string& caption,
                             const std::string& /*checkText*/) {
        Message(text, caption);
        return false;
    }
    virtual PromptAnswer YesNo(const std::string& text) = 0;
    virtual YesNoCancel AskYesNoCancel(const std::string& text) = 0;
    virtual bool OkCancel(const std::string& text) = 0;
    virtual PromptAnswer AbortRetryIgnore(const std::string& text) = 0;
    // A file to open, in `folder` first; nothing when the user canceled.
    virtual std::optional<std::string> OpenFile(FileKind kind, const std::string& folder) = 0;
    // A file to save to (the overwrite question included); nothing when canceled.
    virtual std::optional<std::string> SaveFile(FileKind kind, const std::string& title,
                                                const std::string& folder) = 0;
    // A folder or file for a location field ("Select a Directory / File").
    virtual std::optional<std::string> ChooseLocation(const std::string& start) = 0;
    // The password of the FTP site `site` ("(FTP)name"); nothing when canceled. A window
    // that cannot ask has nobody to answer.
    virtual std::optional<std::string> FtpPassword(const std::string& /*site*/) {
        return std::nullopt;
    }
};

}  // namespace tv
