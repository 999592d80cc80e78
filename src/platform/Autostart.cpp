#include "platform/Autostart.h"

#include "platform/Folders.h"

namespace tv {

// Inside a quoted argument these four keep their meaning only behind a backslash.
std::string QuoteExecArgument(std::string_view arg) {
    std::string quoted = "\"";
    for (const char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        } else if (c == '%') {
            quoted += '%';
        }
        quoted += c;
    }
    return quoted + '"';
}

// The string escapes are undone before the quoting, so they are applied last.
std::string EscapeDesktopValue(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\t':
                escaped += "\\t";
                break;
            default:
                escaped += c;
        }
    }
    // A reader trims a leading blank.
    if (!escaped.empty() && escaped.front() == ' ') {
        escaped.replace(0, 1, "\\s");
    }
    return escaped;
}

std::string AutostartFolder() {
    return XdgConfigHome() + "/autostart";
}

std::string DesktopExecValue(const std::vector<std::string>& argv) {
    std::string line;
    for (const std::string& arg : argv) {
        if (!line.empty()) {
            line += ' ';
        }
        line += QuoteExecArgument(arg);
    }
    return EscapeDesktopValue(line);
}

std::string AutostartEntryText(std::string_view name, const std::vector<std::string>& argv) {
    return "[Desktop Entry]\nType=Application\nName=" + EscapeDesktopValue(name) +
           "\nExec=" + DesktopExecValue(argv) +
           "\nNoDisplay=true\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
}

}  // namespace tv
