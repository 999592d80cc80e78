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

namespace {

void SetProxyOptions(CURL* curl, const CRemoteSite& site) {
    long type = CURLPROXY_HTTP;
    long port = 1080;
    switch (site.m_proxyType) {
        case RemoteProxy::None:
        case RemoteProxy::Relay:
            // An empty proxy, not an absent one: libcurl would otherwise take the environment's.
            curl_easy_setopt(curl, CURLOPT_PROXY, "");
            return;
        case RemoteProxy::System:
            // An FTP or SFTP session cannot be carried by plain HTTP requests; it needs a tunnel.
            curl_easy_setopt(curl, CURLOPT_HTTPPROXYTUNNEL, 1L);
            return;
        case RemoteProxy::Socks4:
            type = CURLPROXY_SOCKS4;
            break;
        case RemoteProxy::Socks4a:
            type = CURLPROXY_SOCKS4A;
            break;
        case RemoteProxy::Socks5:
            type = CURLPROXY_SOCKS5_HOSTNAME;
            break;
        case RemoteProxy::Http:
            port = 8080;
            curl_easy_setopt(curl, CURLOPT_HTTPPROXYTUNNEL, 1L);
            break;
    }
    curl_easy_setopt(curl, CURLOPT_PROXY, site.m_proxyHost.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXYTYPE, type);
    curl_easy_setopt(curl, CURLOPT_PROXYPORT, site.m_proxyPort > 0 ? long{site.m_proxyPort} : port);
    if (!site.m_proxyUser.empty()) {
        curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, site.m_proxyUser.c_str());
        curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, site.m_proxyPassword.c_str());
    }
}

void Mask(std::string& text, const std::string& secret) {
    if (secret.empty()) {
        return;
    }
    for (size_t pos = text.find(secret); pos != std::string::npos;
         pos = text.find(secret, pos + 3)) {
        text.replace(pos, secret.size(), "***");
    }
}

}  // namespace

std::string Masked(std::string text, const CRemoteSite& site) {
    Mask(text, site.m_password);
    Mask(text, site.m_proxyPassword);
    return text;
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
    SetProxyOptions(curl, site);
}

}  // namespace tv::curlcb
