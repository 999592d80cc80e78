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

bool DialConnection(const std::string& connection) {
    return RunConnectionCommand("up", connection);
}

bool HangUpConnection(const std::string& connection) {
    return RunConnectionCommand("down", connection);
}

}  // namespace tv
