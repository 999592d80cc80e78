#include "uimodel/CompareStrings.h"

#include "base/StringTable.h"

namespace tv {

void AddCompareStrings() {
    AddBuiltInStrings({
        {IDS_CMP_NOT_FOUND, "Directories comparison utility not found"},
        {IDS_CMP_REMOTE_LATER, "FTP sites cannot be compared in this version yet."},
        {IDS_CMP_NOT_LISTED, "A folder could not be listed."},
    });
}

}  // namespace tv
