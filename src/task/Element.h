#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "task/Options.h"
#include "task/Schedule.h"
#include "task/Tag.h"
#include "task/TaskRunState.h"

namespace tv {

class CProfile;
class IFileSystem;

// A 32-bit value kept in the file but owned by one record: copies start from `Initial` and
// assignment leaves the destination's value alone.
template <int32_t Initial>
class CRecordOwned {
  public:
    CRecordOwned() = default;
    CRecordOwned(const CRecordOwned&) {}
    CRecordOwned& operator=(const CRecordOwned&) { return *this; }
    CRecordOwned& operator=(int32_t v) {
        m_value = v;
        return *this;
    }
    operator int32_t() const { return m_value; }

  private:
    int32_t m_value = Initial;
};

// The task record: everything a task is, and (in m_Run) the state of its run.
class CElement {
  public:
    CElement();

    CRecordOwned<0> m_nReserved1;
    std::string m_strName;
    CTag m_Source;
    CRecordOwned<0> m_nReserved2;
    std::vector<CTag> m_Targets;
    std::vector<std::string> m_ExcludedItems;
    std::string m_strExcludeMasks;
    std::string m_strIncludeMasks;
    CRecordOwned<1> m_nReserved3;
    int32_t m_bUseSnapshot = 0;
    int32_t m_bDeleteSourceAfterRun = 0;
    uint32_t m_dwOptions = 0xE0;
    uint32_t m_dwOptions2 = 0;
    uint32_t m_dwOptions3 = 0x800;
    uint32_t m_dwOptions4 = 0;
    int32_t m_nAgeValue = 0;
    int32_t m_nAgeUnit = AGE_MINS;
    int32_t m_nStartDelay = 0;
    int32_t m_bTargetsInTurn = 0;
    int32_t m_nNextTarget = 0;
    TaskTime m_timePeriodFrom = 0;
    TaskTime m_timePeriodTo = 0;
    CRecordOwned<0> m_nReserved4;
    CSchedule m_Schedule;
    int32_t m_nTaskId = -1;
    int32_t m_nMaxSizeMb = 10;
    int32_t m_nLogLimitKb = 500;
    int32_t m_nCompareMode = COMPARE_TIME;
    std::string m_strHtmlLogFile;
    std::string m_strAltLogDir;
    std::string m_strAltCopyDir;
    int32_t m_bMailReport = 0;
    int32_t m_nMailWhen = 0;
    int32_t m_nMailContent = 0;
    std::string m_strSmtpServer;
    std::string m_strMailFrom;
    std::string m_strMailTo;
    int32_t m_bNetSend = 0;
    std::string m_strNetSendTo;
    int32_t m_nNetSendWhen = 0;
    int32_t m_bPreviewSound = 0;
    std::string m_strPreviewSound;
    int32_t m_bFinishSound = 0;
    std::string m_strFinishSound;
    int32_t m_bDialUp = 0;
    std::string m_strRasConnection;
    std::string m_strRasUser;
    std::string m_strRasPassword;
    std::string m_strRasPhone;
    std::string m_strRasEntry;
    int32_t m_bRasHangUp = 0;
    int32_t m_bRunBefore = 0;
    int32_t m_bRunAfter = 0;
    std::string m_strRunBefore;
    std::string m_strRunAfter;
    int32_t m_nServiceAccount = 0;
    std::string m_strServiceUser;
    std::string m_strServicePassword;
    int32_t m_bServiceAutoStart = 0;
    int32_t m_bServiceNoInitialSync = 0;

    CTaskRunState m_Run;

    // "NEW TASK" and "Clear all fields": defaults, with the sound files in the program data
    // folder; the id, reserved values 1 and 2, the exclusions, the period, the schedule and the
    // service fields are kept.
    void ResetToDefaults(const std::string& programDataFolder);

    // True when any password field of the task or its locations is set. Pure.
    bool HoldsPassword() const;

    // Rebuilds m_ExcludedItems from the settings page's list: entries below the source root
    // (or else below the first target root that holds them) are stored relative to it.
    void RebuildExcludedItems(const std::vector<std::string>& pageItems);

    // For "Use targets consecutively": the index of the target this run uses; advances the
    // rotation and stores it in the profile's "NextTags" section.
    int TakeNextTarget(CProfile& profile);

    uint32_t Mode() const { return m_dwOptions & opt1::kModeMask; }
    TaskKind Kind() const {
        return static_cast<TaskKind>((m_dwOptions & opt1::kKindMask) >> opt1::kKindShift);
    }
    ErrorPolicy OwnPolicy() const {
        return static_cast<ErrorPolicy>((m_dwOptions2 & opt2::kPolicyMask) >> opt2::kPolicyShift);
    }
    bool Has1(uint32_t bit) const { return m_dwOptions & bit; }
    bool Has2(uint32_t bit) const { return m_dwOptions2 & bit; }
    bool Has3(uint32_t bit) const { return m_dwOptions3 & bit; }
    bool Has4(uint32_t bit) const { return m_dwOptions4 & bit; }
};

// Any thread of a run. Returns the cancel flag; blocks while the run is paused.
bool IsTaskCanceled(CElement& task);

// Any thread of a run: a line for the current target's record, shown among the progress
// window's details too unless the task runs silently.
void RecordShown(CElement& task, CTaskInfor::List list, const std::string& line);
// Any thread of a run: the progress bar moved, unless the task runs silently.
void ShowCopyProgress(CElement& task, int percent);

// Draws the id of a new task from the task counter kept in `fs`.
int NewTaskId(IFileSystem& fs);

// Field-by-field equality of two records, reserved values included, run state left out.
bool EqualFields(const CElement& a, const CElement& b);

}  // namespace tv
