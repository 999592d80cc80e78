#include "uimodel/CompareStrings.h"

#include <iostream>

#include "base/StringTable.h"
#include "uimodel/Languages.h"

namespace tv {

void AddCompareStrings() {
    AddBuiltInStrings({
        {IDS_CMP_NOT_FOUND, "Directories comparison utility not found"},
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
        {IDS_CMP_CANCELED, "The comparison was canceled."},
        {IDS_CMP_LISTED, "Listing folders... %d entries"},
        {IDS_CMP_CANCEL, "Cancel"},
        {IDS_CMP_COPY_RIGHT, "Copy to &right"},
        {IDS_CMP_COPY_LEFT, "Copy to &left"},
        {IDS_CMP_DELETE_LEFT, "Delete on lef&t"},
        {IDS_CMP_DELETE_RIGHT, "Delete on ri&ght"},
        {IDS_CMP_ASK_DELETE_LEFT,
         "Items to delete from the left side: %d. Selected folders go with everything in them. "
         "Delete them?"},
        {IDS_CMP_ASK_DELETE_RIGHT,
         "Items to delete from the right side: %d. Selected folders go with everything in them. "
         "Delete them?"},
        {IDS_CMP_WORKING, "Copying and deleting..."},
        {IDS_CMP_ACTION_ERRORS, "Not everything could be done:"},
    });
}

void UseMainProgramLanguage(IFileSystem& fs, const CProfile& profile) {
    UseChosenLanguage(fs, profile, std::cerr);
}

}  // namespace tv
