#pragma once

#include <optional>
#include <string>

#include "task/TaskObserver.h"

namespace tv {

class CElement;

// Every question a run puts goes through these. With no prompter nobody can answer: the answer
// is the one that changes nothing more (Ignore, No), and a line in the current target's errors
// says so. Any thread of the run (worker or investigation); blocks until the answer is known.
PromptAnswer AskAbortRetryIgnore(CElement& task, const std::string& message);
PromptAnswer AskYesNo(CElement& task, const std::string& message);
// The password of a remote site that keeps none; nothing when it was not given (then a line
// in the current target's errors says so).
std::optional<std::string> AskFtpPassword(CElement& task, const std::string& site);

}  // namespace tv
