#include "uimodel/AdvancedPages.h"

#include <algorithm>

#include "base/StringTable.h"
#include "base/Utf.h"
#include "platform/Desktop.h"
#include "platform/DialUp.h"
#include "platform/Notify.h"
#include "run/RunNotices.h"
#include "uimodel/AdvancedStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

namespace {

void Put(uint32_t& word, uint32_t bit, bool on) {
    word = on ? (word | bit) : (word & ~bit);
}

}  // namespace

CPageContext ContextOf(const CElement& task) {
    CPageContext context;
    context.m_bOneWay = task.Kind() == TaskKind::BackupRestore || task.Mode() == 1;
    context.m_bArchiveTarget = task.Has3(opt3::kArchiveTarget);
    return context;
}

const std::vector<int>& CompareModeTexts() {
    static const std::vector<int> texts = {IDS_GEN_CRIT_TIME,         IDS_GEN_CRIT_TIME_OR_ATTR,
                                           IDS_GEN_CRIT_SIZE,         IDS_GEN_CRIT_TIME_AND_SIZE,
                                           IDS_GEN_CRIT_TIME_OR_SIZE, IDS_GEN_CRIT_BINARY};
    return texts;
}

const std::vector<int>& AgeUnitTexts() {
    static const std::vector<int> texts = {IDS_TL_UNIT_MINS,   IDS_TL_UNIT_HOURS,
                                           IDS_TL_UNIT_DAYS,   IDS_TL_UNIT_WEEKS,
                                           IDS_TL_UNIT_MONTHS, IDS_TL_UNIT_YEARS};
    return texts;
}

void CGeneralPage::Load(const CElement& t) {
    m_bDeleteFromTarget = t.Has1(opt1::kDeleteFromTarget);
    m_bOnlyIfOnTarget = t.Has1(opt1::kOnlyIfOnTarget);
    m_bOnlyIfTargetNewer = t.Has1(opt1::kOnlyIfTargetNewer);
    m_bNoEmptyFolders = t.Has1(opt1::kNoEmptyFolders);
    m_bShutdown = t.Has2(opt2::kShutdown);
    m_bAppendLog = t.Has1(opt1::kAppendLog);
    m_nLogLimitKb = t.m_nLogLimitKb;
    m_bAsciiLog = t.Has3(opt3::kAsciiLog);
    m_bHtmlLog = t.Has3(opt3::kHtmlLog);
    m_strHtmlLogFile = t.m_strHtmlLogFile;
    m_bAltLogDir = t.Has4(opt4::kAltLogDir);
    m_strAltLogDir = t.m_strAltLogDir;
    m_bSilent = t.Has2(opt2::kSilent);
    m_bUseSnapshot = t.m_bUseSnapshot != 0;
    m_nCompareMode = std::clamp(t.m_nCompareMode, 0, static_cast<int>(COMPARE_BINARY));
    m_bCreateTarget = t.Has3(opt3::kCreateTarget);
    m_bDeleteSourceAfterRun = t.m_bDeleteSourceAfterRun != 0;
    m_bAltCopy = t.Has3(opt3::kAltCopy);
    m_strAltCopyDir = t.m_strAltCopyDir;
    m_bZipDatePrefix = t.Has3(opt3::kZipDatePrefix);
    m_bDeleteNewBeforeLastSync = t.Has3(opt3::kDeleteNewBeforeLastSync);
    m_bOwnPreferences = t.Has3(opt3::kOwnPreferences);
    m_nPolicy = std::clamp(static_cast<int>(t.OwnPolicy()), 0, 2);
    m_context = ContextOf(t);
}

