#include "scan/RunPrompts.h"

#include "base/StringTable.h"
#include "scan/InvestigateJob.h"
#include "task/Element.h"

namespace tv {

namespace {

PromptAnswer Unanswered(CElement& task, const std::string& message, int textId,
                        PromptAnswer answer) {
    LogRunError(task, FormatText(LoadString(textId).c_str(), message.c_str()));
    return answer;
}

}  // namespace

PromptAnswer AskAbortRetryIgnore(CElement& task, const std::string& message) {
    ITaskPrompter* prompter = task.m_Run.Prompter();
    return prompter ? prompter->AbortRetryIgnore(message)
                    : Unanswered(task, message, IDS_UNANSWERED_IGNORE, PromptAnswer::Ignore);
}

PromptAnswer AskYesNo(CElement& task, const std::string& message) {
    ITaskPrompter* prompter = task.m_Run.Prompter();
    return prompter ? prompter->YesNo(message)
                    : Unanswered(task, message, IDS_UNANSWERED_NO, PromptAnswer::No);
}

std::optional<std::string> AskFtpPassword(CElement& task, const std::string& site) {
    ITaskPrompter* prompter = task.m_Run.Prompter();
    std::optional<std::string> password = prompter ? prompter->FtpPassword(site) : std::nullopt;
    if (!password) {
        LogRunError(task, FormatText(LoadString(IDS_NO_PASSWORD).c_str(), site.c_str()));
    }
    return password;
}

}  // namespace tv
