#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tv {

// The folder of the desktop's autostart entries: $XDG_CONFIG_HOME/autostart. Any thread.
std::string AutostartFolder();

// One argument of an Exec line in double quotes: '"', '`', '$' and '\' behind a backslash, and
// "%" doubled, as a field code would otherwise begin there. Pure.
std::string QuoteExecArgument(std::string_view arg);

// `text` as a desktop entry string value: backslashes, line breaks and tabs escaped, and a
// leading blank spelled "\s" so that the reader keeps it. Pure.
std::string EscapeDesktopValue(std::string_view text);

// The value of an Exec key that starts exactly `argv`: each argument in double quotes with the
// characters the desktop entry format reserves escaped, "%" doubled (it would start a field
// code), and the whole then escaped as a string value (backslashes, line breaks). Pure.
std::string DesktopExecValue(const std::vector<std::string>& argv);

// The text of an autostart entry named `name` that starts `argv` when the user logs in. Pure.
std::string AutostartEntryText(std::string_view name, const std::vector<std::string>& argv);

}  // namespace tv
