#pragma once

namespace tv {

// Texts of the new-task wizard; its settings pages use the texts of the settings sheet.
enum WizardText : int {
    IDS_WIZ_CAPTION = 20500,
    IDS_WIZ_STEP,
    IDS_WIZ_BACK,
    IDS_WIZ_NEXT,
    IDS_WIZ_FINISH,
    IDS_WIZ_KIND_QUESTION,
    IDS_WIZ_LOCATIONS_QUESTION,
    IDS_WIZ_GENERAL_QUESTION,
    IDS_WIZ_TIME_QUESTION,
    IDS_WIZ_EXCLUDE_QUESTION,
    IDS_WIZ_MASKS_QUESTION,
    IDS_WIZ_SIZE_QUESTION,
    IDS_WIZ_NOTIFY_QUESTION,
    IDS_WIZ_DIALUP_QUESTION,
    IDS_WIZ_READY,
};

// Registers the built-in English texts above. Start-up, before other threads read texts.
void AddWizardStrings();

}  // namespace tv
