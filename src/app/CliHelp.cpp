#include "app/CliMain.h"

namespace tv {

std::string HelpText() {
    return R"(Usage: mirrant [OPTION]...
  or:  mirrant /F:LIST ID... [SWITCH]...
  or:  mirrant /F:LIST /A [SWITCH]...
Synchronize and back up folders by the tasks of a task list.

Running tasks (switches start with "/" or "-", any case; /f:LIST and -F:LIST are alike):
  /F:LIST     the task list to load (a bare name is also looked for in the TLists folder)
  ID          a task id (a number) to run; several run in the order given
  /A          run every task of the list
  /R          run the selected tasks as Replace
  /S          silent: no progress lines, only errors and the summary
  /C          run the tasks one after another
  /M          run the tasks at the same time, even with "Start tasks consecutively"
  /D          shut the computer down after the runs
  /P:HOST     replace the FTP host of each selected task's source
  /T:HOST     replace the FTP host of each selected task's targets
  /I          run as root through pkexec (asks for the password): the program starts
              itself again, elevated. Without pkexec, or when already root, the run
              goes on as it is and says so. The elevated run uses root's settings,
              TLists folder and logs; a relative list path that names a file here is
              made absolute first
Progress goes to standard error: phase lines and a progress bar on a terminal, plain
lines otherwise, then a summary per task. Questions and the preview are asked on the
terminal; without one, every question takes the answer that changes nothing more
(Ignore, No), the log says so, and a preview counts as refused (the run is canceled).
SIGINT and SIGTERM cancel the runs; their logs are written. Any other switch ("-"
and a name, "/" and one character, or /X:TEXT) is unknown: it is ignored with a
warning. Other parameters starting with "/" are paths: a task list to open in the
main window.

      --scheduled              the run was started by the scheduler (cron): its log
                               says so, no window opens and nothing is asked; every
                               question takes the answer that changes nothing more
      --restore                run the selected tasks as the main window's Restore
                               command does: a backup task copies its target back
                               into its source; a task whose target is a zip archive
                               unpacks the archive into its source
      --dry-run                plan the selected tasks as a run would (same scan,
                               filters, criterion and last synchronization) and
                               print each planned action with its reason, then the
                               items left alone and the counts; nothing is changed:
                               no copy, no log, no snapshot, no program started
      --json                   with --dry-run: one JSON object per line instead
  --dump-list FILE             print the task list FILE as JSON
  --make-list FILE.json OUT    write the task list OUT from the JSON file FILE.json
      --show-passwords         let --dump-list print the passwords of the list
  -h, --help                   show this help and exit
      --version                show the version and exit

The JSON form is {"version": "590", "tasks": [...]}: each task is an object keyed by
the field names of the task record (m_nTaskId, m_strName, m_dwOptions, ...), its
m_Source and each entry of m_Targets an object keyed by the location's field names,
m_ExcludedItems an array of strings, m_Schedule an object with the keys "A" to "G"
and "H1" to "H6". Numbers are integers; times are seconds since 1970-01-01 UTC.
A string that is not valid UTF-8 (a file name is whatever bytes it holds) appears
as {"bytes_hex": "..."} with two hex digits per byte; --make-list accepts that form
for any string. A password is printed as {"hidden": true} unless --show-passwords
is given; --make-list refuses that form, so dump with --show-passwords to copy a
list, and keep that output private.

--make-list fills absent fields with the defaults of a new task and refuses unknown
keys and wrong types. Tasks without m_nTaskId (or with -1) get new ids above every
id in use; the others keep theirs. m_nNextTarget is kept in the profile's
"NextTags" section, as the program keeps it for every task.

Exit status of a run of tasks:
  0  every task ended normally without errors
  1  some task logged errors
  2  some task ended with an error or was canceled (also: interrupted)
  3  the task list could not be loaded

Exit status of the other commands:
  0  done
  1  the task list or the output could not be written
  2  unknown option, missing or extra parameter
  3  the task list is missing, unreadable or not a task list
  4  the task list was damaged: its complete tasks were printed
  5  the JSON file cannot be read or does not describe a task list
  6  the main window cannot open: there is no display
)";
}

}  // namespace tv
