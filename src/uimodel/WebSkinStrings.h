#pragma once

namespace tv {

// Texts of the Help menu's web commands and of skins.
enum WebSkinText : int {
    IDS_WEB_NEW_BUILD = 21100,
    IDS_WEB_NO_NEW_VERSION,
    IDS_WEB_CANT_OPEN,
    IDS_SKIN_CANT_LOAD,
    IDS_SKIN_NOT_STYLE_SHEET,
    IDS_SKIN_FILTER,
};

void AddWebSkinStrings();

}  // namespace tv
