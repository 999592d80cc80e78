// Text in and out of a remote driver, for the tests of the drivers over real servers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/RemoteDriver.h"

namespace tvtest {

inline int UploadText(tv::IRemoteDriver& driver, const std::string& path, const std::string& text,
                      const tv::CUploadOptions& options = {}) {
    size_t done = 0;
    bool timeSet = false;
    return driver.Upload(
        path,
        [&](void* buffer, size_t size, size_t& got) {
            got = std::min(size, text.size() - done);
            std::copy_n(text.data() + done, got, static_cast<char*>(buffer));
            done += got;
            return 0;
        },
        options, timeSet);
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

// An environment variable set (or removed) for one test, the old value put back afterwards.
class CEnvVar {
  public:
    CEnvVar(std::string name, const std::optional<std::string>& value) : m_name(std::move(name)) {
        if (const char* old = std::getenv(m_name.c_str()); old != nullptr) {
            m_old = old;
        }
        Set(value);
    }
    ~CEnvVar() { Set(m_old); }
    CEnvVar(const CEnvVar&) = delete;
    CEnvVar& operator=(const CEnvVar&) = delete;

  private:
    void Set(const std::optional<std::string>& value) {
        if (value.has_value()) {
            setenv(m_name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(m_name.c_str());
        }
    }

    std::string m_name;
    std::optional<std::string> m_old;
};

}  // namespace tvtest
