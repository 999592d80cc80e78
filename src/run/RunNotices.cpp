#include "run/RunNotices.h"

#include <algorithm>
#include <chrono>

#include "base/StringTable.h"
#include "platform/Notify.h"
#include "platform/Profile.h"
#include "platform/TcpSocket.h"
#include "report/MailMessage.h"
#include "report/Smtp.h"
#include "report/SmtpAccount.h"
#include "run/TaskRunner.h"
#include "task/Element.h"

namespace tv {

namespace {

constexpr int kDefaultSmtpPort = 25;
// Somebody waits for the test at the settings page.
constexpr auto kTestTimeout = std::chrono::seconds(10);

// The values of m_nMailWhen and m_nNetSendWhen.
enum NoticeWhen : int { kIfErrors = 0, kAlways = 1, kIfCopied = 2 };

struct CRunCounts {
    size_t m_nErrors = 0;
    size_t m_nCopied = 0;
};

CRunCounts CountRun(const CElement& task) {
    return {task.m_Run.Count(CTaskInfor::Errors),
            task.m_Run.Count(CTaskInfor::CopiedFromSource) +
                task.m_Run.Count(CTaskInfor::CopiedFromTarget)};
}

bool IsDue(int when, const CRunCounts& counts) {
    return (when != kIfErrors || counts.m_nErrors > 0) &&
           (when != kIfCopied || counts.m_nCopied > 0);
}

class CStringSink final : public ILogSink {
  public:
    void Put(std::string_view line) override { m_text.append(line); }
    std::string m_text;
};

std::string ReportSubject(const CElement& task) {
    const int id = task.m_nMailWhen == kIfErrors ? IDS_MAIL_ERROR_REPORT
                   : task.m_nMailContent == 1    ? IDS_MAIL_FULL_REPORT
                                                 : IDS_MAIL_SUMMARY_REPORT;
    return FormatText(LoadString(id).c_str(), task.m_strName.c_str(), task.m_nTaskId);
}

// Sends one message; the error text, or empty. Refused recipients are warned about in
// `warnings`.
std::string Deliver(const CElement& task, CMailMessage& message, const CSmtpAccount& account,
                    std::vector<std::string>* warnings, std::chrono::seconds replyTimeout) {
    CSMTP smtp(task.m_strSmtpServer, kDefaultSmtpPort, account);
    smtp.SetTimeouts(std::min<std::chrono::milliseconds>(CSMTP::kConnectTimeout, replyTimeout),
                     replyTimeout);
    smtp.SetCancelCheck([&task] { return task.m_Run.CancelRequested(); });
    message.m_strFrom = task.m_strMailFrom;
    const bool parsed = message.AddRecipients(task.m_strMailTo);
    const bool sent = smtp.Connect() && smtp.SendMessage(message);
    *warnings = smtp.RecipientWarnings();
    smtp.Disconnect();
    if (!parsed) {
        warnings->push_back(
            FormatText(LoadString(IDS_MAIL_BAD_RECIPIENT).c_str(), task.m_strMailTo.c_str()));
    }
    return sent ? std::string() : smtp.GetLastError();
}

}  // namespace

bool SendMailReport(CElement& task, const CRunTexts& texts, const CSmtpAccount& account) {
    if (!IsDue(task.m_nMailWhen, CountRun(task))) {
        return true;
    }
    CMailMessage message;
    message.m_strSubject = ReportSubject(task);
    CStringSink body;
    BuildSummary(task, texts, body, LogForm::Text,
                 task.m_nMailContent == 1 ? SummaryForm::Full : SummaryForm::SummaryOnly);
    message.m_strBody = std::move(body.m_text);
    std::vector<std::string> warnings;
    const std::string error = Deliver(task, message, account, &warnings, CSMTP::kReplyTimeout);
    for (std::string& line : warnings) {
        task.m_Run.RecordError(std::move(line));
    }
    if (!error.empty()) {
        task.m_Run.RecordError(error);
    }
    return error.empty();
}

bool SendNetworkMessage(CElement& task) {
    const CRunCounts counts = CountRun(task);
    if (!IsDue(task.m_nNetSendWhen, counts)) {
        return true;
    }
    const int textId = counts.m_nErrors > 0 ? IDS_TASK_FINISHED_ERRORS : IDS_TASK_FINISHED_OK;
    const std::string text = FormatText(LoadString(textId).c_str(), task.m_strName.c_str());
    std::string error;
    switch (SendNetMessage(task.m_strNetSendTo, text, &error)) {
        case NetMessageResult::Shown:
            return true;
        case NetMessageResult::NotThisComputer:
            task.m_Run.RecordError(FormatText(LoadString(IDS_NETSEND_NOT_LOCAL).c_str(),
                                              task.m_strNetSendTo.c_str(),
                                              LocalHostName().c_str()));
            return false;
        case NetMessageResult::Failed:
            break;
    }
    task.m_Run.RecordError(FormatText(LoadString(IDS_NETSEND_FAILED).c_str(), error.c_str()));
    return false;
}

void SendRunNotices(CElement& task, const CRunTexts& texts, const CRunEnvironment& env) {
    if (task.m_bMailReport) {
        const CProfile userProfile(env.m_fs);
        SendMailReport(task, texts,
                       LoadSmtpAccount(env.m_pProfile ? *env.m_pProfile : userProfile));
    }
    if (task.m_bNetSend) {
        SendNetworkMessage(task);
    }
}

std::string SendTestMail(const CElement& task, const CSmtpAccount& account) {
    CMailMessage message;
    message.m_strSubject = LoadString(IDS_TEST_MESSAGE);
    message.m_strBody = LoadString(IDS_TEST_MESSAGE);
    std::vector<std::string> warnings;
    std::string error = Deliver(task, message, account, &warnings, kTestTimeout);
    for (const std::string& line : warnings) {
        error += (error.empty() ? "" : "\n") + line;
    }
    return error;
}

}  // namespace tv
