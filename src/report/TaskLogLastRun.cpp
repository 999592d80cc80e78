#include "report/TaskLogLastRun.h"

#include <clocale>
#include <ctime>

#include <langinfo.h>
#include <locale.h>

#include "platform/FileSystem.h"
#include "report/TaskLog.h"

namespace tv {

namespace {

// The user's time locale, read from the environment on every use so that it needs no set-up
// by the program; the "C" locale when the named one is not installed.
class CUserTimeLocale {
  public:
    CUserTimeLocale() {
        m_locale = newlocale(LC_TIME_MASK, "", locale_t{});
        if (!m_locale) {
            m_locale = newlocale(LC_TIME_MASK, "C", locale_t{});
        }
    }
    ~CUserTimeLocale() {
        if (m_locale) {
            freelocale(m_locale);
        }
    }
    CUserTimeLocale(const CUserTimeLocale&) = delete;
    CUserTimeLocale& operator=(const CUserTimeLocale&) = delete;

    locale_t Get() const { return m_locale; }

  private:
    locale_t m_locale{};
};

bool IsOneOf(char c, std::string_view set) {
    return set.find(c) != std::string_view::npos;
}

// The conversion letter after a "%" and its flags, width and modifiers.
char ConversionAt(std::string_view format, size_t& at) {
    while (at < format.size() && IsOneOf(format[at], "-_0^#EO123456789")) {
        ++at;
    }
    return at < format.size() ? format[at] : '\0';
}

}  // namespace

const char* LastRunFormat(std::string_view dateFormat) {
    for (size_t at = 0; at + 1 < dateFormat.size(); ++at) {
        if (dateFormat[at] != '%') {
            continue;
        }
        ++at;
        const char conversion = ConversionAt(dateFormat, at);
        if (IsOneOf(conversion, "de")) {
            return "%d/%m/%y %X";
        }
        if (IsOneOf(conversion, "yYCGF")) {
            return "%y/%m/%d %X";
        }
        if (IsOneOf(conversion, "mbBhD")) {
            break;
        }
    }
    return "%m/%d/%y %X";
}

std::string FormatLastRunTime(FileTime time) {
    const time_t seconds = static_cast<time_t>(UnixFromFileTime(time));
    tzset();
    std::tm local{};
    if (!localtime_r(&seconds, &local)) {
        return {};
    }
    CUserTimeLocale locale;
    if (!locale.Get()) {
        return {};
    }
    const char* format = LastRunFormat(nl_langinfo_l(D_FMT, locale.Get()));
    char text[128];
    const size_t length = strftime_l(text, sizeof(text), format, &local, locale.Get());
    return std::string(text, length);
}

std::string LastRunText(IFileSystem& fs, int taskId) {
    CFileInfo st;
    if (fs.Stat(DefaultLogPath(taskId), st, LinkMode::Follow) != 0 ||
        st.m_type != EntryType::File) {
        return {};
    }
    return FormatLastRunTime(st.m_lastWrite);
}

}  // namespace tv
