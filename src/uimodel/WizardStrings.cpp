#include "uimodel/WizardStrings.h"

#include "base/StringTable.h"

namespace tv {

void AddWizardStrings() {
    AddBuiltInStrings({
        {IDS_WIZ_CAPTION, "Wizard"},
        {IDS_WIZ_STEP, "Step %d"},
        {IDS_WIZ_BACK, "< &Back"},
        {IDS_WIZ_NEXT, "&Next >"},
        {IDS_WIZ_FINISH, "&Finish"},
        {IDS_WIZ_KIND_QUESTION, "What kind of task do you want to create?"},
        {IDS_WIZ_LOCATIONS_QUESTION, "Set source and target directories please:"},
        {IDS_WIZ_GENERAL_QUESTION, "Set general task settings please:"},
        {IDS_WIZ_TIME_QUESTION, "Do you want to limit files on the time criterion?"},
        {IDS_WIZ_EXCLUDE_QUESTION, "Do you want to exclude defined subdirectories/files?"},
        {IDS_WIZ_MASKS_QUESTION, "Do you want to exclude/include files with defined extensions?"},
        {IDS_WIZ_SIZE_QUESTION, "Do you want to exclude files on the size criterion?"},
        {IDS_WIZ_NOTIFY_QUESTION, "Do you want to notify about task finish?"},
        {IDS_WIZ_DIALUP_QUESTION, "Do you want to use Dial-up client?"},
        {IDS_WIZ_READY,
         "Wizard is ready to create new task. Click FINISH to create task or BACK button to "
         "change task settings."},
    });
}

}  // namespace tv
