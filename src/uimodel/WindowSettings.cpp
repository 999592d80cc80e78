#include "uimodel/WindowSettings.h"

#include "platform/Profile.h"
#include "platform/ProfileKeys.h"

namespace tv {

namespace {

struct CPlacementKeys {
    const char* m_pszWidth;
    const char* m_pszHeight;
    const char* m_pszMaximized;
};

CPlacementKeys KeysOf(KeptWindow window) {
    if (window == KeptWindow::Preview) {
        return {profkey::kPreviewWidth, profkey::kPreviewHeight, profkey::kPreviewMaximized};
    }
    return {profkey::kMainWidth, profkey::kMainHeight, profkey::kMainMaximized};
}

}  // namespace

CWindowPlacement LoadPlacement(const CProfile& profile, KeptWindow window) {
    const CPlacementKeys keys = KeysOf(window);
    CWindowPlacement placement;
    placement.m_nWidth = profile.GetProfileInt(profkey::kSettings, keys.m_pszWidth, 0);
    placement.m_nHeight = profile.GetProfileInt(profkey::kSettings, keys.m_pszHeight, 0);
    placement.m_bMaximized = profile.GetProfileInt(profkey::kSettings, keys.m_pszMaximized, 0) != 0;
    return placement;
}

void StorePlacement(CProfile& profile, KeptWindow window, const CWindowPlacement& placement) {
    const CPlacementKeys keys = KeysOf(window);
    if (placement.HasSize()) {
        profile.WriteProfileInt(profkey::kSettings, keys.m_pszWidth, placement.m_nWidth);
        profile.WriteProfileInt(profkey::kSettings, keys.m_pszHeight, placement.m_nHeight);
    }
    profile.WriteProfileInt(profkey::kSettings, keys.m_pszMaximized,
                            placement.m_bMaximized ? 1 : 0);
}

}  // namespace tv
