#include "scan/Filter.h"

#include <algorithm>
#include <limits>

#include "base/Utf.h"
#include "platform/Mounts.h"
#include "scan/Wildcard.h"

namespace tv {

namespace {

constexpr std::string_view kVolumeInformation = "System Volume Information";
constexpr TaskTime kNever = std::numeric_limits<TaskTime>::max();

// Names are mostly ASCII; only the rest needs the Unicode tables.
std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c & 0x80) {
            return Utf8ToUpper(text);
        }
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

std::string_view WithoutTrailingSlashes(std::string_view path) {
    while (!path.empty() && path.back() == '/') {
        path.remove_suffix(1);
    }
    return path;
}

std::string_view WithoutOuterSlashes(std::string_view path) {
    path = WithoutTrailingSlashes(path);
    while (!path.empty() && path.front() == '/') {
        path.remove_prefix(1);
    }
    return path;
}

int DaysInMonth(int64_t year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// The local date `count` months before `now`, same day and time of day. Any count works: the
// year and month are normalised together, and a day the month lacks (31 March back to
// February) becomes the month's last day.
TaskTime MonthsBack(TaskTime now, int64_t count) {
    CCalendarTime c = LocalCalendarFromUnix(now);
    const int64_t total = int64_t{c.year} * 12 + (c.month - 1) - count;
    const int64_t year = total >= 0 ? total / 12 : -((-total + 11) / 12);
    c.month = static_cast<int>(total - year * 12) + 1;
    c.year = static_cast<int>(std::clamp<int64_t>(year, 1, 9999));
    c.day = std::min(c.day, DaysInMonth(c.year, c.month));
    return UnixFromLocalCalendar(c);
}

// The earliest last-write time that "not earlier than `count` units" admits.
TaskTime AgeLimit(TaskTime now, int64_t count, int unit) {
    switch (unit) {
        case AGE_MINS:
            return now - count * 60;
        case AGE_HOURS:
            return now - count * 3600;
        case AGE_DAYS:
            return now - count * 86400;
        case AGE_WEEKS:
            return now - count * 7 * 86400;
        case AGE_MONTHS:
            return MonthsBack(now, count);
        case AGE_YEARS:
            return MonthsBack(now, count * 12);
        default:
            return kNever;
    }
}

std::vector<std::string> UpperMasks(const std::string& list, bool on) {
    std::vector<std::string> masks;
    if (on) {
        for (const auto& mask : SplitMaskList(list)) {
            masks.push_back(Upper(mask));
        }
    }
    return masks;
}

// The first mask that matches, or none.
const std::string* FirstMatch(const std::vector<std::string>& masks, std::string_view upperName) {
    const auto it = std::find_if(masks.begin(), masks.end(), [&](const std::string& mask) {
        return WildcardMatch(mask, upperName);
    });
    return it != masks.end() ? &*it : nullptr;
}

std::string JoinMasks(const std::vector<std::string>& masks) {
    std::string joined;
    for (const std::string& mask : masks) {
        joined += (joined.empty() ? "" : ";") + mask;
    }
    return joined;
}

}  // namespace

CFilter::CFilter(const CElement& task, const std::string& rootPath, bool isFtp, TaskTime now)
    : m_bIsFtp(isFtp),
      m_ExcludeMasks(UpperMasks(task.m_strExcludeMasks, task.Has2(opt2::kExcludeMasks))),
      m_IncludeMasks(UpperMasks(task.m_strIncludeMasks, task.Has2(opt2::kIncludeMasks))) {
    PrepareTimeLimit(task, now);
    PrepareExcludedItems(task, rootPath);
    m_bSizeLimit = task.Has2(opt2::kMaxSize);
    m_nMaxSize = static_cast<uint64_t>(std::max(task.m_nMaxSizeMb, 0)) << 20;
}

void CFilter::PrepareTimeLimit(const CElement& task, TaskTime now) {
    m_bTimeLimit = task.Has1(opt1::kTimeLimit);
    m_bExcludePeriod = task.Has2(opt2::kExcludePeriod);
    if (task.Has2(opt2::kPeriodDuring)) {
        m_timeFrom = task.m_timePeriodFrom;
        m_timeTo = task.m_timePeriodTo;
    } else {
        m_timeFrom = AgeLimit(now, task.m_nAgeValue, task.m_nAgeUnit);
        m_timeTo = kNever;
    }
}

void CFilter::PrepareExcludedItems(const CElement& task, const std::string& rootPath) {
    const std::string root(WithoutTrailingSlashes(rootPath));
    m_strRootPrefix = root + "/";
    m_bExcludeItems = task.Has2(opt2::kExcludeItems);
    if (!m_bExcludeItems) {
        return;
    }
    const std::string upperRoot = Upper(root);
    for (std::string item : task.m_ExcludedItems) {
        // Lists written on Windows separate with backslashes.
        std::replace(item.begin(), item.end(), '\\', '/');
        const std::string tail = Upper(WithoutOuterSlashes(item));
        if (!tail.empty()) {
            m_ExcludedPaths.insert(upperRoot + "/" + tail);
            m_ExcludedTails.insert(tail);
        }
    }
}

CFilterVerdict CFilter::Judge(const std::string& fullPath, bool isFolder, uint64_t size,
                              FileTime lastWrite) const {
    const std::string_view path = WithoutTrailingSlashes(fullPath);
    const std::string_view name = path.substr(path.rfind('/') + 1);
    if (!m_bIsFtp && IsVolumeInformation(path, name)) {
        return {PlanReason::ExcludedItem, {}};
    }
    if (!isFolder && m_bTimeLimit && InTimeLimit(lastWrite) == m_bExcludePeriod) {
        return {PlanReason::OutsideTimeLimit, {}};
    }
    if (m_bExcludeItems && IsExcludedPath(path)) {
        return {PlanReason::ExcludedItem, {}};
    }
    const bool include = !isFolder && !m_IncludeMasks.empty();
    if (!m_ExcludeMasks.empty() || include) {
        const std::string upperName = Upper(name);
        if (const std::string* mask = FirstMatch(m_ExcludeMasks, upperName)) {
            return {PlanReason::ExcludedByMask, *mask};
        }
        if (include && !FirstMatch(m_IncludeMasks, upperName)) {
            return {PlanReason::NotIncluded, JoinMasks(m_IncludeMasks)};
        }
    }
    if (!isFolder && m_bSizeLimit && size > m_nMaxSize) {
        return {PlanReason::OverSizeLimit, {}};
    }
    return {};
}

// The folder of that name that a Windows volume keeps at its root: the same name directly
// below a mount point.
bool CFilter::IsVolumeInformation(std::string_view path, std::string_view name) const {
    if (name != kVolumeInformation) {
        return false;
    }
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return IsMountPoint(".");
    }
    return IsMountPoint(slash == 0 ? std::string("/") : std::string(path.substr(0, slash)));
}

bool CFilter::InTimeLimit(FileTime lastWrite) const {
    const TaskTime t = UnixFromFileTime(lastWrite);
    return m_timeFrom <= t && t <= m_timeTo;
}

bool CFilter::IsExcludedPath(std::string_view path) const {
    // Below the root, only the relative part needs upper-casing: case mapping works character
    // by character, so the root's part of the comparison is already settled.
    if (path.starts_with(m_strRootPrefix)) {
        return m_ExcludedTails.contains(Upper(path.substr(m_strRootPrefix.size())));
    }
    return m_ExcludedPaths.contains(Upper(path));
}

bool FilterCheck(uint64_t size, FileTime lastWrite, const CElement& task,
                 const std::string& fullPath, const std::string& rootPath, bool isFolder,
                 bool isFtp, Side /*side*/) {
    return CFilter(task, rootPath, isFtp).Admit(fullPath, isFolder, size, lastWrite);
}

}  // namespace tv
