#include "platform/WebFile.h"

#include <curl/curl.h>

#include <memory>

#include "platform/CurlCallbacks.h"

namespace tv {

namespace {

struct CLineSink {
    std::string m_strLine;
    size_t m_nMax = 0;
    bool m_bComplete = false;  // the line end or the length limit was reached
};

// Ends the transfer (by taking less than was offered) once the line is complete: the rest of
// the file is never needed.
size_t TakeLine(char* data, size_t size, size_t count, void* user) {
    auto& sink = *static_cast<CLineSink*>(user);
    const size_t offered = size * count;
    for (size_t i = 0; i < offered; ++i) {
        if (data[i] == '\n' || data[i] == '\r' || sink.m_strLine.size() >= sink.m_nMax) {
            sink.m_bComplete = true;
            return 0;
        }
        sink.m_strLine += data[i];
    }
    return offered;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancel = static_cast<const std::atomic<bool>*>(user);
    return cancel != nullptr && cancel->load() ? 1 : 0;
}

}  // namespace

std::optional<std::string> FetchFirstLine(const std::string& url, const CWebFetch& fetch) {
    curlcb::InitCurlOnce();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        return std::nullopt;
    }
    CURL* c = curl.get();
    CLineSink sink{{}, fetch.m_nMaxBytes, false};
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, fetch.m_strAgent.c_str());
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(fetch.m_timeout.count() * 1000));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, TakeLine);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, fetch.m_pCancel);
    const CURLcode result = curl_easy_perform(c);
    if (result == CURLE_OK || (result == CURLE_WRITE_ERROR && sink.m_bComplete)) {
        return sink.m_strLine;
    }
    return std::nullopt;
}

}  // namespace tv