void CGeneralPage::Store(CElement& t) const {
    Put(t.m_dwOptions, opt1::kDeleteFromTarget, m_bDeleteFromTarget);
    Put(t.m_dwOptions, opt1::kOnlyIfOnTarget, m_bOnlyIfOnTarget);
    Put(t.m_dwOptions, opt1::kOnlyIfTargetNewer, m_bOnlyIfTargetNewer);
    Put(t.m_dwOptions, opt1::kNoEmptyFolders, m_bNoEmptyFolders);
    Put(t.m_dwOptions2, opt2::kShutdown, m_bShutdown);
    Put(t.m_dwOptions, opt1::kAppendLog, m_bAppendLog);
    t.m_nLogLimitKb = m_nLogLimitKb;
    Put(t.m_dwOptions3, opt3::kAsciiLog, m_bAsciiLog);
    Put(t.m_dwOptions3, opt3::kHtmlLog, m_bHtmlLog);
    t.m_strHtmlLogFile = m_strHtmlLogFile;
    Put(t.m_dwOptions4, opt4::kAltLogDir, m_bAltLogDir);
    t.m_strAltLogDir = m_strAltLogDir;
    Put(t.m_dwOptions2, opt2::kSilent, m_bSilent);
    t.m_bUseSnapshot = m_bUseSnapshot ? 1 : 0;
    t.m_nCompareMode = m_nCompareMode;
    Put(t.m_dwOptions3, opt3::kCreateTarget, m_bCreateTarget);
    t.m_bDeleteSourceAfterRun = m_bDeleteSourceAfterRun ? 1 : 0;
    Put(t.m_dwOptions3, opt3::kAltCopy, m_bAltCopy);
    t.m_strAltCopyDir = m_strAltCopyDir;
    Put(t.m_dwOptions3, opt3::kZipDatePrefix, m_bZipDatePrefix);
    Put(t.m_dwOptions3, opt3::kDeleteNewBeforeLastSync, m_bDeleteNewBeforeLastSync);
    Put(t.m_dwOptions3, opt3::kOwnPreferences, m_bOwnPreferences);
    t.m_dwOptions2 = (t.m_dwOptions2 & ~opt2::kPolicyMask) |
                     (static_cast<uint32_t>(m_nPolicy) << opt2::kPolicyShift);
}

std::optional<std::string> CGeneralPage::SetDeleteFromTarget(bool on) {
    const bool switchedOn = on && !m_bDeleteFromTarget;
    m_bDeleteFromTarget = on;
    if (switchedOn) {
        return LoadString(IDS_GEN_DELETE_NOTICE);
    }
    return std::nullopt;
}

void CGeneralPage::SetLogLimitKb(int kb) {
    m_nLogLimitKb = std::clamp(kb, kLogLimitMinKb, kLogLimitMaxKb);
}

void CTimeLimitPage::Load(const CElement& t) {
    m_bTimeLimit = t.Has1(opt1::kTimeLimit);
    m_nExcludePeriod = t.Has2(opt2::kExcludePeriod) ? 1 : 0;
    m_bDuring = t.Has2(opt2::kPeriodDuring);
    m_nAgeValue = t.m_nAgeValue;
    m_nAgeUnit = std::clamp(t.m_nAgeUnit, 0, static_cast<int>(AGE_YEARS));
    m_timeFrom = t.m_timePeriodFrom;
    m_timeTo = t.m_timePeriodTo;
    m_bStartDelay = t.Has3(opt3::kStartDelay);
    m_nDelaySeconds = t.m_nStartDelay;
}

void CTimeLimitPage::Store(CElement& t) const {
    Put(t.m_dwOptions, opt1::kTimeLimit, m_bTimeLimit);
    Put(t.m_dwOptions2, opt2::kExcludePeriod, m_nExcludePeriod == 1);
    Put(t.m_dwOptions2, opt2::kPeriodDuring, m_bDuring);
    t.m_nAgeValue = m_nAgeValue;
    t.m_nAgeUnit = m_nAgeUnit;
    t.m_timePeriodFrom = m_timeFrom;
    t.m_timePeriodTo = m_timeTo;
    Put(t.m_dwOptions3, opt3::kStartDelay, m_bStartDelay);
    t.m_nStartDelay = m_nDelaySeconds;
}

void CTimeLimitPage::SetAgeValue(int value) {
    m_nAgeValue = std::clamp(value, 0, kAgeValueMax);
}

void CTimeLimitPage::SetDelaySeconds(int seconds) {
    m_nDelaySeconds = std::clamp(seconds, 0, kDelayMaxSeconds);
}

void CExclusionPage::Load(const CElement& t) {
    m_bExcludeItems = t.Has2(opt2::kExcludeItems);
    m_items = t.m_ExcludedItems;
    m_bExcludeMasks = t.Has2(opt2::kExcludeMasks);
    m_strExcludeMasks = t.m_strExcludeMasks;
    m_bIncludeMasks = t.Has2(opt2::kIncludeMasks);
    m_strIncludeMasks = t.m_strIncludeMasks;
    m_bMaxSize = t.Has2(opt2::kMaxSize);
    m_nMaxSizeMb = t.m_nMaxSizeMb;
    m_bSkipHidden = t.Has4(opt4::kSkipHidden);
    m_bSkipSystem = t.Has4(opt4::kSkipSystem);
    m_bSkipJunctions = t.Has4(opt4::kSkipJunctions);
}

