#include "platform/Autostart.h"

#include "platform/Folders.h"

namespace tv {

namespace {

// Inside a quoted argument these four keep their meaning only behind a backslash.
std::string QuoteArgument(std::string_view arg) {
    std::string quoted = "\"";
    for (const char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        if (c == '%') {
            quoted += '%';
        }
        quoted += c;
    }
    return quoted + '"';
}

// The string escapes are undone before the quoting, so they are applied last.
std::string EscapeStringValue(std::string_view text) {
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
    return escaped;
}

}  // namespace

std::string AutostartFolder() {
    return XdgConfigHome() + "/autostart";
}

std::string DesktopExecValue(const std::vector<std::string>& argv) {
    std::string line;
    for (const std::string& arg : argv) {
        if (!line.empty()) {
            line += ' ';
        }
        line += QuoteArgument(arg);
    }
    return EscapeStringValue(line);
}

std::string AutostartEntryText(std::string_view name, const std::vector<std::string>& argv) {
    return "[Desktop Entry]\nType=Application\nName=" + EscapeStringValue(name) +
           "\nExec=" + DesktopExecValue(argv) +
           "\nNoDisplay=true\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
}

}  // namespace tv
