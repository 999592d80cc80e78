// Text in and out of a remote driver, for the tests of the drivers over real servers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/RemoteDriver.h"

namespace tvtest {

inline int UploadText(tv::IRemoteDriver& driver, const std::string& path, const std::string& text) {
    size_t done = 0;
    return driver.Upload(path, [&](void* buffer, size_t size, size_t& got) {
        got = std::min(size, text.size() - done);
        std::copy_n(text.data() + done, got, static_cast<char*>(buffer));
        done += got;
        return 0;
    });
}

inline std::string DownloadText(tv::IRemoteDriver& driver, const std::string& path,
                                uint64_t offset = 0) {
    std::string text;
    int error = driver.Download(path, offset, [&](const void* data, size_t size) {
        text.append(static_cast<const char*>(data), size);
        return 0;
    });
    return error == 0 ? text : "error " + std::to_string(error);
}

// How often `what` occurs in `text` (logins in a server's log).
inline size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) {
        ++n;
    }
    return n;
}

}  // namespace tvtest
