#include "uimodel/SettingsKeep.h"

#include <algorithm>

#include "platform/Profile.h"
#include "uimodel/DialogStrings.h"

namespace tv {

CKeepFilesChoice::CKeepFilesChoice(IFileSystem& fs)
    : m_fs(fs), m_settings(LoadKeepSettings(CProfile(fs))) {}

bool CKeepFilesChoice::Store(std::string* error) const {
    CProfile profile(m_fs);
    return StoreKeepSettings(profile, m_settings, error);
}

const std::array<int, 3>& CKeepFilesChoice::ChoiceTexts() {
    static const std::array<int, 3> texts = {IDS_PREF_KEEP_DELETE, IDS_PREF_KEEP_TRASH,
                                             IDS_PREF_KEEP_VERSIONS};
    return texts;
}

void CKeepFilesChoice::SetChoice(int choice) {
    m_settings.m_mode = choice == static_cast<int>(KeepMode::Trash)      ? KeepMode::Trash
                        : choice == static_cast<int>(KeepMode::Versions) ? KeepMode::Versions
                                                                         : KeepMode::Delete;
}

void CKeepFilesChoice::SetDays(int days) {
    m_settings.m_nDays = std::clamp(days, 1, kMaxKeepDays);
}

}  // namespace tv
