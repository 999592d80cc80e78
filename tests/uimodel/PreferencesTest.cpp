#include <gtest/gtest.h>

#include "base/StringTable.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/Preferences.h"

namespace {

using tv::ErrorPolicy;

TEST(PreferenceBits, EveryValueThatMeansSomethingSurvivesTheDialog) {
    uint32_t meaningful = 0;
    for (const auto& check : tv::PreferenceChecks()) {
        EXPECT_EQ(meaningful & check.m_dwBit, 0u) << "two boxes for one bit";
        meaningful |= check.m_dwBit;
    }
    EXPECT_EQ(meaningful, 0x7F4u);
    for (uint32_t policy = 0; policy < 3; ++policy) {
        for (uint32_t checks = 0; checks < 0x800; checks += 4) {
            const uint32_t value = (checks & meaningful) | policy;
            EXPECT_EQ(tv::BuildPreferences(tv::PreferredErrorPolicy(value), value), value);
        }
    }
}

TEST(PreferenceBits, ValuesWithoutMeaningComeOutAsTheSafeOnes) {
    EXPECT_EQ(tv::PreferredErrorPolicy(0x403), ErrorPolicy::Ask);
    EXPECT_EQ(tv::PreferredErrorPolicy(0x402), ErrorPolicy::Stop);
    EXPECT_EQ(tv::BuildPreferences(ErrorPolicy::Continue, 0xFFFFFFFF), 0x7F5u);
    EXPECT_EQ(tv::BuildPreferences(ErrorPolicy::Ask, 0x8), 0u);
}

TEST(PreferenceBits, EachBoxIsLabelledWithTheMeaningOfItsBit) {
    tv::AddDialogStrings();
    const auto textOf = [](uint32_t bit) {
        for (const auto& check : tv::PreferenceChecks()) {
            if (check.m_dwBit == bit) {
                return tv::LoadString(check.m_nTextId);
            }
        }
        return std::string();
    };
    EXPECT_EQ(textOf(0x004), "Ask to save tasks list when exiting");
    EXPECT_EQ(textOf(0x010),
              "Ask to confirm if both files were changed since last synchronization");
    EXPECT_EQ(textOf(0x080), "Close task's progress window if no errors occurred");
    EXPECT_EQ(textOf(0x100), "Minimize to systray");
    EXPECT_EQ(textOf(0x400), "Show tips on startup");
    EXPECT_EQ(tv::LoadString(tv::ErrorPolicyTexts()[2]), "Stop without asking");
}

}  // namespace
