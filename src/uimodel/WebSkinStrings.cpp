#include "uimodel/WebSkinStrings.h"

#include "base/StringTable.h"

namespace tv {

void AddWebSkinStrings() {
    AddBuiltInStrings({
        {IDS_WEB_NEW_BUILD, "Build %s is available. Do you want to download?"},
        {IDS_WEB_NO_NEW_VERSION, "There is no new version available."},
        {IDS_WEB_CANT_OPEN, "The web page could not be opened."},
        {IDS_SKIN_CANT_LOAD, "The skin could not be loaded; the window keeps its look."},
        {IDS_SKIN_NOT_STYLE_SHEET, "The file is not a style sheet."},
        {IDS_SKIN_FILTER, "Skins (.qss)"},
    });
}

}  // namespace tv
