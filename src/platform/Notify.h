#pragma once

#include <string>

namespace tv {

enum class NetMessageResult { Shown, NotThisComputer, Failed };

// True when `computer` names this computer: its host name (with or without the domain),
// "localhost" or ".", without regard to case.
bool IsThisComputer(const std::string& computer);

// A network message: shown as a desktop notification (freedesktop notifications over the
// session bus) when `computer` is this one, from this computer's name (16 characters at most);
// messages to other computers are not delivered. `error` gets the reason of a failure. Blocks
// for a few seconds at most; any thread.
NetMessageResult SendNetMessage(const std::string& computer, const std::string& text,
                                std::string* error);

}  // namespace tv
