#include "app/Terminal.h"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <ostream>

#include "base/StringTable.h"
#include "task/Element.h"

namespace tv {

namespace {

constexpr int kBarWidth = 30;

std::string FirstLetterAnswer(CTerminal& terminal, const std::string& question,
                              const std::string& letters) {
    for (;;) {
        const std::string answer = terminal.Ask(question);
        if (answer.empty()) {
            return {};
        }
        const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(answer[0])));
        if (letters.find(letter) != std::string::npos) {
            return std::string(1, letter);
        }
    }
}

}  // namespace

void CTerminal::ClearBar() {
    if (m_bBarShown) {
        m_err << "\r\033[K";
        m_bBarShown = false;
    }
}

void CTerminal::Line(const std::string& text) {
    std::lock_guard lock(m_mutex);
    ClearBar();
    m_err << text << '\n' << std::flush;
}

void CTerminal::Bar(const std::string& label, int percent) {
    if (!m_bTty) {
        return;
    }
    const int filled = std::clamp(percent, 0, 100) * kBarWidth / 100;
    std::lock_guard lock(m_mutex);
    m_err << "\r\033[K" << label << '[' << std::string(size_t(filled), '#')
          << std::string(size_t(kBarWidth - filled), ' ') << "] " << percent << '%' << std::flush;
    m_bBarShown = true;
}

std::string CTerminal::Ask(const std::string& question) {
    std::lock_guard lock(m_mutex);
    ClearBar();
    m_err << question << ' ' << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        m_err << '\n';
        return {};
    }
    return answer;
}

std::optional<std::string> CTerminal::AskSecret(const std::string& question) {
    std::lock_guard lock(m_mutex);
    ClearBar();
    m_err << question << ' ' << std::flush;
    std::string answer;
    bool read = false;
    {
        CEchoOff hidden(0);
        read = static_cast<bool>(std::getline(std::cin, answer));
    }
    m_err << '\n' << std::flush;
    return read ? std::optional(answer) : std::nullopt;
}

void CTerminalObserver::Status(int stringId) {
    if (!m_bSilent) {
        m_terminal.Line(m_strPrefix + LoadString(stringId));
    }
}

void CTerminalObserver::CopyProgress(int percent) {
    if (!m_bSilent && percent > 0) {
        m_terminal.Bar(m_strPrefix, percent);
    }
}

// A burn takes minutes: a line for each tenth, with the speed the recorder reached.
void CTerminalObserver::BurnProgress(int percent, int kiloBytesPerSecond) {
    const int step = percent / 10;
    if (m_bSilent || step == m_nBurnStep) {
        return;
    }
    m_nBurnStep = step;
    m_terminal.Line(m_strPrefix + FormatText(LoadString(IDS_DISC_BURN_PROGRESS).c_str(), percent,
                                             kiloBytesPerSecond));
}

void CTerminalObserver::AddError(const std::string& line) {
    m_terminal.Line(m_strPrefix + "error: " + line);
}

void CTerminalObserver::AddDetail(const std::string& line) {
    if (!m_bSilent) {
        m_terminal.Line(m_strPrefix + line);
    }
}

PromptAnswer CTerminalPrompter::AbortRetryIgnore(const std::string& message) {
    const std::string letter =
        FirstLetterAnswer(m_terminal, message + "\n[A]bort, [R]etry or [I]gnore?", "ari");
    if (letter == "a") {
        return PromptAnswer::Abort;
    }
    if (letter == "r") {
        return PromptAnswer::Retry;
    }
    if (letter.empty()) {
        m_terminal.Line("No answer: Ignore");
    }
    return PromptAnswer::Ignore;
}

PromptAnswer CTerminalPrompter::YesNo(const std::string& message) {
    const std::string letter = FirstLetterAnswer(m_terminal, message + "\n[Y]es or [N]o?", "yn");
    if (letter.empty()) {
        m_terminal.Line("No answer: No");
    }
    return letter == "y" ? PromptAnswer::Yes : PromptAnswer::No;
}

std::optional<std::string> CTerminalPrompter::FtpPassword(const std::string& site) {
    return m_terminal.AskSecret("Password for " + site + ":");
}

std::string TaskSummary(const CElement& task) {
    size_t counts[CTaskInfor::ListCount] = {};
    for (int list = 0; list < CTaskInfor::ListCount; ++list) {
        counts[list] = task.m_Run.Count(static_cast<CTaskInfor::List>(list));
    }
    std::string text = "Task ID: " + std::to_string(task.m_nTaskId) + "(" + task.m_strName + ")";
    const RunEnd end = task.m_Run.Ending();
    text += end == RunEnd::Canceled ? " canceled"
            : end == RunEnd::Error  ? " ended on an error"
                                    : "";
    text += "\n  Files copied  (from src/from target): " +
            std::to_string(counts[CTaskInfor::CopiedFromSource]) + " / " +
            std::to_string(counts[CTaskInfor::CopiedFromTarget]);
    text += "\n  Files deleted (from src/from target): " +
            std::to_string(counts[CTaskInfor::DeletedInSource]) + " / " +
            std::to_string(counts[CTaskInfor::DeletedInTarget]);
    text += "\n  Folders created (in src/in target): " +
            std::to_string(counts[CTaskInfor::FoldersCreatedInSource]) + " / " +
            std::to_string(counts[CTaskInfor::FoldersCreatedInTarget]);
    text += "\n  Folders deleted (in src/in target): " +
            std::to_string(counts[CTaskInfor::FoldersDeletedInSource]) + " / " +
            std::to_string(counts[CTaskInfor::FoldersDeletedInTarget]);
    text += "\n  Errors: " + std::to_string(counts[CTaskInfor::Errors]);
    for (const auto& record : task.m_Run.Records()) {
        if (record) {
            record->ForEachLine(CTaskInfor::KeptFiles, [&text](std::string_view place) {
                text += "\n  Kept in: ";
                text += place;
            });
        }
    }
    return text;
}

}  // namespace tv
