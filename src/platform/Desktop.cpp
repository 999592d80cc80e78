#include "platform/Desktop.h"

#include <canberra.h>

#include <cstdlib>
#include <mutex>

#include "platform/Process.h"

namespace tv {

namespace {

// One context for the whole program: creating one per sound would connect to the sound
// server each time, and a sound still playing must keep its context alive.
ca_context* SoundContext() {
    static std::once_flag once;
    static ca_context* context = nullptr;
    std::call_once(once, [] {
        if (ca_context_create(&context) != CA_SUCCESS) {
            context = nullptr;
        }
    });
    return context;
}

}  // namespace

bool OpenWithDesktop(const std::string& pathOrUrl) {
    const char* custom = std::getenv("TWINVALE_OPEN_CMD");
    const std::string opener = custom != nullptr && *custom != '\0' ? custom : "xdg-open";
    return StartProgram({opener, pathOrUrl});
}

bool PlaySoundFile(const std::string& path) {
    ca_context* context = SoundContext();
    if (context == nullptr || path.empty()) {
        return false;
    }
    return ca_context_play(context, 0, CA_PROP_MEDIA_FILENAME, path.c_str(), nullptr) == CA_SUCCESS;
}

}  // namespace tv
