#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

namespace tv {

struct CWebFetch {
    std::string m_strAgent;                        // the User-Agent the server sees
    size_t m_nMaxBytes = 256;                      // the line is cut here
    std::chrono::seconds m_timeout{10};            // for the whole exchange, connection included
    const std::atomic<bool>* m_pCancel = nullptr;  // set on another thread to give up
};

// The first line of the file at an http or https address, without its line end and at most
// `m_nMaxBytes` long. Certificates and host names are verified; redirects are followed to
// http and https addresses only. Nothing when the file cannot be had: no connection, a
// refused certificate, an HTTP error status (an error page is not the file), the time-out,
// or a cancel. Blocks for at most the time-out; a cancel ends it within a second. Any thread.
std::optional<std::string> FetchFirstLine(const std::string& url, const CWebFetch& fetch);

}  // namespace tv
