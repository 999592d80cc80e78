#include "uimodel/CompareStrings.h"

#include "base/StringTable.h"

namespace tv {

void AddCompareStrings() {
    AddBuiltInStrings({
        {IDS_CMP_NOT_FOUND, "Directories comparison utility not found"},
        {IDS_CMP_REMOTE_LATER, "FTP sites cannot be compared in this version yet."},
        {IDS_CMP_NOT_LISTED, "A folder could not be listed."},
        {IDS_CMP_CAPTION, "Compare directories"},
        {IDS_CMP_COL_NAME, "Name"},
        {IDS_CMP_COL_SIZE, "Size"},
        {IDS_CMP_COL_MODIFIED, "Modified"},
        {IDS_CMP_ONLY_DIFFERENCES, "Only &differences"},
        {IDS_CMP_BINARY, "Compare &contents"},
        {IDS_CMP_LISTING, "Listing folders..."},
        {IDS_CMP_COUNTS,
         "Same: %d   Only left: %d   Only right: %d   Newer left: %d   Newer right: %d   "
         "Other size: %d   Other content: %d"},
        {IDS_CMP_BAD_SWITCH, "Unknown switch: %s"},
    });
}

}  // namespace tv