void CExclusionPage::Store(CElement& t) const {
    Put(t.m_dwOptions2, opt2::kExcludeItems, m_bExcludeItems);
    t.RebuildExcludedItems(m_items);
    Put(t.m_dwOptions2, opt2::kExcludeMasks, m_bExcludeMasks);
    t.m_strExcludeMasks = Utf8ToUpper(m_strExcludeMasks);
    Put(t.m_dwOptions2, opt2::kIncludeMasks, m_bIncludeMasks);
    t.m_strIncludeMasks = Utf8ToUpper(m_strIncludeMasks);
    Put(t.m_dwOptions2, opt2::kMaxSize, m_bMaxSize);
    t.m_nMaxSizeMb = m_nMaxSizeMb;
    Put(t.m_dwOptions4, opt4::kSkipHidden, m_bSkipHidden);
    Put(t.m_dwOptions4, opt4::kSkipSystem, m_bSkipSystem);
    Put(t.m_dwOptions4, opt4::kSkipJunctions, m_bSkipJunctions);
}

void CExclusionPage::SetMaxSizeMb(int mb) {
    m_nMaxSizeMb = std::clamp(mb, 0, kMaxSizeMaxMb);
}

// The chooser starts in the source, or in the first local target when the source is remote.
void CExclusionPage::Browse(IUiDialogs& dialogs, const CElement& task) {
    std::string start = task.m_Source.m_bIsFtp ? std::string() : task.m_Source.m_strPath;
    for (size_t i = 0; start.empty() && i < task.m_Targets.size(); ++i) {
        if (!task.m_Targets[i].m_bIsFtp) {
            start = task.m_Targets[i].m_strPath;
        }
    }
    if (const auto chosen = dialogs.ChooseLocation(start)) {
        m_items.push_back(*chosen);
    }
}

void CNotifyPage::Load(const CElement& t) {
    m_bMail = t.m_bMailReport != 0;
    m_nMailWhen = std::clamp(t.m_nMailWhen, 0, 2);
    m_nMailContent = std::clamp(t.m_nMailContent, 0, 1);
    m_strSmtpServer = t.m_strSmtpServer;
    m_strMailFrom = t.m_strMailFrom;
    m_strMailTo = t.m_strMailTo;
    m_bNetSend = t.m_bNetSend != 0;
    m_strNetSendTo = t.m_strNetSendTo;
    m_nNetSendWhen = std::clamp(t.m_nNetSendWhen, 0, 2);
    m_bPreviewSound = t.m_bPreviewSound != 0;
    m_strPreviewSound = t.m_strPreviewSound;
    m_bFinishSound = t.m_bFinishSound != 0;
    m_strFinishSound = t.m_strFinishSound;
}

void CNotifyPage::Store(CElement& t) const {
    t.m_bMailReport = m_bMail ? 1 : 0;
    t.m_nMailWhen = m_nMailWhen;
    t.m_nMailContent = m_nMailContent;
    t.m_strSmtpServer = m_strSmtpServer;
    t.m_strMailFrom = m_strMailFrom;
    t.m_strMailTo = m_strMailTo;
    t.m_bNetSend = m_bNetSend ? 1 : 0;
    t.m_strNetSendTo = m_strNetSendTo;
    t.m_nNetSendWhen = m_nNetSendWhen;
    t.m_bPreviewSound = m_bPreviewSound ? 1 : 0;
    t.m_strPreviewSound = m_strPreviewSound;
    t.m_bFinishSound = m_bFinishSound ? 1 : 0;
    t.m_strFinishSound = m_strFinishSound;
}

bool CNotifyPage::TestSound(SoundSlot slot) const {
    return PlaySoundFile(slot == SoundSlot::Preview ? m_strPreviewSound : m_strFinishSound);
}

void CNotifyPage::TestNetMessage() const {
    std::string error;
    SendNetMessage(m_strNetSendTo, LoadString(IDS_TEST_MESSAGE), &error);
}

std::string CNotifyPage::TestMail() const {
    CElement task;
    Store(task);
    return SendTestMail(task, m_mailAccount);
}

void CDialUpPage::Load(const CElement& t) {
    m_bDialUp = t.m_bDialUp != 0;
    m_strEntry = t.m_strRasEntry;
    m_bHangUp = t.m_bRasHangUp != 0;
}

void CDialUpPage::Store(CElement& t) const {
    t.m_bDialUp = m_bDialUp ? 1 : 0;
    t.m_strRasEntry = m_strEntry;
    t.m_bRasHangUp = m_bHangUp ? 1 : 0;
}

