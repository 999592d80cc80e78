// A target path typed by the user: whatever it holds, a recorder's address is a prefix of it
// and the folder chain inside the image has no empty, "." or ".." component.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/DiscRecorder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path(reinterpret_cast<const char*>(data), size);
    std::string drive;
    std::string folder;
    if (!tv::SplitDiscPath(path, drive, folder)) {
        return 0;
    }
    const bool prefix = path.compare(0, drive.size(), drive) == 0;
    const std::string wrapped = "/" + folder + "/";
    const bool clean = folder.empty() || (wrapped.find("//") == std::string::npos &&
                                          wrapped.find("/./") == std::string::npos &&
                                          wrapped.find("/../") == std::string::npos);
    if (!prefix || !clean || drive.empty()) {
        std::abort();
    }
    return 0;
}
