#pragma once

#include <string>
#include <vector>

#include "platform/DiscRecorder.h"

struct burn_source;

namespace tv {

// libisofs's words since the last call, at least as grave as `severity` ("SORRY"...), joined
// by "; "; the queue is emptied. Called with the recorder's turn held.
std::string TakeImageMessages(const char* severity);

// Readies libisofs once per process: UTF-8 names whatever the locale, messages queued rather
// than printed, and a file that cannot be read while the image is written ends the image
// instead of leaving zeros in its place.
void InitImageLibrary();

// An ISO 9660 image with Joliet and Rock Ridge names over the staging entries, as a source of
// bytes that the burn pulls; the files are read as the image reaches them. Null, with the
// reason in `error`, when an entry cannot be added. The caller frees it (burn_source_free).
// libisofs declares this source outside libburn's C++ namespace; the two are one layout.
burn_source* MakeDiscImage(const std::vector<CDiscImageEntry>& entries, std::string& error);

}  // namespace tv
