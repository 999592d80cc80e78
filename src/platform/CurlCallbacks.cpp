#include "platform/CurlCallbacks.h"

#include <mutex>

namespace tv::curlcb {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string EscapedPath(CURL* curl, const std::string& path) {
    std::string url;
    size_t pos = path.starts_with('/') ? 1 : 0;
    while (pos < path.size()) {
        size_t slash = path.find('/', pos);
        size_t end = slash == std::string::npos ? path.size() : slash;
        char* escaped = curl_easy_escape(curl, path.data() + pos, static_cast<int>(end - pos));
        url += escaped;
        curl_free(escaped);
        if (slash != std::string::npos) {
            url += '/';
        }
        pos = end + 1;
    }
    return url;
}

void SetSiteOptions(CURL* curl, const CRemoteSite& site, char* errorBuffer,
                    std::atomic<bool>* cancel) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, site.m_user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, site.m_password.c_str());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    long timeout = site.m_connectTimeoutMs > 0 ? site.m_connectTimeoutMs : kDefaultConnectTimeoutMs;
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeout);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, site.m_lowSpeedSeconds);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, ProgressCallback);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, cancel);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
}

}  // namespace tv::curlcb
