#pragma once

namespace tv {

// Texts of the smaller windows around the main window: preferences, tips, about, the help
// file's name and the desktop shortcut. The help file and the tips keep the ids they have
// always had; the rest take ids from 32000 on, and the reasons why the guide cannot be shown
// from 20200.
enum DialogText : int {
    IDS_HELP_FILE = 462,
    IDS_TIP_FIRST = 40000,
    IDS_TIP_LAST = 40008,

    IDS_DLG_SHORTCUT_EXISTS = 32000,
    IDS_DLG_SHORTCUT_COMMENT,
    IDS_DLG_OK,
    IDS_DLG_CANCEL,
    IDS_DLG_CLOSE,

    IDS_PREF_CAPTION = 32100,
    IDS_PREF_ERROR_GROUP,
    IDS_PREF_ASK_TO_CONTINUE,
    IDS_PREF_CONTINUE,
    IDS_PREF_STOP,
    IDS_PREF_ASK_SAVE_LIST,
    IDS_PREF_CONFIRM_BOTH_CHANGED,
    IDS_PREF_CONSECUTIVELY,
    IDS_PREF_NO_PREVIEW_FOR_SEVERAL,
    IDS_PREF_CLOSE_PROGRESS,
    IDS_PREF_MINIMIZE_TO_TRAY,
    IDS_PREF_CONFIRM_DELETE,
    IDS_PREF_SHOW_TIPS,
    IDS_PREF_CLEAR_PATTERN,
    IDS_PREF_PATTERN_CLEARED,
    IDS_PREF_KEEP_GROUP = 21150,
    IDS_PREF_KEEP_DELETE,
    IDS_PREF_KEEP_TRASH,
    IDS_PREF_KEEP_VERSIONS,
    IDS_PREF_KEEP_DAYS,

    IDS_TIPS_CAPTION = 32200,
    IDS_TIPS_HEADING,
    IDS_TIPS_NEXT,

    IDS_ABOUT_CAPTION = 32300,
    IDS_ABOUT_NAME,
    IDS_ABOUT_VERSION,
    IDS_ABOUT_DESCRIPTION,

    IDS_HELP_NOT_INSTALLED = 20200,
    IDS_HELP_NO_VIEWER,
};

// Registers the built-in English texts above. Start-up, before other threads read texts.
void AddDialogStrings();

}  // namespace tv
