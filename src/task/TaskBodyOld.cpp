#include "task/TaskBody.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace tv {

namespace {

constexpr int kFirstCurrentVersion = 469;
constexpr char kEmptyVersionMeans[] = "584";

void ReadV200(CArchiveReader& ar, CElement& t, int v) {
    t.m_nTaskId = ar.ReadInt32();
    t.m_strName = ar.ReadString();
    t.m_nReserved1 = ar.ReadInt32();
    t.m_nReserved2 = ar.ReadInt32();
    t.m_nReserved3 = ar.ReadInt32();
    t.m_dwOptions = ar.ReadUInt32();
    t.m_dwOptions2 = ar.ReadUInt32();
    t.m_nAgeValue = ar.ReadInt32();
    t.m_nAgeUnit = ar.ReadInt32();
    t.m_timePeriodFrom = ar.ReadTime();
    t.m_timePeriodTo = ar.ReadTime();
    t.m_nReserved4 = ar.ReadInt32();
    ReadTagBody(ar, t.m_Source, v);
    ReadTargets(ar, t.m_Targets, v);
    t.m_ExcludedItems = ar.ReadStringArray();
}

// "1.20" and "1.10"/"1.11" differ only in the id in front and the schedule behind.
void ReadV1x(CArchiveReader& ar, CElement& t, const CBodyFormat& f) {
    const bool v120 = f.m_layout == BodyLayout::V120;
    if (v120) {
        t.m_nTaskId = ar.ReadInt32();
    }
    t.m_nReserved1 = ar.ReadInt32();
    t.m_nReserved2 = ar.ReadInt32();
    t.m_nReserved3 = ar.ReadInt32();
    t.m_dwOptions = ar.ReadUInt32();
    t.m_nReserved4 = ar.ReadInt32();
    ReadTagBody(ar, t.m_Source, f.m_nVersion);
    ReadTargets(ar, t.m_Targets, f.m_nVersion);
    if (v120) {
        SkipOldScheduleBody(ar);
    } else {
        t.m_nTaskId = f.m_pCounterFs ? NewTaskId(*f.m_pCounterFs) : 0;
    }
    t.m_dwOptions2 = 0;
}

// The fields that old lists did not have take their defaults: `t` was freshly constructed.
// What remains is what differs from a new record.
void ApplyOldLayoutValues(CElement& t, const CBodyFormat& f) {
    const CTag& source = t.m_Source;
    t.m_strName = source.m_strPath.empty() && !source.m_strSiteName.empty() ? source.DisplayPath()
                                                                            : source.m_strPath;
    t.m_dwOptions &= ~opt1::kDeleteFromTarget;
    t.m_dwOptions2 &= ~opt2::kMaxSize;
    t.m_strPreviewSound = f.m_strDataFolder + "/Snd1.wav";
    t.m_strFinishSound = f.m_strDataFolder + "/Snd2.wav";
    t.m_Schedule.Reset();
}

}  // namespace

void ReadOldTaskBody(CArchiveReader& ar, CElement& task, const CBodyFormat& format) {
    if (format.m_layout == BodyLayout::V200) {
        ReadV200(ar, task, format.m_nVersion);
    } else {
        ReadV1x(ar, task, format);
    }
    ApplyOldLayoutValues(task, format);
}

int ParseListVersion(const std::string& text) {
    const std::string& s = text.empty() ? std::string(kEmptyVersionMeans) : text;
    size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) {
        ++i;
    }
    const bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        ++i;
    }
    long long value = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        value = std::min<long long>(value * 10 + (s[i] - '0'), INT_MAX);
    }
    return static_cast<int>(negative ? -value : value);
}

std::optional<CBodyFormat> FormatOfVersion(const std::string& text, int number) {
    CBodyFormat format;
    format.m_nVersion = number;
    if (number >= kFirstCurrentVersion) {
        return format;
    }
    if (text == "2.00") {
        format.m_layout = BodyLayout::V200;
    } else if (text == "1.20") {
        format.m_layout = BodyLayout::V120;
    } else if (text == "1.10" || text == "1.11") {
        format.m_layout = BodyLayout::V110;
    } else {
        return std::nullopt;
    }
    return format;
}

}  // namespace tv
