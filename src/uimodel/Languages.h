#pragma once

#include "platform/LanguageFiles.h"

namespace tv {

// Every window's built-in texts, registered before a language file is read, so that none of
// its lines is refused for want of a built-in text. Main thread, at start-up.
void AddProgramStrings();

}  // namespace tv