std::vector<std::string> CDialUpPage::Connections() const {
    std::vector<std::string> names = DialUpConnections();
    if (!m_strEntry.empty() && std::find(names.begin(), names.end(), m_strEntry) == names.end()) {
        names.insert(names.begin(), m_strEntry);
    }
    return names;
}

bool CDialUpPage::ConnectNow(IUiDialogs& dialogs) const {
    if (DialConnection(m_strEntry)) {
        return true;
    }
    dialogs.Message(DetailedMessage(LoadString(IDS_DU_CONNECT_FAILED), {m_strEntry}));
    return false;
}

bool CDialUpPage::Disconnect(IUiDialogs& dialogs) const {
    if (dialogs.YesNo(LoadString(IDS_DU_CONFIRM)) != PromptAnswer::Yes) {
        return false;
    }
    if (HangUpConnection(m_strEntry)) {
        return true;
    }
    dialogs.Message(DetailedMessage(LoadString(IDS_DU_DISCONNECT_FAILED), {m_strEntry}));
    return false;
}

void CFtpOptionsPage::Load(const CElement& t) {
    m_bSetLocalTime = t.Has2(opt2::kFtpSetLocalTime);
    m_bUpperCase = t.Has2(opt2::kFtpUpperCase);
    // A record that holds both (written by hand) shows upper case only, as a click would leave it.
    m_bLowerCase = t.Has2(opt2::kFtpLowerCase) && !m_bUpperCase;
    m_bIncrementalDownload = t.Has3(opt3::kIncrementalDownload);
}

void CFtpOptionsPage::Store(CElement& t) const {
    Put(t.m_dwOptions2, opt2::kFtpSetLocalTime, m_bSetLocalTime);
    Put(t.m_dwOptions2, opt2::kFtpUpperCase, m_bUpperCase);
    Put(t.m_dwOptions2, opt2::kFtpLowerCase, m_bLowerCase);
    Put(t.m_dwOptions3, opt3::kIncrementalDownload, m_bIncrementalDownload);
}

void CFtpOptionsPage::SetUpperCase(bool on) {
    m_bUpperCase = on;
    m_bLowerCase = m_bLowerCase && !on;
}

void CFtpOptionsPage::SetLowerCase(bool on) {
    m_bLowerCase = on;
    m_bUpperCase = m_bUpperCase && !on;
}

void CExternalPage::Load(const CElement& t) {
    m_bRunBefore = t.m_bRunBefore != 0;
    m_strRunBefore = t.m_strRunBefore;
    m_bRunAfter = t.m_bRunAfter != 0;
    m_strRunAfter = t.m_strRunAfter;
}

void CExternalPage::Store(CElement& t) const {
    t.m_bRunBefore = m_bRunBefore ? 1 : 0;
    t.m_strRunBefore = m_strRunBefore;
    t.m_bRunAfter = m_bRunAfter ? 1 : 0;
    t.m_strRunAfter = m_strRunAfter;
}

void CCdPage::Load(const CElement& t) {
    m_bAsDisk = t.Has3(opt3::kCdAsDisk);
    m_bErase = t.Has3(opt3::kEraseCd);
    m_bFullErase = t.Has3(opt3::kFullErase);
    m_bEject = t.Has3(opt3::kEjectCd);
}

void CCdPage::Store(CElement& t) const {
    Put(t.m_dwOptions3, opt3::kCdAsDisk, m_bAsDisk);
    Put(t.m_dwOptions3, opt3::kEraseCd, m_bErase);
    Put(t.m_dwOptions3, opt3::kFullErase, m_bFullErase);
    Put(t.m_dwOptions3, opt3::kEjectCd, m_bEject);
}

void CRealtimeSettings::Load(const CElement& t) {
    m_nAccount = t.m_nServiceAccount == 1 ? 1 : 0;
    m_strUser = t.m_strServiceUser;
    m_strPassword = t.m_strServicePassword;
    m_bAutoStart = t.m_bServiceAutoStart != 0;
    m_bNoInitialSync = t.m_bServiceNoInitialSync != 0;
}

void CRealtimeSettings::Store(CElement& t) const {
    t.m_nServiceAccount = m_nAccount;
    t.m_strServiceUser = m_strUser;
    if (!m_strUser.empty() && m_strUser.find('\\') == std::string::npos) {
        t.m_strServiceUser = ".\\" + m_strUser;
    }
    t.m_strServicePassword = m_strPassword;
    t.m_bServiceAutoStart = m_bAutoStart ? 1 : 0;
    t.m_bServiceNoInitialSync = m_bNoInitialSync ? 1 : 0;
}

}  // namespace tv
