#include "uimodel/DialogStrings.h"

#include "base/StringTable.h"

namespace tv {

void AddDialogStrings() {
    AddBuiltInStrings({
        {IDS_HELP_FILE, "Twinvale.html"},
        {IDS_TIP_FIRST,
         "Select several tasks with Ctrl or Shift and press SYNCH to run them all. With \"Start "
         "tasks consecutively\" in the preferences they run one after another."},
        {IDS_TIP_FIRST + 1,
         "Check \"Preview\" for a task to see every copy and deletion before it happens, and "
         "unselect the ones you do not want."},
        {IDS_TIP_FIRST + 2,
         "Drag a task from the list onto your desktop: the shortcut runs the task with a double "
         "click."},
        {IDS_TIP_FIRST + 3,
         "A synchronization task brings both folders into agreement in both directions; \"Target "
         "update only\" copies new and changed files to the target and never touches the "
         "source."},
        {IDS_TIP_FIRST + 4,
         "Press LOG after a run to read what was copied and deleted, and which errors "
         "occurred."},
        {IDS_TIP_FIRST + 5,
         "Run a task from a terminal or a scheduler: mirrant /F:\"LIST\" ID. /A runs every task "
         "of the list, /S runs it silently."},
        {IDS_TIP_FIRST + 6,
         "RESTORE copies the target back over the source: the way to get your files back from a "
         "backup."},
        {IDS_TIP_FIRST + 7,
         "A task can have several targets: type one in the target field and press ADD for each. "
         "They are brought up to date one after another."},
        {IDS_TIP_LAST,
         "Check \"Lock Settings\" when a task is the way you want it: its settings cannot be "
         "changed by mistake until you clear the check again."},

        {IDS_DLG_SHORTCUT_EXISTS, "Shortcut already exists. Do you want to overwrite it?"},
        {IDS_DLG_SHORTCUT_COMMENT, "Twinvale task"},
        {IDS_DLG_OK, "OK"},
        {IDS_DLG_CANCEL, "Cancel"},
        {IDS_DLG_CLOSE, "Close"},

        {IDS_PREF_CAPTION, "Application preferences"},
        {IDS_PREF_ERROR_GROUP, "When a file or folder cannot be copied or deleted"},
        {IDS_PREF_ASK_TO_CONTINUE, "Ask to continue"},
        {IDS_PREF_CONTINUE, "Continue without asking"},
        {IDS_PREF_STOP, "Stop without asking"},
        {IDS_PREF_ASK_SAVE_LIST, "Ask to save tasks list when exiting"},
        {IDS_PREF_CONFIRM_BOTH_CHANGED,
         "Ask to confirm if both files were changed since last synchronization"},
        {IDS_PREF_CONSECUTIVELY, "Start tasks consecutively"},
        {IDS_PREF_NO_PREVIEW_FOR_SEVERAL, "Don't show Preview window if several tasks started"},
        {IDS_PREF_CLOSE_PROGRESS, "Close task's progress window if no errors occurred"},
        {IDS_PREF_MINIMIZE_TO_TRAY, "Minimize to systray"},
        {IDS_PREF_CONFIRM_DELETE, "Ask to confirm when task deleting"},
        {IDS_PREF_SHOW_TIPS, "Show tips on startup"},
        {IDS_PREF_CLEAR_PATTERN, "Clear new tasks pattern"},
        {IDS_PREF_PATTERN_CLEARED, "New tasks start from the default settings again."},
        {IDS_PREF_KEEP_GROUP, "When a run deletes or overwrites a file"},
        {IDS_PREF_KEEP_DELETE, "Delete it"},
        {IDS_PREF_KEEP_TRASH, "Move it to the Trash"},
        {IDS_PREF_KEEP_VERSIONS, "Keep it in a versions folder"},
        {IDS_PREF_KEEP_DAYS, "Keep versions for (days):"},

        {IDS_TIPS_CAPTION, "Tip of the day"},
        {IDS_TIPS_HEADING, "Did you know..."},
        {IDS_TIPS_NEXT, "Next tip"},

        {IDS_ABOUT_CAPTION, "About Twinvale"},
        {IDS_ABOUT_NAME, "Twinvale"},
        {IDS_ABOUT_VERSION, "Version %s"},
        {IDS_ABOUT_DESCRIPTION,
         "Keeps folders in step: synchronization and backup of folders by tasks, from the "
         "window or the command line."},
        {IDS_HELP_NOT_INSTALLED,
         "The user guide is not installed: it is neither beside the program nor in "
         "../share/doc/twinvale or ../share/twinvale."},
        {IDS_HELP_NO_VIEWER, "The desktop could not start a program to show it (xdg-open)."},
    });
}

}  // namespace tv
