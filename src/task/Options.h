#pragma once

#include <cstdint>

namespace tv {

// Bits of the four option words of a task record and of the application preferences.
namespace opt1 {
inline constexpr uint32_t kModeMask = 0x3;  // 0 synchronize folders, 1 target update only
inline constexpr uint32_t kDeleteFromTarget = 0x8;
inline constexpr uint32_t kOnlyIfOnTarget = 0x10;
inline constexpr uint32_t kIncludeSubfolders = 0x20;
inline constexpr uint32_t kAppendLog = 0x40;
inline constexpr uint32_t kPreview = 0x80;
inline constexpr uint32_t kOnlyIfTargetNewer = 0x100;
inline constexpr uint32_t kNoEmptyFolders = 0x400;
inline constexpr uint32_t kKindMask = 0x1800;
inline constexpr int kKindShift = 11;
inline constexpr uint32_t kTimeLimit = 0x4000;
}  // namespace opt1

namespace opt2 {
inline constexpr uint32_t kExcludePeriod = 0x1;
inline constexpr uint32_t kPeriodDuring = 0x2;
inline constexpr uint32_t kExcludeItems = 0x4;
inline constexpr uint32_t kExcludeMasks = 0x8;
inline constexpr uint32_t kIncludeMasks = 0x10;
inline constexpr uint32_t kMaxSize = 0x40;
inline constexpr uint32_t kShutdown = 0x80;
inline constexpr uint32_t kTargetsInTurn = 0x100;
inline constexpr uint32_t kPolicyMask = 0x600;
inline constexpr int kPolicyShift = 9;
inline constexpr uint32_t kSilent = 0x800;
inline constexpr uint32_t kFtpSetLocalTime = 0x1000;
inline constexpr uint32_t kFtpUpperCase = 0x2000;
inline constexpr uint32_t kFtpLowerCase = 0x4000;
}  // namespace opt2

namespace opt3 {
inline constexpr uint32_t kOwnPreferences = 0x1;
inline constexpr uint32_t kArchiveTarget = 0x2;
inline constexpr uint32_t kDeleteNewBeforeLastSync = 0x4;
inline constexpr uint32_t kIncrementalDownload = 0x8;
inline constexpr uint32_t kHtmlLog = 0x10;
inline constexpr uint32_t kStartDelay = 0x20;
inline constexpr uint32_t kCreateTarget = 0x40;
inline constexpr uint32_t kEraseCd = 0x80;
inline constexpr uint32_t kEjectCd = 0x100;
inline constexpr uint32_t kFullErase = 0x200;
inline constexpr uint32_t kAsciiLog = 0x400;
inline constexpr uint32_t kCdAsDisk = 0x800;
inline constexpr uint32_t kAltCopy = 0x1000;
inline constexpr uint32_t kLockSettings = 0x2000;
inline constexpr uint32_t kZipDatePrefix = 0x4000;
}  // namespace opt3

namespace opt4 {
inline constexpr uint32_t kSkipJunctions = 0x1;
inline constexpr uint32_t kSkipHidden = 0x2;
inline constexpr uint32_t kSkipSystem = 0x4;
inline constexpr uint32_t kAltLogDir = 0x8;
}  // namespace opt4

// Application preference bits ("DlgPref").
namespace pref {
inline constexpr uint32_t kPolicyMask = 0x3;
inline constexpr uint32_t kAskSaveOnExit = 0x4;
inline constexpr uint32_t kConfirmConflicts = 0x10;
inline constexpr uint32_t kConsecutive = 0x20;
inline constexpr uint32_t kNoPreviewForSeveral = 0x40;
inline constexpr uint32_t kCloseProgressIfOk = 0x80;
inline constexpr uint32_t kMinimizeToTray = 0x100;
inline constexpr uint32_t kConfirmDelete = 0x200;
inline constexpr uint32_t kShowTips = 0x400;
inline constexpr uint32_t kDefault = 1028;
}  // namespace pref

enum class ErrorPolicy : int { Ask = 0, Continue = 1, Stop = 2 };
enum class TaskKind : int { Synchronization = 0, BackupRestore = 1, Realtime = 2 };

// What a run does between the source and a target; the planning step and the pass branch on
// it. The numbers are those the kinds had from the start.
enum class RunKind : int {
    Synchronize = 0,       // two-way
    UpdateTarget = 1,      // one way to the target (a backup)
    Replace = 2,           // the target becomes what the source is
    EqualizeToTarget = 4,  // the source's times are set to the target's
    EqualizeToSource = 8,  // the target's times are set to the source's
    Restore = 512,         // a backup copied back to the source
};

enum CompareMode : int {
    COMPARE_TIME = 0,
    COMPARE_TIME_OR_ATTRIBUTES = 1,
    COMPARE_SIZE = 2,
    COMPARE_TIME_AND_SIZE = 3,
    COMPARE_TIME_OR_SIZE = 4,
    COMPARE_BINARY = 5,
};

enum AgeUnit : int { AGE_MINS, AGE_HOURS, AGE_DAYS, AGE_WEEKS, AGE_MONTHS, AGE_YEARS };

}  // namespace tv
