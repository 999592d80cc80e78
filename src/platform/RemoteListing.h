#pragma once

#include <string_view>

#include "base/FileTime.h"
#include "platform/RemoteDriver.h"

namespace tv {

// A machine-readable MLSD reply: "fact=value;fact=value; name" lines.
void ParseMlsd(std::string_view text, CRemoteListing& listing);

// A LIST reply in the Unix ("-rw-r--r-- 1 u g 12 Jan  2 10:00 name") or the DOS/IIS
// ("01-02-24  10:00AM  <DIR>  name") form, line by line. A Unix date without a year is taken
// in the year that does not put it more than a day after `now` (the server's wall clock as
// UTC ticks). Times are LocalWall. Lines of neither form ("total 12") are passed over.
void ParseList(std::string_view text, FileTime now, CRemoteListing& listing);

// "YYYYMMDDHHMMSS[.fff]" as in MDTM and MLSD's modify fact, in UTC; false when malformed.
bool ParseFtpTime(std::string_view text, FileTime& time);

// Adds `name` with its entry to the listing, or to the refused names when it is not one safe
// path component. "." and ".." as folders (a listing's own and parent entry) are dropped
// silently, as are upload temporaries.
void AddRemoteEntry(CRemoteEntry entry, CRemoteListing& listing);

}  // namespace tv
