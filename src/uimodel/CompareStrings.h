#pragma once

namespace tv {

// Texts of the directory comparison: its launcher and the comparison window.
enum CompareText : int {
    IDS_CMP_NOT_FOUND = 21000,
    IDS_CMP_REMOTE_LATER,
    IDS_CMP_NOT_LISTED,
};

// Adds the comparison's built-in English texts to the string table. Start-up, main thread.
void AddCompareStrings();

}  // namespace tv
