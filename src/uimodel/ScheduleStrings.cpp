#include "uimodel/ScheduleStrings.h"

#include "base/StringTable.h"

namespace tv {

void AddScheduleStrings() {
    AddBuiltInStrings({
        {IDS_SCHED_CAPTION, "Schedule %s"},
        {IDS_SCHED_WARNING_CAPTION, "Warning!"},
        {IDS_SCHED_WARNING,
         "A scheduled task runs without windows, also while nobody is at the computer: every "
         "question takes the answer that changes nothing more, and a preview counts as refused. "
         "It starts only while the computer is on and the cron service runs."},
        {IDS_SCHED_DONT_SHOW, "Don't show this message again"},
        {IDS_SCHED_KIND_LABEL, "&Start the task:"},
        {IDS_SCHED_ONCE, "Once"},
        {IDS_SCHED_EVERY_MINUTES, "Every few minutes"},
        {IDS_SCHED_EVERY_HOURS, "Every few hours"},
        {IDS_SCHED_DAILY, "Daily"},
        {IDS_SCHED_WEEKLY, "Weekly"},
        {IDS_SCHED_MONTHLY, "Monthly"},
        {IDS_SCHED_AT_STARTUP, "When the computer starts"},
        {IDS_SCHED_OTHER, "Other schedule"},
        {IDS_SCHED_EVERY_LABEL, "E&very:"},
        {IDS_SCHED_MINUTES_SUFFIX, " minutes"},
        {IDS_SCHED_HOURS_SUFFIX, " hours"},
        {IDS_SCHED_TIME_LABEL, "At &time:"},
        {IDS_SCHED_DATE_LABEL, "On &date:"},
        {IDS_SCHED_DAY_LABEL, "On d&ay of the month:"},
        {IDS_SCHED_DAYS_LABEL, "On these days:"},
        {IDS_SCHED_MINUTE_LABEL, "At m&inute of the hour:"},
        {IDS_SCHED_OTHER_LABEL, "Cron time fields:"},
        {IDS_SCHED_PREVIEW_LABEL, "Next start times:"},
        {IDS_SCHED_NO_PREVIEW, "(no start time that can be told in advance)"},
        {IDS_SCHED_COMMAND_LABEL, "Command:"},
        {IDS_SCHED_REMOVE, "&Remove Schedule"},
        {IDS_SCHED_READ_FAILED, "The schedule could not be read: %s"},
        {IDS_SCHED_SAVE_FAILED, "The schedule could not be saved: %s"},
        {IDS_SCHED_BAD_PATH,
         "The task list %s cannot be scheduled: cron cannot start a program with this path."},
        {IDS_SCHED_MONTH_NOTE, "Months without this day are passed over."},
        {IDS_SCHED_OTHER_NOTE,
         "This schedule was set outside this program. It is kept as it is unless you choose "
         "another one."},
    });
}

}  // namespace tv
