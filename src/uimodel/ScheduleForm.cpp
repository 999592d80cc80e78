#include "uimodel/ScheduleForm.h"

#include <array>
#include <bitset>
#include <charconv>
#include <optional>
#include <sstream>

namespace tv {

namespace {

std::vector<std::string> Fields(const std::string& timing) {
    std::istringstream in(timing);
    std::vector<std::string> fields;
    for (std::string field; in >> field;) {
        fields.push_back(field);
    }
    return fields;
}

std::optional<int> Number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// "*/N" gives N.
std::optional<int> Step(std::string_view text) {
    return text.rfind("*/", 0) == 0 ? Number(text.substr(2)) : std::nullopt;
}

unsigned WeekDays(std::string_view text) {
    unsigned days = 0;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const auto day = Number(text.substr(0, comma));
        if (!day || *day < 0 || *day > 6) {
            return 0;
        }
        days |= 1u << *day;
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    return days;
}

// The form the fields seem to be; WriteScheduleForm decides whether they are exactly that.
CScheduleForm GuessForm(const std::vector<std::string>& f, int onlyYear) {
    CScheduleForm form;
    const auto n = [&f](size_t i) { return Number(f[i]).value_or(-1); };
    form.m_nMinute = n(0);
    form.m_nHour = n(1);
    if (onlyYear != 0) {
        form.m_kind = ScheduleKind::Once;
        form.m_nDay = n(2);
        form.m_nMonth = n(3);
        form.m_nYear = onlyYear;
    } else if (const auto every = Step(f[0])) {
        form.m_kind = ScheduleKind::EveryMinutes;
        form.m_nEvery = *every;
        form.m_nMinute = 0;
    } else if (const auto hours = Step(f[1])) {
        form.m_kind = ScheduleKind::EveryHours;
        form.m_nEvery = *hours;
        form.m_nHour = 0;
    } else if (f[4] != "*") {
        form.m_kind = ScheduleKind::Weekly;
        form.m_nDays = WeekDays(f[4]);
    } else if (f[2] != "*") {
        form.m_kind = ScheduleKind::Monthly;
        form.m_nDay = n(2);
    } else {
        form.m_kind = ScheduleKind::Daily;
    }
    return form;
}

std::string WeekDayList(unsigned days) {
    std::string list;
    for (int day = 0; day < 7; ++day) {
        if (days & (1u << day)) {
            list += (list.empty() ? "" : ",") + std::to_string(day);
        }
    }
    return list;
}

}  // namespace

CScheduleForm ReadScheduleForm(const CScheduleTiming& timing) {
    CScheduleForm other;
    other.m_kind = ScheduleKind::Other;
    other.m_strText = timing.m_strTiming;
    other.m_nYear = timing.m_nOnlyYear;
    CScheduleForm form;
    if (timing.m_strTiming == "@reboot" && timing.m_nOnlyYear == 0) {
        form.m_kind = ScheduleKind::AtStartup;
        return form;
    }
    const std::vector<std::string> fields = Fields(timing.m_strTiming);
    if (fields.size() != 5) {
        return other;
    }
    form = GuessForm(fields, timing.m_nOnlyYear);
    const CScheduleTiming again = WriteScheduleForm(form);
    const bool same =
        again.m_strTiming == timing.m_strTiming && again.m_nOnlyYear == timing.m_nOnlyYear;
    return same && IsValidScheduleForm(form) ? form : other;
}

CScheduleTiming WriteScheduleForm(const CScheduleForm& form) {
    const std::string at = std::to_string(form.m_nMinute) + " " + std::to_string(form.m_nHour);
    switch (form.m_kind) {
        case ScheduleKind::Once:
            return {
                at + " " + std::to_string(form.m_nDay) + " " + std::to_string(form.m_nMonth) + " *",
                form.m_nYear};
        case ScheduleKind::EveryMinutes:
            return {"*/" + std::to_string(form.m_nEvery) + " * * * *"};
        case ScheduleKind::EveryHours:
            return {std::to_string(form.m_nMinute) + " */" + std::to_string(form.m_nEvery) +
                    " * * *"};
        case ScheduleKind::Daily:
            return {at + " * * *"};
        case ScheduleKind::Weekly:
            return {at + " * * " + WeekDayList(form.m_nDays)};
        case ScheduleKind::Monthly:
            return {at + " " + std::to_string(form.m_nDay) + " * *"};
        case ScheduleKind::AtStartup:
            return {"@reboot"};
        case ScheduleKind::Other:
            break;
    }
    return {form.m_strText, form.m_nYear};
}

bool IsValidScheduleForm(const CScheduleForm& form) {
    const bool time =
        form.m_nHour >= 0 && form.m_nHour <= 23 && form.m_nMinute >= 0 && form.m_nMinute <= 59;
    switch (form.m_kind) {
        case ScheduleKind::Once: {
            std::tm day{};
            day.tm_year = form.m_nYear - 1900;
            day.tm_mon = form.m_nMonth - 1;
            day.tm_mday = form.m_nDay;
            day.tm_hour = 12;
            day.tm_isdst = -1;
            const bool inRange = form.m_nYear >= 1970 && form.m_nYear <= 9999 &&
                                 form.m_nMonth >= 1 && form.m_nMonth <= 12 && form.m_nDay >= 1;
            return time && inRange && std::mktime(&day) != -1 && day.tm_mday == form.m_nDay;
        }
        case ScheduleKind::EveryMinutes:
            return form.m_nEvery >= 1 && form.m_nEvery <= 59;
        case ScheduleKind::EveryHours:
            return time && form.m_nEvery >= 1 && form.m_nEvery <= 23;
        case ScheduleKind::Daily:
            return time;
        case ScheduleKind::Weekly:
            return time && form.m_nDays != 0 && form.m_nDays < 0x80;
        case ScheduleKind::Monthly:
            return time && form.m_nDay >= 1 && form.m_nDay <= 31;
        case ScheduleKind::AtStartup:
            return true;
        case ScheduleKind::Other:
            return !form.m_strText.empty();
    }
    return false;
}

}  // namespace tv
