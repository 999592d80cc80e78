#include "platform/CronJobs.h"

#include <cctype>
#include <sstream>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Crontab.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

namespace tv {

namespace {

constexpr std::string_view kTagLead = " # ";
constexpr std::string_view kYearLead = "[ \"$(date +\\%Y)\" = ";
constexpr std::string_view kYearEnd = " ] && ";
// cron reads at most about a thousand characters of a command; a longer one would be cut
// inside its quotes, so such a job is refused instead.
constexpr size_t kMaxCommand = 900;
// Someone else who keeps editing the crontab wins after this many tries.
constexpr int kEditAttempts = 5;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// Our names only: "Synch", a task part of digits and blanks, ".job".
bool IsJobName(std::string_view name) {
    if (name.size() < 10 || !EqualsNoCase(name.substr(0, 5), "Synch") ||
        !EqualsNoCase(name.substr(name.size() - 4), ".job")) {
        return false;
    }
    const std::string_view part = name.substr(5, name.size() - 9);
    bool digit = false;
    for (const char c : part) {
        if (c != ' ' && !std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
        digit = digit || c != ' ';
    }
    return digit;
}

std::string_view SkipBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

std::string_view TakeWord(std::string_view& text) {
    text = SkipBlanks(text);
    size_t end = 0;
    while (end < text.size() && !IsBlank(text[end])) {
        ++end;
    }
    const std::string_view word = text.substr(0, end);
    text.remove_prefix(end);
    return word;
}

// The five fields, or an "@" word, with single blanks between the fields.
std::string TakeTiming(std::string_view& body) {
    std::string timing(TakeWord(body));
    if (timing.empty() || timing.front() == '@') {
        return timing;
    }
    for (int field = 1; field < 5; ++field) {
        const std::string_view word = TakeWord(body);
        if (word.empty()) {
            return {};
        }
        timing += ' ';
        timing += word;
    }
    return timing;
}

int TakeYearGuard(std::string_view& body) {
    if (body.rfind(kYearLead, 0) != 0) {
        return 0;
    }
    std::string_view rest = body.substr(kYearLead.size());
    int year = 0;
    size_t digits = 0;
    while (digits < rest.size() && digits < 5 &&
           std::isdigit(static_cast<unsigned char>(rest[digits]))) {
        year = year * 10 + (rest[digits++] - '0');
    }
    rest.remove_prefix(digits);
    if (digits == 0 || rest.rfind(kYearEnd, 0) != 0) {
        return 0;
    }
    body = rest.substr(kYearEnd.size());
    return year;
}

// The crontab's lines with their line ends; the last one may have none.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const size_t length = end == std::string_view::npos ? text.size() : end + 1;
        lines.push_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return lines;
}

std::string_view WithoutLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') {
        line.remove_suffix(1);
    }
    return line;
}

}  // namespace

std::string SchedulerJobName(const std::string& taskPart) {
    return "Synch" + taskPart + ".job";
}

