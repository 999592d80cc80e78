#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace tv {

// The kinds of schedule the schedule dialog offers; Other is a timing it did not write, shown
// as text and kept as it is.
enum class ScheduleKind {
    Once,
    EveryMinutes,
    EveryHours,
    Daily,
    Weekly,
    Monthly,
    AtStartup,
    Other
};

// A schedule as the dialog shows it. Only the fields of its kind count.
struct CScheduleForm {
    ScheduleKind m_kind = ScheduleKind::Daily;
    int m_nEvery = 1;       // EveryMinutes (1-59), EveryHours (1-23)
    int m_nHour = 0;        // Once, Daily, Weekly, Monthly
    int m_nMinute = 0;      // all but AtStartup; for EveryHours the minute of the hour
    int m_nDay = 1;         // Once, Monthly: day of the month (1-31)
    int m_nMonth = 1;       // Once (1-12)
    int m_nYear = 2000;     // Once
    unsigned m_nDays = 0;   // Weekly: bit 0 Sunday ... bit 6 Saturday
    std::string m_strText;  // Other: the timing as the crontab holds it
};

// The timing of a crontab line (five fields or an "@" word) and the year a single start is
// bound to (0: none).
struct CScheduleTiming {
    std::string m_strTiming;
    int m_nOnlyYear = 0;
};

// The form of a timing: the kind that writes exactly this timing, or Other.
CScheduleForm ReadScheduleForm(const CScheduleTiming& timing);
// The timing of a form; Other gives back its text unchanged.
CScheduleTiming WriteScheduleForm(const CScheduleForm& form);
// Whether the form's fields are within their ranges (a weekly one has a day, a single start a
// real date).
bool IsValidScheduleForm(const CScheduleForm& form);

// The next `count` start times after `after` (local time, whole minutes), fewer when the
// schedule has no more (a single start, the start of the computer) or cannot be told (an
// Other timing that is not plain fields of numbers).
std::vector<std::time_t> NextStartTimes(const CScheduleTiming& timing, std::time_t after,
                                        size_t count);

}  // namespace tv

namespace tv {

// The job the Schedule command opens: its name, the command it starts (an existing job keeps
// the one it was made with) and its schedule.
struct CScheduleJob {
    std::string m_strName;
    std::string m_strCommand;
    CScheduleForm m_form;
    bool m_bExists = false;  // the crontab has it already
};

}  // namespace tv
