#include "task/TaskBody.h"

#include <climits>

#include "base/Utf.h"

namespace tv {

namespace {

void WriteNotifications(CArchiveWriter& ar, const CElement& t) {
    ar.WriteInt32(t.m_bMailReport);
    ar.WriteInt32(t.m_nMailWhen);
    ar.WriteInt32(t.m_nMailContent);
    ar.WriteString(t.m_strSmtpServer);
    ar.WriteString(t.m_strMailFrom);
    ar.WriteString(t.m_strMailTo);
    ar.WriteInt32(t.m_bNetSend);
    ar.WriteString(t.m_strNetSendTo);
    ar.WriteInt32(t.m_nNetSendWhen);
    ar.WriteInt32(t.m_bPreviewSound);
    ar.WriteString(t.m_strPreviewSound);
    ar.WriteInt32(t.m_bFinishSound);
    ar.WriteString(t.m_strFinishSound);
}

void WriteDialUpAndPrograms(CArchiveWriter& ar, const CElement& t) {
    ar.WriteInt32(t.m_bDialUp);
    ar.WriteString(t.m_strRasConnection);
    ar.WriteString(t.m_strRasUser);
    ar.WriteString(t.m_strRasPassword);
    ar.WriteString(t.m_strRasPhone);
    ar.WriteString(t.m_strRasEntry);
    ar.WriteInt32(t.m_bRasHangUp);
    ar.WriteInt32(t.m_nLogLimitKb);
    ar.WriteInt32(t.m_nCompareMode);
    ar.WriteInt32(t.m_bRunBefore);
    ar.WriteInt32(t.m_bRunAfter);
    ar.WriteString(t.m_strRunBefore);
    ar.WriteString(t.m_strRunAfter);
}

void WriteLogsAndService(CArchiveWriter& ar, const CElement& t) {
    ar.WriteInt32(t.m_bUseSnapshot);
    ar.WriteInt32(t.m_bDeleteSourceAfterRun);
    ar.WriteString(t.m_strHtmlLogFile);
    ar.WriteString(t.m_strAltLogDir);
    ar.WriteString(t.m_strAltCopyDir);
    ar.WriteInt32(t.m_nServiceAccount);
    ar.WriteString(t.m_strServiceUser);
    ar.WriteString(t.m_strServicePassword);
    ar.WriteInt32(t.m_bServiceAutoStart);
    ar.WriteInt32(t.m_bServiceNoInitialSync);
}

// Fields 19 to 24 nest: mail from 474, network message from 512, sounds from 519.
void ReadNotifications(CArchiveReader& ar, CElement& t, const CBodyFormat& f) {
    if (f.m_nVersion < 474) {
        return;
    }
    t.m_bMailReport = ar.ReadInt32();
    t.m_nMailWhen = ar.ReadInt32();
    t.m_nMailContent = ar.ReadInt32();
    t.m_strSmtpServer = ar.ReadString();
    t.m_strMailFrom = ar.ReadString();
    t.m_strMailTo = ar.ReadString();
    if (f.m_nVersion < 512) {
        return;
    }
    t.m_bNetSend = ar.ReadInt32();
    t.m_strNetSendTo = ar.ReadString();
    t.m_nNetSendWhen = ar.ReadInt32();
    if (f.m_nVersion < 519) {
        return;
    }
    t.m_bPreviewSound = ar.ReadInt32();
    t.m_strPreviewSound = ar.ReadString();
    t.m_bFinishSound = ar.ReadInt32();
    t.m_strFinishSound = ar.ReadString();
}

void ReadDialUp(CArchiveReader& ar, CElement& t) {
    t.m_bDialUp = ar.ReadInt32();
    t.m_strRasConnection = ar.ReadString();
    t.m_strRasUser = ar.ReadString();
    t.m_strRasPassword = ar.ReadString();
    t.m_strRasPhone = ar.ReadString();
    t.m_strRasEntry = ar.ReadString();
    t.m_bRasHangUp = ar.ReadInt32();
}

void ReadPrograms(CArchiveReader& ar, CElement& t) {
    t.m_bRunBefore = ar.ReadInt32();
    t.m_bRunAfter = ar.ReadInt32();
    t.m_strRunBefore = ar.ReadString();
    t.m_strRunAfter = ar.ReadString();
}

void ReadService(CArchiveReader& ar, CElement& t, int v) {
    if (v >= 587) {
        t.m_nServiceAccount = ar.ReadInt32();
        t.m_strServiceUser = ar.ReadString();
        t.m_strServicePassword = ar.ReadString();
    }
    if (v >= 588) {
        t.m_bServiceAutoStart = ar.ReadInt32();
    }
    if (v >= 589) {
        t.m_bServiceNoInitialSync = ar.ReadInt32();
    }
}

// Fields 1 to 18.
void ReadHead(CArchiveReader& ar, CElement& t, int v) {
    t.m_nTaskId = ar.ReadInt32();
    t.m_strName = ar.ReadString();
    t.m_nReserved1 = ar.ReadInt32();
    t.m_nReserved2 = ar.ReadInt32();
    t.m_nReserved3 = ar.ReadInt32();
    t.m_dwOptions = ar.ReadUInt32();
    t.m_dwOptions2 = ar.ReadUInt32();
    if (v >= 520) {
        t.m_dwOptions3 = ar.ReadUInt32();
    }
    if (v >= 583) {
        t.m_dwOptions4 = ar.ReadUInt32();
    }
    t.m_nAgeValue = ar.ReadInt32();
    t.m_nAgeUnit = ar.ReadInt32();
    t.m_timePeriodFrom = ar.ReadTime();
    t.m_timePeriodTo = ar.ReadTime();
    if (v >= 553) {
        t.m_nStartDelay = ar.ReadInt32();
    }
    t.m_nReserved4 = ar.ReadInt32();
    t.m_strExcludeMasks = ar.ReadString();
    t.m_strIncludeMasks = ar.ReadString();
    if (v >= 470) {
        t.m_nMaxSizeMb = ar.ReadInt32();
    }
}

// Fields 25 to 39.
void ReadMiddle(CArchiveReader& ar, CElement& t, int v) {
    if (v >= 475) {
        ReadDialUp(ar, t);
    }
    if (v >= 525) {
        t.m_nLogLimitKb = ar.ReadInt32();
    }
    if (v >= 526) {
        t.m_nCompareMode = ar.ReadInt32();
    }
    if (v >= 527) {
        ReadPrograms(ar, t);
    }
    if (v >= 532) {
        t.m_bUseSnapshot = ar.ReadInt32();
    }
    if (v >= 543) {
        t.m_bDeleteSourceAfterRun = ar.ReadInt32();
    }
    if (v >= 538) {
        t.m_strHtmlLogFile = ar.ReadString();
    }
    if (v >= 590) {
        t.m_strAltLogDir = ar.ReadString();
    }
    if (v >= 582) {
        t.m_strAltCopyDir = ar.ReadString();
    }
    ReadService(ar, t, v);
}

void ReadCurrentBody(CArchiveReader& ar, CElement& t, const CBodyFormat& f) {
    const int v = f.m_nVersion;
    if (v < 519) {
        t.m_strPreviewSound = f.m_strDataFolder + "/Snd1.wav";
        t.m_strFinishSound = f.m_strDataFolder + "/Snd2.wav";
    }
    ReadHead(ar, t, v);
    ReadNotifications(ar, t, f);
    ReadMiddle(ar, t, v);
    ReadTagBody(ar, t.m_Source, v);
    ReadTargets(ar, t.m_Targets, v);
    t.m_ExcludedItems = ar.ReadStringArray();
    ReadScheduleBody(ar, t.m_Schedule);
}

void ConvertFromVersion(CElement& t, int v) {
    if (v >= 469 && v <= 553) {
        t.m_strExcludeMasks = ConvertOldMasks(t.m_strExcludeMasks);
        t.m_strIncludeMasks = ConvertOldMasks(t.m_strIncludeMasks);
    }
    // Lists 526 to 538 knew no "Timestamps OR attributes"; their later criteria move up one.
    if (v >= 526 && v <= 538 && t.m_nCompareMode > 0 && t.m_nCompareMode < INT_MAX) {
        ++t.m_nCompareMode;
    }
}

}  // namespace

void WriteTaskBody(CArchiveWriter& ar, CElement& t) {
    t.m_dwOptions2 = t.m_bTargetsInTurn ? (t.m_dwOptions2 | opt2::kTargetsInTurn)
                                        : (t.m_dwOptions2 & ~opt2::kTargetsInTurn);
    ar.WriteInt32(t.m_nTaskId);
    ar.WriteString(t.m_strName);
    ar.WriteInt32(t.m_nReserved1);
    ar.WriteInt32(t.m_nReserved2);
    ar.WriteInt32(t.m_nReserved3);
    ar.WriteUInt32(t.m_dwOptions);
    ar.WriteUInt32(t.m_dwOptions2);
    ar.WriteUInt32(t.m_dwOptions3);
    ar.WriteUInt32(t.m_dwOptions4);
    ar.WriteInt32(t.m_nAgeValue);
    ar.WriteInt32(t.m_nAgeUnit);
    ar.WriteTime(t.m_timePeriodFrom);
    ar.WriteTime(t.m_timePeriodTo);
    ar.WriteInt32(t.m_nStartDelay);
    ar.WriteInt32(t.m_nReserved4);
    ar.WriteString(t.m_strExcludeMasks);
    ar.WriteString(t.m_strIncludeMasks);
    ar.WriteInt32(t.m_nMaxSizeMb);
    WriteNotifications(ar, t);
    WriteDialUpAndPrograms(ar, t);
    WriteLogsAndService(ar, t);
    WriteTagBody(ar, t.m_Source);
    WriteTargets(ar, t.m_Targets);
    ar.WriteStringArray(t.m_ExcludedItems);
    WriteScheduleBody(ar, t.m_Schedule);
}

void ReadTaskBody(CArchiveReader& ar, CElement& task, const CBodyFormat& format) {
    if (format.m_layout == BodyLayout::Current) {
        ReadCurrentBody(ar, task, format);
        ConvertFromVersion(task, format.m_nVersion);
    } else {
        ReadOldTaskBody(ar, task, format);
    }
    task.m_bTargetsInTurn = (task.m_dwOptions2 & opt2::kTargetsInTurn) ? 1 : 0;
    task.m_strExcludeMasks = Utf8ToUpper(task.m_strExcludeMasks);
    task.m_strIncludeMasks = Utf8ToUpper(task.m_strIncludeMasks);
}

std::string ConvertOldMasks(const std::string& extensions) {
    std::string masks;
    size_t start = 0;
    while (start <= extensions.size()) {
        size_t end = extensions.find_first_of(" ,;", start);
        if (end == std::string::npos) {
            end = extensions.size();
        }
        if (end > start) {
            masks += (masks.empty() ? "*." : " *.") + extensions.substr(start, end - start);
        }
        start = end + 1;
    }
    return masks;
}

}  // namespace tv
