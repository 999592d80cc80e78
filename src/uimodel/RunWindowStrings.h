#pragma once

namespace tv {

// Texts of the windows of a run: the progress window, the preview window and the common
// dialogs. The low ids travel with the progress window's template; the rest are our own.
enum RunWindowStringId : int {
    IDS_RUNWIN_SHUTDOWN = 281,
    IDS_RUNWIN_CANCEL = 467,
    IDS_RUNWIN_PAUSE = 469,
    IDS_RUNWIN_DETAILS_SHOW = 471,
    IDS_RUNWIN_ERRORS = 505,

    IDS_RUNWIN_RESUME = 31000,
    IDS_RUNWIN_CLOSE,
    IDS_RUNWIN_DETAILS_HIDE,
    IDS_RUNWIN_FINISHING,
    IDS_RUNWIN_FINISHED,
    IDS_RUNWIN_SUMMARY,
    IDS_RUNWIN_FILES_COPIED,
    IDS_RUNWIN_FILES_DELETED,
    IDS_RUNWIN_COUNT_PAIR,
    IDS_RUNWIN_TASK_CAPTION,

    IDS_RUNWIN_COPY_FROM_SOURCE = 31020,
    IDS_RUNWIN_COPY_FROM_TARGET,
    IDS_RUNWIN_DELETE_IN_TARGET,
    IDS_RUNWIN_DELETE_IN_SOURCE,
    IDS_RUNWIN_SELECT_UNSELECT,
    IDS_RUNWIN_EXCLUDE_INCLUDE,
    IDS_RUNWIN_OK,

    IDS_RUNWIN_APP_CAPTION = 31040,
    IDS_RUNWIN_FILTER_ALL,
    IDS_RUNWIN_FILTER_TASK_LIST,
    IDS_RUNWIN_FILTER_KEY,
    IDS_RUNWIN_FILTER_CERTIFICATE,
    IDS_RUNWIN_SELECT_LOCATION,
    IDS_RUNWIN_CHOOSE,

    // Each list of the preview has a Select/Unselect button with an Alt key of its own, and
    // the progress window's path fields have labels of their own (the log's take no Alt key).
    IDS_RUNWIN_SELECT_FROM_TARGET = 21240,
    IDS_RUNWIN_SELECT_IN_TARGET,
    IDS_RUNWIN_SELECT_IN_SOURCE,
    IDS_RUNWIN_SOURCE_LABEL = 21246,
    IDS_RUNWIN_TARGET_LABEL,
};

// Registers the built-in English texts above. Start-up, before other threads read texts.
void AddRunWindowStrings();

}  // namespace tv
