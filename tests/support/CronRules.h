#pragma once

#include <string>
#include <string_view>

namespace tvtest {

// What cron hands to /bin/sh of a crontab line's command: an unescaped "%" ends the command
// (the rest would be its input), and "\%" stands for "%"; every other backslash stays.
inline std::string AsCronRunsIt(std::string_view command) {
    std::string out;
    bool escaped = false;
    for (const char c : command) {
        if (escaped) {
            escaped = false;
            if (c == '%') {
                out.back() = '%';
                continue;
            }
        } else if (c == '\\') {
            escaped = true;
        } else if (c == '%') {
            break;
        }
        out += c;
    }
    return out;
}

}  // namespace tvtest
