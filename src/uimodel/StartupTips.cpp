#include "uimodel/StartupTips.h"

#include "platform/Profile.h"
#include "platform/ProfileKeys.h"
#include "task/Options.h"
#include "uimodel/DialogStrings.h"

namespace tv {

namespace {

// A number that a hand-edited or damaged profile left outside 0-8 still names a tip.
int TipInRange(int number) {
    return ((number % CStartupTips::kCount) + CStartupTips::kCount) % CStartupTips::kCount;
}

}  // namespace

CStartupTips::CStartupTips(CProfile& profile)
    : m_profile(profile),
      m_nTip(TipInRange(profile.GetProfileInt(profkey::kSettings, profkey::kNextTip, 1))) {}

int CStartupTips::TextId() const {
    return IDS_TIP_FIRST + m_nTip;
}

void CStartupTips::Next() {
    m_nTip = TipInRange(m_nTip + 1);
}

void CStartupTips::Close(bool showOnStartup, uint32_t& preferences) {
    m_profile.WriteProfileInt(profkey::kSettings, profkey::kNextTip, TipInRange(m_nTip + 1));
    if (showOnStartup == ((preferences & pref::kShowTips) != 0)) {
        return;
    }
    preferences = showOnStartup ? preferences | pref::kShowTips : preferences & ~pref::kShowTips;
    m_profile.WriteProfileInt(profkey::kSettings, profkey::kPreferences,
                              static_cast<int>(preferences));
}

}  // namespace tv
