#pragma once

#include <array>
#include <cstdint>

#include "task/Options.h"

namespace tv {

// One check box of the preferences dialog: the preference bit it shows and its text.
struct CPreferenceCheck {
    uint32_t m_dwBit;
    int m_nTextId;
};

// The check boxes of the preferences dialog, in the order they are shown.
const std::array<CPreferenceCheck, 8>& PreferenceChecks();

// The texts of the error-policy choices, in the order of their values (Ask, Continue, Stop).
const std::array<int, 3>& ErrorPolicyTexts();

// The error policy the bits hold; the unused value 3 reads as Ask, the choice that decides
// nothing on the user's behalf.
ErrorPolicy PreferredErrorPolicy(uint32_t preferences);

// The preferences as the dialog rebuilds them from its controls: the policy and those of
// `checkedBits` that a check box stands for. Bits without a control (0x008) come out clear.
uint32_t BuildPreferences(ErrorPolicy policy, uint32_t checkedBits);

}  // namespace tv
