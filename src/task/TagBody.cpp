#include "task/TaskBody.h"

#include "base/Utf.h"

namespace tv {

namespace {

constexpr char kTagClass[] = "CTag";
constexpr char16_t kPasswordKey = 3;
constexpr int kOldConnectRetries = 5;

// The password is kept out of plain sight in the file; the coding is its own inverse.
std::u16string Scramble(std::u16string text) {
    for (auto& unit : text) {
        unit ^= kPasswordKey;
    }
    return text;
}

void ReadProxyFields(CArchiveReader& ar, CTag& tag) {
    tag.m_bPassive = ar.ReadInt32();
    tag.m_strProxyHost = ar.ReadString();
    tag.m_nProxyPort = ar.ReadInt32();
    tag.m_strProxyUser = ar.ReadString();
    tag.m_strProxyPassword = ar.ReadString();
    tag.m_nProxyType = ar.ReadInt32();
    tag.m_nTimeZoneShift = ar.ReadInt32();
    tag.m_bManualTimeZone = ar.ReadInt32();
}

void ReadKeyFields(CArchiveReader& ar, CTag& tag) {
    tag.m_bUseKey = ar.ReadInt32();
    tag.m_strKeyFile = ar.ReadString();
    tag.m_bUseCertificate = ar.ReadInt32();
    tag.m_strCertificateFile = ar.ReadString();
}

void ReadConnectFields(CArchiveReader& ar, CTag& tag) {
    tag.m_bOwnConnectSettings = ar.ReadInt32() != 0 ? 1 : 0;
    tag.m_nConnectTimeoutMs = ar.ReadInt32();
    tag.m_nConnectRetries = ar.ReadInt32();
    tag.m_nTransferType = ar.ReadUInt32();
}

}  // namespace

void WriteTagBody(CArchiveWriter& ar, const CTag& tag) {
    ar.WriteString(tag.m_strPath);
    ar.WriteInt32(tag.m_nProtocol);
    ar.WriteString(tag.m_strSiteName);
    ar.WriteString(tag.m_strHost);
    ar.WriteInt32(tag.m_nPort);
    ar.WriteString(tag.m_strUser);
    ar.WriteUtf16(Scramble(Utf8ToUtf16(tag.m_strPassword)));
    ar.WriteString(tag.m_strRemoteDir);
    ar.WriteTime(tag.m_timeStamp);
    ar.WriteInt32(tag.m_bIsFtp);
    ar.WriteInt32(tag.m_bPassive);
    ar.WriteString(tag.m_strProxyHost);
    ar.WriteInt32(tag.m_nProxyPort);
    ar.WriteString(tag.m_strProxyUser);
    ar.WriteString(tag.m_strProxyPassword);
    ar.WriteInt32(tag.m_nProxyType);
    ar.WriteInt32(tag.m_nTimeZoneShift);
    ar.WriteInt32(tag.m_bManualTimeZone);
    ar.WriteInt32(tag.m_nReserved);
    ar.WriteInt32(tag.m_bUseKey);
    ar.WriteString(tag.m_strKeyFile);
    ar.WriteInt32(tag.m_bUseCertificate);
    ar.WriteString(tag.m_strCertificateFile);
    ar.WriteInt32(tag.m_bOwnConnectSettings != 0 ? 1 : 0);
    ar.WriteInt32(tag.m_nConnectTimeoutMs);
    ar.WriteInt32(tag.m_nConnectRetries);
    ar.WriteUInt32(tag.m_nTransferType);
}

void ReadTagBody(CArchiveReader& ar, CTag& tag, int version) {
    tag = CTag();
    tag.m_strPath = ar.ReadString();
    if (version >= 585) {
        tag.m_nProtocol = ar.ReadInt32();
    }
    tag.m_strSiteName = ar.ReadString();
    tag.m_strHost = ar.ReadString();
    if (version >= 472) {
        tag.m_nPort = ar.ReadInt32();
    }
    tag.m_strUser = ar.ReadString();
    tag.m_strPassword = version >= 549 ? Utf16ToUtf8(Scramble(ar.ReadUtf16())) : ar.ReadString();
    tag.m_strRemoteDir = ar.ReadString();
    tag.m_timeStamp = ar.ReadTime();
    tag.m_bIsFtp = ar.ReadInt32();
    if (version >= 472) {
        ReadProxyFields(ar, tag);
    }
    if (version >= 554) {
        tag.m_nReserved = ar.ReadInt32();
    }
    if (version >= 586) {
        ReadKeyFields(ar, tag);
    }
    if (version >= 475) {
        ReadConnectFields(ar, tag);
    } else {
        tag.m_nConnectRetries = kOldConnectRetries;
    }
}

void WriteTargets(CArchiveWriter& ar, const std::vector<CTag>& targets) {
    ar.WriteCount(static_cast<uint32_t>(targets.size()));
    for (const CTag& target : targets) {
        ar.WriteObjectHeader(kTagClass);
        WriteTagBody(ar, target);
    }
}

void ReadTargets(CArchiveReader& ar, std::vector<CTag>& targets, int version) {
    targets.clear();
    // Nothing is reserved by the count: a damaged count runs out of bytes, not of memory.
    for (uint32_t n = ar.ReadCount(); n > 0; --n) {
        ar.ReadObjectHeader(kTagClass);
        ReadTagBody(ar, targets.emplace_back(), version);
    }
}

void WriteScheduleBody(CArchiveWriter& ar, const CSchedule& schedule) {
    ar.WriteInt32(schedule.A);
    ar.WriteInt32(schedule.B);
    ar.WriteTime(schedule.C);
    ar.WriteInt32(schedule.D);
    ar.WriteInt32(schedule.E);
    ar.WriteTime(schedule.F);
    ar.WriteTime(schedule.G);
    for (const int32_t h : schedule.H) {
        ar.WriteInt32(h);
    }
}

void ReadScheduleBody(CArchiveReader& ar, CSchedule& schedule) {
    schedule.A = ar.ReadInt32();
    schedule.B = ar.ReadInt32();
    schedule.C = ar.ReadTime();
    schedule.D = ar.ReadInt32();
    schedule.E = ar.ReadInt32();
    schedule.F = ar.ReadTime();
    schedule.G = ar.ReadTime();
    for (int32_t& h : schedule.H) {
        h = ar.ReadInt32();
    }
}

void SkipOldScheduleBody(CArchiveReader& ar) {
    constexpr int kTrailingIntegers = 8;
    ar.ReadInt32();
    ar.ReadInt32();
    ar.ReadTime();
    ar.ReadInt32();  // a time in seconds, stored without the marker
    for (int i = 0; i < kTrailingIntegers; ++i) {
        ar.ReadInt32();
    }
}

}  // namespace tv
