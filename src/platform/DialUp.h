#pragma once

#include <string>
#include <vector>

namespace tv {

// Dial-up connections are NetworkManager connections, driven through its command-line tool.
// The name of that tool, for the "%s not found" line of a run that cannot dial.
inline constexpr const char* kDialUpTool = "nmcli";

// True when the tool is found on PATH. Any thread.
bool IsDialUpPresent();

// The names of the connections NetworkManager knows, in its order; empty without the tool.
// Blocks until the tool has ended; any thread.
std::vector<std::string> DialUpConnections();

// Brings the named connection up; true when NetworkManager says it is up. Blocks until the
// tool has ended; any thread.
bool DialConnection(const std::string& connection);

// Takes the named connection down; true on success. Blocks; any thread.
bool HangUpConnection(const std::string& connection);

}  // namespace tv
