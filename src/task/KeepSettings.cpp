#include "task/KeepSettings.h"

#include <algorithm>
#include <cstdio>

#include "base/FileTime.h"
#include "platform/IniText.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"

namespace tv {

CKeepSettings LoadKeepSettings(const CProfile& profile) {
    using namespace profkey;
    CKeepSettings settings;
    const int mode = profile.GetProfileInt(kSettings, kKeepFiles, 0);
    if (mode == static_cast<int>(KeepMode::Trash) || mode == static_cast<int>(KeepMode::Versions)) {
        settings.m_mode = static_cast<KeepMode>(mode);
    }
    const int days = profile.GetProfileInt(kSettings, kKeepDays, kDefaultKeepDays);
    settings.m_nDays = days >= 1 ? std::min(days, kMaxKeepDays) : kDefaultKeepDays;
    return settings;
}

bool StoreKeepSettings(CProfile& profile, const CKeepSettings& settings, std::string* error) {
    using namespace profkey;
    return profile.Update(
        [&](CIniText& ini) {
            const std::string before = ini.Text();
            ini.Set(kSettings, kKeepFiles, std::to_string(static_cast<int>(settings.m_mode)));
            ini.Set(kSettings, kKeepDays, std::to_string(settings.m_nDays));
            return ini.Text() != before;
        },
        error);
}

std::string VersionsRunName(int64_t unixSeconds) {
    const CCalendarTime c = LocalCalendarFromUnix(unixSeconds);
    char name[40];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d_%02d-%02d-%02d", c.year, c.month, c.day,
                  c.hour, c.minute, c.second);
    return name;
}

std::optional<int64_t> VersionsRunTime(const std::string& name) {
    CCalendarTime c;
    int used = 0;
    if (name.size() != 19 ||
        std::sscanf(name.c_str(), "%4d-%2d-%2d_%2d-%2d-%2d%n", &c.year, &c.month, &c.day, &c.hour,
                    &c.minute, &c.second, &used) != 6 ||
        used != 19 || VersionsRunName(UnixFromLocalCalendar(c)) != name) {
        return std::nullopt;
    }
    return UnixFromLocalCalendar(c);
}

}  // namespace tv
