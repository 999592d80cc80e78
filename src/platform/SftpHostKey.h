#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/RemoteDriver.h"

namespace tv {

// What known_hosts says about the key a server showed.
enum class HostKeyMatch : uint8_t { Known, Changed, Unknown };
// How the last host key check of a session went.
enum class HostKeyVerdict : uint8_t { Unchecked, Known, Accepted, Unknown, Changed };

// One trust rule for every SSH session of a site: a known key is fine, a changed one refused
// without asking, an unknown one put to the site's AskHostKeyFn (refused when there is none) and
// added to `knownHosts` under `hostEntry` when trusted. `key` is the raw key blob. Blocks while
// the user is asked; the driver's thread.
HostKeyVerdict JudgeHostKey(HostKeyMatch match, const void* key, size_t length,
                            const CRemoteSite& site, const std::string& hostEntry,
                            const std::string& knownHosts);

// 0 for a verdict that lets the session go on; EPERM with the reason in `error` otherwise.
int HostKeyRefusal(HostKeyVerdict verdict, const std::string& hostEntry, std::string& error);

}  // namespace tv
