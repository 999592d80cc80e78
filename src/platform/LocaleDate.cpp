#include "platform/LocaleDate.h"

#include <langinfo.h>
#include <locale.h>
#include <time.h>

namespace tv {

namespace {

constexpr char kPosixDateFormat[] = "%m/%d/%y";

// Made once and kept for the life of the process. A locale that is not installed falls back
// to C, as setlocale would.
locale_t UserTimeLocale() {
    static const locale_t locale = [] {
        const locale_t user = newlocale(LC_TIME_MASK, "", locale_t{});
        return user ? user : newlocale(LC_TIME_MASK, "C", locale_t{});
    }();
    return locale;
}

}  // namespace

const std::string& LocaleDateFormat() {
    static const std::string format = [] {
        const locale_t locale = UserTimeLocale();
        const char* text = locale ? nl_langinfo_l(D_FMT, locale) : nullptr;
        return std::string(text && *text ? text : kPosixDateFormat);
    }();
    return format;
}

std::string FormatDate(const std::string& format, int year, int month, int day) {
    struct tm fields {};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = 12;
    // Fills in the weekday and the day of the year, which some formats name.
    timegm(&fields);
    char text[256];
    const locale_t locale = UserTimeLocale();
    const size_t length = locale ? strftime_l(text, sizeof text, format.c_str(), &fields, locale)
                                 : strftime(text, sizeof text, format.c_str(), &fields);
    return std::string(text, length);
}

}  // namespace tv
