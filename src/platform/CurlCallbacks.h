#pragma once

#include <curl/curl.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <string_view>

#include "platform/RemoteDriver.h"

// The libcurl callbacks, options and error mapping that the FTP and the SFTP driver share.
namespace tv::curlcb {

inline constexpr long kDefaultConnectTimeoutMs = 30'000;

// libcurl's global state, set up once for every handle of the process.
void InitCurlOnce();

inline std::string AbsolutePath(const std::string& path) {
    return path.starts_with('/') ? path : "/" + path;
}

// `path` made absolute, each component percent-encoded, so that a name is only ever a name.
std::string EscapedPath(CURL* curl, const std::string& path);

// The options every request of a site has: login, proxy, error text, time-outs, and the cancel
// flag that the progress callback reads. A relay proxy is the FTP driver's own business: here it
// means a direct connection.
void SetSiteOptions(CURL* curl, const CRemoteSite& site, char* errorBuffer,
                    std::atomic<bool>* cancel);

// `text` with the site's and the proxy's password masked, for an error text that quotes what the
// server or the proxy echoed.
std::string Masked(std::string text, const CRemoteSite& site);

struct CSinkContext {
    const RemoteSinkFn* sink = nullptr;
    int* error = nullptr;
};

inline size_t SinkCallback(char* data, size_t size, size_t count, void* user) {
    auto* context = static_cast<CSinkContext*>(user);
    *context->error = (*context->sink)(data, size * count);
    return *context->error == 0 ? size * count : 0;
}

// A download from byte `offset` into the context's sink.
inline void SetDownloadOptions(CURL* curl, CSinkContext& context, uint64_t offset) {
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, SinkCallback);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &context);
    curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(offset));
}

inline size_t StringCallback(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

struct CSourceContext {
    const RemoteSourceFn* source = nullptr;
    int* error = nullptr;
    uint64_t total = 0;
};

inline size_t SourceCallback(char* buffer, size_t size, size_t count, void* user) {
    auto* context = static_cast<CSourceContext*>(user);
    size_t got = 0;
    *context->error = (*context->source)(buffer, size * count, got);
    if (*context->error != 0) {
        return CURL_READFUNC_ABORT;
    }
    context->total += got;
    return got;
}

inline int ProgressCallback(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<std::atomic<bool>*>(user)->load() ? 1 : 0;
}

inline int ErrnoOf(CURLcode code) {
    switch (code) {
        case CURLE_OK:
            return 0;
        case CURLE_COULDNT_CONNECT:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return ECONNREFUSED;
        case CURLE_COULDNT_RESOLVE_HOST:
            return EHOSTUNREACH;
        case CURLE_OPERATION_TIMEDOUT:
            return ETIMEDOUT;
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
            return ECONNRESET;
        case CURLE_LOGIN_DENIED:
            return EACCES;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CONNECT_ERROR:
            return EPERM;
        case CURLE_SSL_CERTPROBLEM:
            return EINVAL;
        case CURLE_ABORTED_BY_CALLBACK:
            return ECANCELED;
        case CURLE_REMOTE_FILE_NOT_FOUND:
        case CURLE_FTP_COULDNT_RETR_FILE:
        case CURLE_REMOTE_ACCESS_DENIED:
            return ENOENT;
        default:
            return EIO;
    }
}

}  // namespace tv::curlcb
