#include "uimodel/Preferences.h"

#include "uimodel/DialogStrings.h"

namespace tv {

const std::array<CPreferenceCheck, 8>& PreferenceChecks() {
    static const std::array<CPreferenceCheck, 8> checks = {{
        {pref::kAskSaveOnExit, IDS_PREF_ASK_SAVE_LIST},
        {pref::kConfirmConflicts, IDS_PREF_CONFIRM_BOTH_CHANGED},
        {pref::kConsecutive, IDS_PREF_CONSECUTIVELY},
        {pref::kNoPreviewForSeveral, IDS_PREF_NO_PREVIEW_FOR_SEVERAL},
        {pref::kCloseProgressIfOk, IDS_PREF_CLOSE_PROGRESS},
        {pref::kMinimizeToTray, IDS_PREF_MINIMIZE_TO_TRAY},
        {pref::kConfirmDelete, IDS_PREF_CONFIRM_DELETE},
        {pref::kShowTips, IDS_PREF_SHOW_TIPS},
    }};
    return checks;
}

const std::array<int, 3>& ErrorPolicyTexts() {
    static const std::array<int, 3> texts = {IDS_PREF_ASK_TO_CONTINUE, IDS_PREF_CONTINUE,
                                             IDS_PREF_STOP};
    return texts;
}

ErrorPolicy PreferredErrorPolicy(uint32_t preferences) {
    const uint32_t value = preferences & pref::kPolicyMask;
    return value < ErrorPolicyTexts().size() ? static_cast<ErrorPolicy>(value) : ErrorPolicy::Ask;
}

uint32_t BuildPreferences(ErrorPolicy policy, uint32_t checkedBits) {
    uint32_t preferences = static_cast<uint32_t>(policy) & pref::kPolicyMask;
    for (const auto& check : PreferenceChecks()) {
        preferences |= checkedBits & check.m_dwBit;
    }
    return preferences;
}

}  // namespace tv
