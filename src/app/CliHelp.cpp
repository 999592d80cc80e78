#include "app/CliMain.h"

namespace tv {

std::string HelpText() {
    return R"(Usage: mirrant [OPTION]...
Synchronize and back up folders by the tasks of a task list.

  --dump-list FILE             print the task list FILE as JSON
  --make-list FILE.json OUT    write the task list OUT from the JSON file FILE.json
  -h, --help                   show this help and exit
      --version                show the version and exit

The JSON form is {"version": "590", "tasks": [...]}: each task is an object keyed by
the field names of the task record (m_nTaskId, m_strName, m_dwOptions, ...), its
m_Source and each entry of m_Targets an object keyed by the location's field names,
m_ExcludedItems an array of strings, m_Schedule an object with the keys "A" to "G"
and "H1" to "H6". Numbers are integers; times are seconds since 1970-01-01 UTC.
A string that is not valid UTF-8 (a file name is whatever bytes it holds) appears
as {"bytes_hex": "..."} with two hex digits per byte; --make-list accepts that form
for any string.

--make-list fills absent fields with the defaults of a new task and refuses unknown
keys and wrong types. Tasks without m_nTaskId (or with -1) get new ids above every
id in use; the others keep theirs. m_nNextTarget is kept in the profile's
"NextTags" section, as the program keeps it for every task.

Switches of the original command line ("/F:list", "/A", task ids) and the main
window are not available in this version.

Exit status:
  0  done
  1  the task list or the output could not be written
  2  unknown option, missing or extra parameter
  3  the task list is missing, unreadable or not a task list
  4  the task list was damaged: its complete tasks were printed
  5  the JSON file cannot be read or does not describe a task list
  6  not available in this version (the main window, unattended runs)
)";
}

}  // namespace tv
