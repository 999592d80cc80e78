#pragma once

#include "task/Element.h"

namespace tv {

// The fields of the JSON form of a task list, named as in the task record and walked in the
// order of the stored task body. Export and import both walk these lists, so the two
// directions cannot drift apart. `Tag`, `Schedule` and `Element` are the class or its const.

template <class Tag, class Visitor>
void VisitTagFields(Tag& t, Visitor& v) {
    v("m_strPath", t.m_strPath);
    v("m_nProtocol", t.m_nProtocol);
    v("m_strSiteName", t.m_strSiteName);
    v("m_strHost", t.m_strHost);
    v("m_nPort", t.m_nPort);
    v("m_strUser", t.m_strUser);
    v("m_strPassword", t.m_strPassword);
    v("m_strRemoteDir", t.m_strRemoteDir);
    v("m_timeStamp", t.m_timeStamp);
    v("m_bIsFtp", t.m_bIsFtp);
    v("m_bPassive", t.m_bPassive);
    v("m_strProxyHost", t.m_strProxyHost);
    v("m_nProxyPort", t.m_nProxyPort);
    v("m_strProxyUser", t.m_strProxyUser);
    v("m_strProxyPassword", t.m_strProxyPassword);
    v("m_nProxyType", t.m_nProxyType);
    v("m_nTimeZoneShift", t.m_nTimeZoneShift);
    v("m_bManualTimeZone", t.m_bManualTimeZone);
    v("m_nReserved", t.m_nReserved);
    v("m_bUseKey", t.m_bUseKey);
    v("m_strKeyFile", t.m_strKeyFile);
    v("m_bUseCertificate", t.m_bUseCertificate);
    v("m_strCertificateFile", t.m_strCertificateFile);
    v("m_bOwnConnectSettings", t.m_bOwnConnectSettings);
    v("m_nConnectTimeoutMs", t.m_nConnectTimeoutMs);
    v("m_nConnectRetries", t.m_nConnectRetries);
    v("m_nTransferType", t.m_nTransferType);
}

template <class Schedule, class Visitor>
void VisitScheduleFields(Schedule& s, Visitor& v) {
    v("A", s.A);
    v("B", s.B);
    v("C", s.C);
    v("D", s.D);
    v("E", s.E);
    v("F", s.F);
    v("G", s.G);
    static const char* const kH[] = {"H1", "H2", "H3", "H4", "H5", "H6"};
    for (int i = 0; i < 6; ++i) {
        v(kH[i], s.H[i]);
    }
}

template <class Element, class Visitor>
void VisitElementFields(Element& e, Visitor& v) {
    v("m_nTaskId", e.m_nTaskId);
    v("m_strName", e.m_strName);
    v("m_nReserved1", e.m_nReserved1);
    v("m_nReserved2", e.m_nReserved2);
    v("m_nReserved3", e.m_nReserved3);
    v("m_dwOptions", e.m_dwOptions);
    v("m_dwOptions2", e.m_dwOptions2);
    v("m_dwOptions3", e.m_dwOptions3);
    v("m_dwOptions4", e.m_dwOptions4);
    v("m_nAgeValue", e.m_nAgeValue);
    v("m_nAgeUnit", e.m_nAgeUnit);
    v("m_timePeriodFrom", e.m_timePeriodFrom);
    v("m_timePeriodTo", e.m_timePeriodTo);
    v("m_nStartDelay", e.m_nStartDelay);
    v("m_nReserved4", e.m_nReserved4);
    v("m_strExcludeMasks", e.m_strExcludeMasks);
    v("m_strIncludeMasks", e.m_strIncludeMasks);
    v("m_nMaxSizeMb", e.m_nMaxSizeMb);
    v("m_bMailReport", e.m_bMailReport);
    v("m_nMailWhen", e.m_nMailWhen);
    v("m_nMailContent", e.m_nMailContent);
    v("m_strSmtpServer", e.m_strSmtpServer);
    v("m_strMailFrom", e.m_strMailFrom);
    v("m_strMailTo", e.m_strMailTo);
    v("m_bNetSend", e.m_bNetSend);
    v("m_strNetSendTo", e.m_strNetSendTo);
    v("m_nNetSendWhen", e.m_nNetSendWhen);
    v("m_bPreviewSound", e.m_bPreviewSound);
    v("m_strPreviewSound", e.m_strPreviewSound);
    v("m_bFinishSound", e.m_bFinishSound);
    v("m_strFinishSound", e.m_strFinishSound);
    v("m_bDialUp", e.m_bDialUp);
    v("m_strRasConnection", e.m_strRasConnection);
    v("m_strRasUser", e.m_strRasUser);
    v("m_strRasPassword", e.m_strRasPassword);
    v("m_strRasPhone", e.m_strRasPhone);
    v("m_strRasEntry", e.m_strRasEntry);
    v("m_bRasHangUp", e.m_bRasHangUp);
    v("m_nLogLimitKb", e.m_nLogLimitKb);
    v("m_nCompareMode", e.m_nCompareMode);
    v("m_bRunBefore", e.m_bRunBefore);
    v("m_bRunAfter", e.m_bRunAfter);
    v("m_strRunBefore", e.m_strRunBefore);
    v("m_strRunAfter", e.m_strRunAfter);
    v("m_bUseSnapshot", e.m_bUseSnapshot);
    v("m_bDeleteSourceAfterRun", e.m_bDeleteSourceAfterRun);
    v("m_strHtmlLogFile", e.m_strHtmlLogFile);
    v("m_strAltLogDir", e.m_strAltLogDir);
    v("m_strAltCopyDir", e.m_strAltCopyDir);
    v("m_nServiceAccount", e.m_nServiceAccount);
    v("m_strServiceUser", e.m_strServiceUser);
    v("m_strServicePassword", e.m_strServicePassword);
    v("m_bServiceAutoStart", e.m_bServiceAutoStart);
    v("m_bServiceNoInitialSync", e.m_bServiceNoInitialSync);
    v("m_Source", e.m_Source);
    v("m_Targets", e.m_Targets);
    v("m_ExcludedItems", e.m_ExcludedItems);
    v("m_Schedule", e.m_Schedule);
    v("m_bTargetsInTurn", e.m_bTargetsInTurn);
    v("m_nNextTarget", e.m_nNextTarget);
}

}  // namespace tv
