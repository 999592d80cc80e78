#include <bitset>
#include <charconv>
#include <optional>
#include <sstream>

#include "uimodel/ScheduleForm.h"

namespace tv {

namespace {

// Far enough for a 29th of February that comes once in four years, and a little more.
constexpr int kDaysAhead = 366 * 8 + 2;

using CFieldSet = std::bitset<64>;

std::optional<int> Value(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// One item of a field: "*", "N" or "N-M", each with an optional "/STEP".
bool AddItem(std::string_view item, int low, int high, CFieldSet& set) {
    int step = 1;
    if (const size_t slash = item.find('/'); slash != std::string_view::npos) {
        const auto parsed = Value(item.substr(slash + 1));
        if (!parsed || *parsed < 1) {
            return false;
        }
        step = *parsed;
        item = item.substr(0, slash);
    }
    int first = low;
    int last = high;
    if (item != "*") {
        const size_t dash = item.find('-');
        const auto from = Value(item.substr(0, dash));
        const auto to = dash == std::string_view::npos ? from : Value(item.substr(dash + 1));
        if (!from || !to) {
            return false;
        }
        first = *from;
        last = dash == std::string_view::npos && step > 1 ? high : *to;
    }
    if (first < low || last > high || first > last) {
        return false;
    }
    for (int v = first; v <= last; v += step) {
        set.set(static_cast<size_t>(v));
    }
    return true;
}

std::optional<CFieldSet> ParseField(std::string_view field, int low, int high) {
    CFieldSet set;
    while (!field.empty()) {
        const size_t comma = field.find(',');
        if (!AddItem(field.substr(0, comma), low, high, set)) {
            return std::nullopt;
        }
        field.remove_prefix(comma == std::string_view::npos ? field.size() : comma + 1);
    }
    return set.any() ? std::optional(set) : std::nullopt;
}

std::string Expand(const std::string& timing) {
    static const std::pair<const char*, const char*> kWords[] = {
        {"@yearly", "0 0 1 1 *"}, {"@annually", "0 0 1 1 *"}, {"@monthly", "0 0 1 * *"},
        {"@weekly", "0 0 * * 0"}, {"@daily", "0 0 * * *"},    {"@midnight", "0 0 * * *"},
        {"@hourly", "0 * * * *"},
    };
    for (const auto& [word, fields] : kWords) {
        if (timing == word) {
            return fields;
        }
    }
    return timing;
}

struct CCronSets {
    CFieldSet m_minutes, m_hours, m_days, m_months, m_weekDays;
    bool m_bEitherDay = false;  // both day fields restricted: either one matching is enough

    bool DayMatches(const std::tm& day) const {
        const bool dom = m_days.test(static_cast<size_t>(day.tm_mday));
        const bool dow = m_weekDays.test(static_cast<size_t>(day.tm_wday));
        return m_months.test(static_cast<size_t>(day.tm_mon + 1)) &&
               (m_bEitherDay ? dom || dow : dom && dow);
    }
};

std::optional<CCronSets> ParseTiming(const std::string& timing) {
    std::istringstream in(Expand(timing));
    std::string f[5];
    for (std::string& field : f) {
        if (!(in >> field)) {
            return std::nullopt;
        }
    }
    std::string extra;
    if (in >> extra) {
        return std::nullopt;
    }
    auto minutes = ParseField(f[0], 0, 59);
    auto hours = ParseField(f[1], 0, 23);
    auto days = ParseField(f[2], 1, 31);
    auto months = ParseField(f[3], 1, 12);
    auto weekDays = ParseField(f[4], 0, 7);
    if (!minutes || !hours || !days || !months || !weekDays) {
        return std::nullopt;
    }
    // Sunday is 0 or 7.
    if (weekDays->test(7)) {
        weekDays->set(0);
    }
    return CCronSets{*minutes, *hours,    *days,
                     *months,  *weekDays, f[2].front() != '*' && f[4].front() != '*'};
}

}  // namespace

std::vector<std::time_t> NextStartTimes(const CScheduleTiming& timing, std::time_t after,
                                        size_t count) {
    std::vector<std::time_t> times;
    const auto sets = ParseTiming(timing.m_strTiming);
    if (!sets || count == 0) {
        return times;
    }
    std::tm start{};
    localtime_r(&after, &start);
    for (int offset = 0; offset < kDaysAhead; ++offset) {
        std::tm day{};
        day.tm_year = start.tm_year;
        day.tm_mon = start.tm_mon;
        day.tm_mday = start.tm_mday + offset;
        day.tm_hour = 12;
        day.tm_isdst = -1;
        if (std::mktime(&day) == -1) {
            break;
        }
        const int year = day.tm_year + 1900;
        if (timing.m_nOnlyYear != 0 && year > timing.m_nOnlyYear) {
            break;
        }
        if ((timing.m_nOnlyYear != 0 && year != timing.m_nOnlyYear) || !sets->DayMatches(day)) {
            continue;
        }
        for (int hour = 0; hour < 24; ++hour) {
            for (int minute = 0; sets->m_hours.test(static_cast<size_t>(hour)) && minute < 60;
                 ++minute) {
                if (!sets->m_minutes.test(static_cast<size_t>(minute))) {
                    continue;
                }
                std::tm at = day;
                at.tm_hour = hour;
                at.tm_min = minute;
                at.tm_sec = 0;
                at.tm_isdst = -1;
                const std::time_t when = std::mktime(&at);
                if (when > after) {
                    times.push_back(when);
                    if (times.size() == count) {
                        return times;
                    }
                }
            }
        }
    }
    return times;
}

}  // namespace tv