std::string CronQuote(std::string_view argument) {
    std::string quoted = "'";
    for (const char c : argument) {
        if (c == '\'') {
            quoted += "'\\''";
        } else if (c == '%') {
            // Outside the quotes, so that a backslash of the argument never pairs with ours.
            quoted += "'\\%'";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::optional<std::string> SchedulerJobCommand(const std::string& program,
                                               const std::string& listPath,
                                               const std::string& taskPart) {
    for (const std::string* text : {&program, &listPath, &taskPart}) {
        if (text->find_first_of(std::string_view("\n\r\0", 3)) != std::string::npos) {
            return std::nullopt;
        }
    }
    std::string command = CronQuote(program) + " --scheduled " + CronQuote("/f:" + listPath);
    std::istringstream ids(taskPart);
    for (std::string id; ids >> id;) {
        command += " " + CronQuote(id);
    }
    if (command.size() > kMaxCommand) {
        return std::nullopt;
    }
    return command;
}

std::string CronLine(const CCronJob& job) {
    std::string line = job.m_strTiming + " ";
    if (job.m_nOnlyYear != 0) {
        line += std::string(kYearLead) + std::to_string(job.m_nOnlyYear) + std::string(kYearEnd);
    }
    return line + job.m_strCommand + std::string(kTagLead) + job.m_strName;
}

std::optional<CCronJob> ParseCronLine(std::string_view line) {
    line = WithoutLineEnd(line);
    const size_t tag = line.rfind(kTagLead);
    if (tag == std::string_view::npos || !IsJobName(line.substr(tag + kTagLead.size()))) {
        return std::nullopt;
    }
    CCronJob job;
    job.m_strName = line.substr(tag + kTagLead.size());
    std::string_view body = SkipBlanks(line.substr(0, tag));
    if (body.empty() || body.front() == '#') {
        return std::nullopt;
    }
    job.m_strTiming = TakeTiming(body);
    if (job.m_strTiming.empty()) {
        return std::nullopt;
    }
    body = SkipBlanks(body);
    job.m_nOnlyYear = TakeYearGuard(body);
    job.m_strCommand = body;
    if (job.m_strCommand.empty()) {
        return std::nullopt;
    }
    return job;
}

CronEdit CCronJobs::Edit(const std::function<std::string(const std::string&)>& change) {
    m_strError.clear();
    const std::string lockPath = m_crontab.LockPath();
    IFileSystem& fs = LocalFileSystem();
    EnsureFolder(fs, lockPath.substr(0, lockPath.rfind('/')));
    CFileLock lock(fs, lockPath);
    if (!lock.IsLocked()) {
        m_strError = lock.Error();
        return CronEdit::LockFailed;
    }
    std::string text;
    if (!m_crontab.Read(text, m_strError)) {
        return CronEdit::ReadFailed;
    }
    for (int attempt = 0; attempt < kEditAttempts; ++attempt) {
        const std::string changed = change(text);
        if (changed == text) {
            return CronEdit::Done;
        }
        std::string now;
        if (!m_crontab.Read(now, m_strError)) {
            return CronEdit::ReadFailed;
        }
        if (now != text) {
            text = std::move(now);
            continue;
        }
        return m_crontab.Write(changed, m_strError) ? CronEdit::Done : CronEdit::WriteFailed;
    }
    m_strError = "the crontab kept changing while it was being edited";
    return CronEdit::KeptChanging;
}

CronEdit CCronJobs::Find(const std::string& name, std::optional<CCronJob>& job) {
    job.reset();
    m_strError.clear();
    std::string text;
    if (!m_crontab.Read(text, m_strError)) {
        return CronEdit::ReadFailed;
    }
    for (const std::string_view line : SplitLines(text)) {
        auto found = ParseCronLine(line);
        if (found && EqualsNoCase(found->m_strName, name)) {
            job = std::move(found);
            break;
        }
    }
    return CronEdit::Done;
}

bool IsCronTiming(std::string_view timing) {
    if (timing.empty()) {
        return false;
    }
    for (const char c : timing) {
        if (!std::isalnum(static_cast<unsigned char>(c)) &&
            std::string_view("*,-/ @").find(c) == std::string_view::npos) {
            return false;
        }
    }
    std::string_view rest = timing;
    if (timing.front() == '@') {
        return TakeWord(rest) == timing;
    }
    std::string copy = TakeTiming(rest);
    return copy == timing && SkipBlanks(rest).empty();
}

CronEdit CCronJobs::Save(const CCronJob& job) {
    if (!IsCronTiming(job.m_strTiming) || !IsJobName(job.m_strName) || job.m_strCommand.empty() ||
        job.m_strCommand.find('\n') != std::string::npos) {
        m_strError = "the job cannot be written as a line of the crontab";
        return CronEdit::BadJob;
    }
    return Edit([&job](const std::string& text) {
        std::string result;
        bool saved = false;
        for (const std::string_view line : SplitLines(text)) {
            const auto old = saved ? std::nullopt : ParseCronLine(line);
            if (old && EqualsNoCase(old->m_strName, job.m_strName)) {
                CCronJob kept = *old;
                kept.m_strTiming = job.m_strTiming;
                kept.m_nOnlyYear = job.m_nOnlyYear;
                result += CronLine(kept);
                result += line.back() == '\n' ? "\n" : "";
                saved = true;
            } else {
                result += line;
            }
        }
        if (!saved) {
            if (!result.empty() && result.back() != '\n') {
                result += '\n';
            }
            result += CronLine(job) + "\n";
        }
        return result;
    });
}

CronEdit CCronJobs::Remove(const std::string& name, std::string_view commandPart) {
    return Edit([&](const std::string& text) {
        std::string result;
        for (const std::string_view line : SplitLines(text)) {
            const auto job = ParseCronLine(line);
            if (!job || !EqualsNoCase(job->m_strName, name) ||
                job->m_strCommand.find(commandPart) == std::string::npos) {
                result += line;
            }
        }
        return result;
    });
}

}  // namespace tv
