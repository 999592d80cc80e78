#pragma once

namespace tv {

class CProfile;
class IFileSystem;

// Texts of the directory comparison: its launcher and the comparison window.
enum CompareText : int {
    IDS_CMP_NOT_FOUND = 21000,
    IDS_CMP_NOT_LISTED = 21002,
    IDS_CMP_CAPTION,
    IDS_CMP_COL_NAME,
    IDS_CMP_COL_SIZE,
    IDS_CMP_COL_MODIFIED,
    IDS_CMP_ONLY_DIFFERENCES,
    IDS_CMP_BINARY,
    IDS_CMP_LISTING,
    IDS_CMP_COUNTS,
    IDS_CMP_BAD_SWITCH,
    IDS_CMP_CANCELED = 21012,
    IDS_CMP_LISTED,
    IDS_CMP_CANCEL,
    IDS_CMP_COPY_RIGHT,
    IDS_CMP_COPY_LEFT,
    IDS_CMP_DELETE_LEFT,
    IDS_CMP_DELETE_RIGHT,
    IDS_CMP_ASK_DELETE_LEFT,
    IDS_CMP_ASK_DELETE_RIGHT,
    IDS_CMP_WORKING,
    IDS_CMP_ACTION_ERRORS,
};

// Adds the comparison's built-in English texts to the string table. Start-up, main thread.
void AddCompareStrings();

// Takes the texts of the language the main program was last set to, from the files it reads
// (its program folder, or the one the profile names, and the installed data folder). Start-up,
// main thread; blocks on disk I/O.
void UseMainProgramLanguage(IFileSystem& fs, const CProfile& profile);

}  // namespace tv
