#pragma once

#include <string>

#include "report/TaskLogSummary.h"

namespace tv {

class CElement;
struct CRunEnvironment;
struct CSmtpAccount;

// The e-mail report of a run that has ended: sent when the task asks for it and its condition
// holds (errors, always, or files copied). Failures and refused recipients become error lines
// of the run's last target, so that the log written next lists them. True when sent or not
// due. On the run's worker, before the log is written out; blocks on the network for at most
// the client's time-outs; gives way to the run's cancel.
bool SendMailReport(CElement& task, const CRunTexts& texts, const CSmtpAccount& account);

// The network message of a run that has ended, when its condition holds. True when shown or
// not due; a message that cannot be delivered adds an error line saying why. On the run's
// worker; blocks for a few seconds at most.
bool SendNetworkMessage(CElement& task);

// Both of them, as the task's switches say, at the end of a run that was not canceled. The
// mail server settings come from the run's profile (none: the user's).
void SendRunNotices(CElement& task, const CRunTexts& texts, const CRunEnvironment& env);

// The settings page's test: a mail with the subject and body "Test message" from the task's
// mail settings. Empty when sent, else why not. Blocks on the network (GUI helper thread).
std::string SendTestMail(const CElement& task, const CSmtpAccount& account);

}  // namespace tv
