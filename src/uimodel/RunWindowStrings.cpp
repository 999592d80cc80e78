#include "uimodel/RunWindowStrings.h"

#include "base/StringTable.h"

namespace tv {

void AddRunWindowStrings() {
    AddBuiltInStrings({
        {IDS_RUNWIN_SHUTDOWN, "Shutdown computer after &finishing"},
        {IDS_RUNWIN_CANCEL, "&Cancel"},
        {IDS_RUNWIN_PAUSE, "&Pause"},
        {IDS_RUNWIN_DETAILS_SHOW, "&Details >>"},
        {IDS_RUNWIN_ERRORS, "Errors"},
        {IDS_RUNWIN_RESUME, "&Resume"},
        {IDS_RUNWIN_CLOSE, "&Close"},
        {IDS_RUNWIN_DETAILS_HIDE, "<< &Details"},
        {IDS_RUNWIN_FINISHING, "Finishing task..."},
        {IDS_RUNWIN_FINISHED, "Finished"},
        {IDS_RUNWIN_SUMMARY, "SUMMARY:"},
        {IDS_RUNWIN_FILES_COPIED, "Files copied  (from src/from target): "},
        {IDS_RUNWIN_FILES_DELETED, "Files deleted (from src/from target): "},
        {IDS_RUNWIN_COUNT_PAIR, "%d / %d"},
        {IDS_RUNWIN_TASK_CAPTION, "Task: %s (%d)"},
        {IDS_RUNWIN_COPY_FROM_SOURCE, "Will be copied from &source: %s byte"},
        {IDS_RUNWIN_COPY_FROM_TARGET, "Will be copied from &target: %s byte"},
        {IDS_RUNWIN_DELETE_IN_TARGET, "Will be &deleted in target: %s byte"},
        {IDS_RUNWIN_DELETE_IN_SOURCE, "Will be deleted in sou&rce: %s byte"},
        {IDS_RUNWIN_SELECT_UNSELECT, "Select/&Unselect"},
        {IDS_RUNWIN_EXCLUDE_INCLUDE, "Exclude/include"},
        {IDS_RUNWIN_OK, "&OK"},
        {IDS_RUNWIN_APP_CAPTION, "Twinvale"},
        {IDS_RUNWIN_FILTER_ALL, "All (*.*)"},
        {IDS_RUNWIN_FILTER_TASK_LIST, "Twinvale tasks list (.tsl)"},
        {IDS_RUNWIN_FILTER_KEY, "Private key (.pem)"},
        {IDS_RUNWIN_FILTER_CERTIFICATE, "Certificate (.cer)"},
        {IDS_RUNWIN_SELECT_LOCATION, "Select a Directory / File"},
        {IDS_RUNWIN_CHOOSE, "Choose"},
        {IDS_RUNWIN_SELECT_FROM_TARGET, "Se&lect/Unselect"},
        {IDS_RUNWIN_SELECT_IN_TARGET, "Sel&ect/Unselect"},
        {IDS_RUNWIN_SELECT_IN_SOURCE, "Select/U&nselect"},
        {IDS_RUNWIN_SOURCE_LABEL, "&Source"},
        {IDS_RUNWIN_TARGET_LABEL, "&Target"},
    });
}

}  // namespace tv
