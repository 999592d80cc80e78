#include "task/Element.h"

#include <algorithm>
#include <optional>
#include <tuple>

#include "base/StringTable.h"
#include "base/Utf.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"
#include "platform/TaskCounter.h"

namespace tv {

namespace {

// The rest of `entry` after `root`, when the entry lies in or below that root.
std::optional<std::string> RelativeToRoot(const std::string& entry, const CTag& location) {
    const std::string& root = location.Root();
    if (root.empty()) {
        return std::nullopt;
    }
    const size_t length =
        location.m_bIsFtp
            ? (entry.compare(0, root.size(), root) == 0 ? root.size() : std::string::npos)
            : Utf8PrefixLengthNoCase(entry, root);
    if (length == std::string::npos) {
        return std::nullopt;
    }
    std::string rest = entry.substr(length);
    // "/data2/x" is not below "/data": only a cut at a separator is a relative path.
    const bool atBoundary = rest.empty() || rest.front() == '/' || rest.front() == '\\' ||
                            root.back() == '/' || root.back() == '\\';
    return atBoundary ? std::optional(std::move(rest)) : std::nullopt;
}

}  // namespace

CElement::CElement() : m_strName(LoadString(IDS_NEW_TASK)) {}

bool CElement::HoldsPassword() const {
    const auto site = [](const CTag& tag) {
        return !tag.m_strPassword.empty() || !tag.m_strProxyPassword.empty();
    };
    return site(m_Source) || std::any_of(m_Targets.begin(), m_Targets.end(), site) ||
           !m_strRasPassword.empty() || !m_strServicePassword.empty();
}

void CElement::ResetToDefaults(const std::string& programDataFolder) {
    CElement fresh;
    fresh.m_nTaskId = m_nTaskId;
    fresh.m_ExcludedItems = std::move(m_ExcludedItems);
    fresh.m_timePeriodFrom = m_timePeriodFrom;
    fresh.m_timePeriodTo = m_timePeriodTo;
    fresh.m_Schedule = m_Schedule;
    fresh.m_nServiceAccount = m_nServiceAccount;
    fresh.m_strServiceUser = std::move(m_strServiceUser);
    fresh.m_strServicePassword = std::move(m_strServicePassword);
    fresh.m_bServiceAutoStart = m_bServiceAutoStart;
    fresh.m_bServiceNoInitialSync = m_bServiceNoInitialSync;
    fresh.m_strPreviewSound = programDataFolder + "/Snd1.wav";
    fresh.m_strFinishSound = programDataFolder + "/Snd2.wav";
    fresh.m_Source = m_Source;
    fresh.m_Source.ResetConnection();
    *this = std::move(fresh);  // reserved values 1 and 2 and the run state stay as they were
    m_nReserved3 = 1;
    m_nReserved4 = 0;
}

void CElement::RebuildExcludedItems(const std::vector<std::string>& pageItems) {
    std::vector<std::string> items;
    items.reserve(pageItems.size());
    for (const auto& entry : pageItems) {
        std::optional<std::string> relative = RelativeToRoot(entry, m_Source);
        for (size_t i = 0; !relative && i < m_Targets.size(); ++i) {
            relative = RelativeToRoot(entry, m_Targets[i]);
        }
        std::string item = relative ? std::move(*relative) : entry;
        if (!item.empty()) {
            items.push_back(std::move(item));
        }
    }
    m_ExcludedItems = std::move(items);
}

int CElement::TakeNextTarget(CProfile& profile) {
    const int count = static_cast<int>(m_Targets.size());
    if (m_nNextTarget >= count || m_nNextTarget < 0) {
        m_nNextTarget = 0;
    }
    const int used = m_nNextTarget;
    m_nNextTarget = count > 0 ? (m_nNextTarget + 1) % count : 0;
    profile.WriteProfileInt(profkey::kNextTargets, std::to_string(m_nTaskId), m_nNextTarget);
    return used;
}

bool IsTaskCanceled(CElement& task) {
    return task.m_Run.WaitWhilePaused();
}

void RecordShown(CElement& task, CTaskInfor::List list, const std::string& line) {
    task.m_Run.Record(list, line);
    if (ITaskObserver* observer = task.m_Run.Observer(); observer && !task.Has2(opt2::kSilent)) {
        observer->AddDetail(line);
    }
}

void ShowCopyProgress(CElement& task, int percent) {
    if (ITaskObserver* observer = task.m_Run.Observer(); observer && !task.Has2(opt2::kSilent)) {
        observer->CopyProgress(percent);
    }
}

int NewTaskId(IFileSystem& fs) {
    return DrawNewTaskId(fs);
}

namespace {

auto StoredTie(const CElement& e) {
    return std::tie(e.m_strName, e.m_Source, e.m_Targets, e.m_ExcludedItems, e.m_strExcludeMasks,
                    e.m_strIncludeMasks, e.m_bUseSnapshot, e.m_bDeleteSourceAfterRun, e.m_dwOptions,
                    e.m_dwOptions2, e.m_dwOptions3, e.m_dwOptions4, e.m_nAgeValue, e.m_nAgeUnit,
                    e.m_nStartDelay, e.m_bTargetsInTurn, e.m_nNextTarget, e.m_timePeriodFrom,
                    e.m_timePeriodTo, e.m_Schedule, e.m_nTaskId, e.m_nMaxSizeMb, e.m_nLogLimitKb,
                    e.m_nCompareMode, e.m_strHtmlLogFile, e.m_strAltLogDir, e.m_strAltCopyDir,
                    e.m_bMailReport, e.m_nMailWhen, e.m_nMailContent, e.m_strSmtpServer,
                    e.m_strMailFrom, e.m_strMailTo);
}

auto StoredTie2(const CElement& e) {
    return std::tie(e.m_bNetSend, e.m_strNetSendTo, e.m_nNetSendWhen, e.m_bPreviewSound,
                    e.m_strPreviewSound, e.m_bFinishSound, e.m_strFinishSound, e.m_bDialUp,
                    e.m_strRasConnection, e.m_strRasUser, e.m_strRasPassword, e.m_strRasPhone,
                    e.m_strRasEntry, e.m_bRasHangUp, e.m_bRunBefore, e.m_bRunAfter,
                    e.m_strRunBefore, e.m_strRunAfter, e.m_nServiceAccount, e.m_strServiceUser,
                    e.m_strServicePassword, e.m_bServiceAutoStart, e.m_bServiceNoInitialSync);
}

}  // namespace

bool EqualFields(const CElement& a, const CElement& b) {
    return StoredTie(a) == StoredTie(b) && StoredTie2(a) == StoredTie2(b) &&
           int32_t(a.m_nReserved1) == int32_t(b.m_nReserved1) &&
           int32_t(a.m_nReserved2) == int32_t(b.m_nReserved2) &&
           int32_t(a.m_nReserved3) == int32_t(b.m_nReserved3) &&
           int32_t(a.m_nReserved4) == int32_t(b.m_nReserved4);
}

}  // namespace tv
