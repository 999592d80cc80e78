#pragma once

#include <string>

namespace tv {

// Opens a document, a folder or a web address with the user's preferred application
// ("xdg-open", or the program named by TWINVALE_OPEN_CMD, which tests set), detached from this
// process. The address is the opener's one argument: no shell ever reads it. False when the
// opener could not be started. Any thread; does not block.
bool OpenWithDesktop(const std::string& pathOrUrl);

// Plays a wave file without waiting for it (libcanberra). False when there is no sound
// system or the file cannot be played; a run never fails for a sound. Any thread.
bool PlaySoundFile(const std::string& path);

}  // namespace tv
