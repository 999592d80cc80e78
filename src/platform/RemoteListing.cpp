#include "platform/RemoteListing.h"

#include <array>
#include <cctype>
#include <charconv>
#include <string>
#include <vector>

namespace tv {
namespace {

constexpr uint64_t kTicksPerDay = 86'400 * kTicksPerSecond;

bool ToNumber(std::string_view text, uint64_t& value) {
    if (text.empty()) {
        return false;
    }
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool IsNumber(std::string_view text) {
    uint64_t ignored = 0;
    return ToNumber(text, ignored);
}

bool ToInt(std::string_view text, int& value) {
    uint64_t n = 0;
    if (!ToNumber(text, n) || n > 100'000) {
        return false;
    }
    value = static_cast<int>(n);
    return true;
}

bool ValidCalendar(const CCalendarTime& c) {
    return c.year >= 1601 && c.year <= 9999 && c.month >= 1 && c.month <= 12 && c.day >= 1 &&
           c.day <= 31 && c.hour < 24 && c.minute < 60 && c.second <= 60;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

// Splits off the lines, without their "\r\n" or "\n".
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

// The next run of non-blank characters; `text` moves past it and the blanks after it.
std::string_view NextField(std::string_view& text) {
    size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        text = {};
        return {};
    }
    text.remove_prefix(start);
    size_t end = text.find(' ');
    std::string_view field = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end);
    size_t next = text.find_first_not_of(' ');
    text = next == std::string_view::npos ? std::string_view() : text.substr(next);
    return field;
}

bool SafeName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

void ParseMlsdLine(std::string_view line, CRemoteListing& listing) {
    size_t space = line.find(' ');
    if (space == std::string_view::npos) {
        return;
    }
    CRemoteEntry entry;
    entry.m_name = std::string(line.substr(space + 1));
    std::string_view facts = line.substr(0, space);
    while (!facts.empty()) {
        size_t semi = facts.find(';');
        std::string_view fact = facts.substr(0, semi);
        facts = semi == std::string_view::npos ? std::string_view() : facts.substr(semi + 1);
        size_t eq = fact.find('=');
        if (eq == std::string_view::npos) {
            continue;
        }
        std::string key = Lower(fact.substr(0, eq));
        std::string_view value = fact.substr(eq + 1);
        if (key == "type") {
            std::string type = Lower(value);
            if (type == "cdir" || type == "pdir") {
                return;
            }
            entry.m_type = type == "file"  ? EntryType::File
                           : type == "dir" ? EntryType::Folder
                                           : EntryType::Other;
        } else if (key == "size") {
            ToNumber(value, entry.m_size);
        } else if (key == "modify" && ParseFtpTime(value, entry.m_lastWrite)) {
            entry.m_timeKind = RemoteTimeKind::Utc;
        }
    }
    AddRemoteEntry(std::move(entry), listing);
}

int MonthOf(std::string_view name) {
    static constexpr std::array<std::string_view, 12> kMonths = {
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    std::string lower = Lower(name);
    for (size_t i = 0; i < kMonths.size(); ++i) {
        if (lower == kMonths[i]) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

// "HH:MM", with "AM"/"PM" allowed after it (the DOS form).
bool ParseClock(std::string_view text, CCalendarTime& c) {
    bool pm = false;
    bool twelveHour = false;
    if (text.size() > 2) {
        std::string suffix = Lower(text.substr(text.size() - 2));
        if (suffix == "am" || suffix == "pm") {
            twelveHour = true;
            pm = suffix == "pm";
            text.remove_suffix(2);
        }
    }
    size_t colon = text.find(':');
    if (colon == std::string_view::npos || !ToInt(text.substr(0, colon), c.hour) ||
        !ToInt(text.substr(colon + 1), c.minute)) {
        return false;
    }
    if (twelveHour) {
        if (c.hour < 1 || c.hour > 12) {
            return false;
        }
        c.hour = c.hour % 12 + (pm ? 12 : 0);
    }
    return true;
}

// "Mon DD HH:MM" or "Mon DD YYYY".
bool ParseUnixDate(std::string_view month, std::string_view day, std::string_view yearOrTime,
                   FileTime now, FileTime& time) {
    CCalendarTime c;
    c.month = MonthOf(month);
    if (c.month == 0 || !ToInt(day, c.day)) {
        return false;
    }
    bool hasYear = yearOrTime.find(':') == std::string_view::npos;
    if (hasYear) {
        if (!ToInt(yearOrTime, c.year)) {
            return false;
        }
    } else {
        c.year = CalendarFromFileTime(now).year;
        if (!ParseClock(yearOrTime, c)) {
            return false;
        }
    }
    if (!ValidCalendar(c)) {
        return false;
    }
    time = FileTimeFromCalendar(c);
    if (!hasYear && time > now + kTicksPerDay && c.year > 1601) {
        --c.year;
        time = FileTimeFromCalendar(c);
    }
    return true;
}

// "-rw-r--r-- 1 owner group 1234 Jan  2 10:00 name"; the owner and group may be missing.
bool ParseUnixLine(std::string_view line, FileTime now, CRemoteListing& listing) {
    if (line.empty() || std::string_view("-dlbcps").find(line[0]) == std::string_view::npos) {
        return false;
    }
    std::vector<std::string_view> fields;
    std::string_view rest = line;
    // Up to the date: mode, links, owner, group, size, month, day, year-or-time.
    while (fields.size() < 8 && !rest.empty()) {
        fields.push_back(NextField(rest));
        // The date is found by its month: the fields before it vary between servers.
        if (fields.size() >= 4 && MonthOf(fields[fields.size() - 3]) != 0 &&
            IsNumber(fields[fields.size() - 2]) && IsNumber(fields[fields.size() - 4])) {
            break;
        }
    }
    size_t n = fields.size();
    CRemoteEntry entry;
    if (n < 5 || rest.empty() || !ToNumber(fields[n - 4], entry.m_size) ||
        !ParseUnixDate(fields[n - 3], fields[n - 2], fields[n - 1], now, entry.m_lastWrite)) {
        return false;
    }
    entry.m_timeKind = RemoteTimeKind::LocalWall;
    entry.m_type = line[0] == '-'   ? EntryType::File
                   : line[0] == 'd' ? EntryType::Folder
                                    : EntryType::Other;
    std::string_view name = rest;
    if (line[0] == 'l') {
        name = name.substr(0, name.find(" -> "));
    }
    entry.m_name = std::string(name);
    AddRemoteEntry(std::move(entry), listing);
    return true;
}

// "01-02-24  10:00AM       <DIR>          name" or "01-02-2024  10:00  1234 name".
bool ParseDosLine(std::string_view line, CRemoteListing& listing) {
    std::string_view rest = line;
    std::string_view date = NextField(rest);
    std::string_view clock = NextField(rest);
    std::string_view sizeOrDir = NextField(rest);
    CCalendarTime c;
    if (date.size() < 8 || (date[2] != '-' && date[2] != '/') || date[5] != date[2] ||
        !ToInt(date.substr(0, 2), c.month) || !ToInt(date.substr(3, 2), c.day) ||
        !ToInt(date.substr(6), c.year) || !ParseClock(clock, c) || rest.empty()) {
        return false;
    }
    if (date.size() == 8) {
        c.year += c.year < 70 ? 2000 : 1900;
    }
    CRemoteEntry entry;
    if (Lower(sizeOrDir) == "<dir>") {
        entry.m_type = EntryType::Folder;
    } else if (ToNumber(sizeOrDir, entry.m_size)) {
        entry.m_type = EntryType::File;
    } else {
        return false;
    }
    if (!ValidCalendar(c)) {
        return false;
    }
    entry.m_lastWrite = FileTimeFromCalendar(c);
    entry.m_timeKind = RemoteTimeKind::LocalWall;
    entry.m_name = std::string(rest);
    AddRemoteEntry(std::move(entry), listing);
    return true;
}

}  // namespace

bool ParseFtpTime(std::string_view text, FileTime& time) {
    std::string_view whole = text.substr(0, text.find('.'));
    CCalendarTime c;
    if (whole.size() != 14 || !ToInt(whole.substr(0, 4), c.year) ||
        !ToInt(whole.substr(4, 2), c.month) || !ToInt(whole.substr(6, 2), c.day) ||
        !ToInt(whole.substr(8, 2), c.hour) || !ToInt(whole.substr(10, 2), c.minute) ||
        !ToInt(whole.substr(12, 2), c.second) || !ValidCalendar(c)) {
        return false;
    }
    uint64_t fraction = 0;
    if (whole.size() < text.size()) {
        std::string_view digits = text.substr(whole.size() + 1);
        if (digits.empty() || digits.size() > 7 || !ToNumber(digits, fraction)) {
            return false;
        }
        for (size_t i = digits.size(); i < 7; ++i) {
            fraction *= 10;
        }
    }
    time = FileTimeFromCalendar(c) + fraction;
    return true;
}

void AddRemoteEntry(CRemoteEntry entry, CRemoteListing& listing) {
    const std::string& name = entry.m_name;
    if ((name == "." || name == "..") && entry.m_type == EntryType::Folder) {
        return;
    }
    if (!SafeName(name)) {
        listing.m_refused.push_back(name);
        return;
    }
    if (IsRemoteTempName(name)) {
        return;
    }
    listing.m_entries.push_back(std::move(entry));
}

void ParseMlsd(std::string_view text, CRemoteListing& listing) {
    for (std::string_view line : Lines(text)) {
        ParseMlsdLine(line, listing);
    }
}

void ParseList(std::string_view text, FileTime now, CRemoteListing& listing) {
    for (std::string_view line : Lines(text)) {
        if (!ParseUnixLine(line, now, listing)) {
            ParseDosLine(line, listing);
        }
    }
}

}  // namespace tv
