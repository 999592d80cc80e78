#include "platform/DialUp.h"

#include "platform/Process.h"

namespace tv {

namespace {

// The connection name is passed as one argument, never through a shell.
bool RunConnectionCommand(const char* verb, const std::string& connection) {
    const std::string tool = FindOnPath(kDialUpTool);
    if (tool.empty() || connection.empty()) {
        return false;
    }
    return RunProgram({tool, "connection", verb, "id", connection}) == 0;
}

}  // namespace

bool IsDialUpPresent() {
    return !FindOnPath(kDialUpTool).empty();
}

// Terse output is one name per line, with ":" and "\\" escaped by a backslash.
std::vector<std::string> DialUpConnections() {
    const std::string tool = FindOnPath(kDialUpTool);
    std::string output;
    if (tool.empty() ||
        RunProgramOutput({tool, "-t", "-f", "NAME", "connection", "show"}, output) != 0) {
        return {};
    }
    std::vector<std::string> names;
    std::string name;
    for (size_t i = 0; i < output.size(); ++i) {
        if (output[i] == '\\' && i + 1 < output.size()) {
            name += output[++i];
        } else if (output[i] == '\n') {
            if (!name.empty()) {
                names.push_back(name);
            }
            name.clear();
        } else {
            name += output[i];
        }
    }
    if (!name.empty()) {
        names.push_back(name);
    }
    return names;
}

bool DialConnection(const std::string& connection) {
    return RunConnectionCommand("up", connection);
}

bool HangUpConnection(const std::string& connection) {
    return RunConnectionCommand("down", connection);
}

}  // namespace tv
