#include "platform/CurlFtpDriver.h"

#include <curl/curl.h>

#include <cerrno>
#include <cstdlib>

#include "platform/CurlCallbacks.h"
#include "platform/RemoteListing.h"

namespace tv {
namespace {

using namespace curlcb;

// The "%2F" makes the path start at the server's root rather than the login folder.
std::string UrlPath(CURL* curl, const std::string& path) {
    return "%2F" + EscapedPath(curl, path);
}

// A line break in a name would end the command and start another one.
bool SafeForCommand(const std::string& path) {
    return path.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
}

std::string MfmtCommand(FileTime time, const std::string& absolutePath) {
    CCalendarTime c = CalendarFromFileTime(time);
    char text[32];
    snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", c.year, c.month, c.day, c.hour,
             c.minute, c.second);
    return "MFMT " + std::string(text) + " " + absolutePath;
}

std::string HostOf(const std::string& host) {
    std::string lower = host.substr(0, 6);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower == "ftp://" ? host.substr(6) : host;
}

}  // namespace

CCurlFtpDriver::CCurlFtpDriver(CRemoteSite site) : m_site(std::move(site)), m_twinSite(m_site) {
    m_twinSite.m_askHostKey = nullptr;
    m_twinSite.m_askCertificate = nullptr;
    InitCurlOnce();
    m_curl = curl_easy_init();
    m_multi = curl_multi_init();
    m_errorBuffer.resize(CURL_ERROR_SIZE);
    bool implicit = m_site.m_protocol == RemoteProtocol::FtpsImplicit;
    int port = m_site.m_port != 0 ? m_site.m_port : implicit ? 990 : 21;
    std::string host = HostOf(m_site.m_host);
    if (m_site.m_protocol != RemoteProtocol::Ftp) {
        m_trust = std::make_unique<CCertificateTrust>(host, port, m_site.m_askCertificate,
                                                      m_site.m_trustedCertsFile);
    }
    if (m_site.m_proxyType == RemoteProxy::Relay) {
        m_site.m_user += "@" + host + (port == 21 ? "" : ":" + std::to_string(port));
        host = m_site.m_proxyHost;
        port = m_site.m_proxyPort != 0 ? m_site.m_proxyPort : 21;
    }
    m_baseUrl =
        std::string(implicit ? "ftps://" : "ftp://") + host + ":" + std::to_string(port) + "/";
}

CCurlFtpDriver::~CCurlFtpDriver() {
    curl_easy_cleanup(m_curl);
    curl_multi_cleanup(m_multi);
}

void CCurlFtpDriver::Prepare(const std::string& path, bool folder) {
    curl_easy_reset(m_curl);
    std::string url = m_baseUrl;
    if (!path.empty() && path != "/") {
        url += UrlPath(m_curl, path) + (folder ? "/" : "");
    }
    curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
    SetSiteOptions(m_curl, m_site, m_errorBuffer.data(), &m_cancel);
    curl_easy_setopt(m_curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    if (!m_site.m_bPassive) {
        curl_easy_setopt(m_curl, CURLOPT_FTPPORT, "-");
    }
    if (m_trust) {
        SetTlsOptions();
    }
}

void CCurlFtpDriver::SetTlsOptions() {
    if (m_site.m_protocol == RemoteProtocol::FtpsControlOnly) {
        curl_easy_setopt(m_curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_CONTROL));
    } else if (m_site.m_protocol == RemoteProtocol::FtpsProtected) {
        curl_easy_setopt(m_curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    }
    // The system store stays trusted when SSL_CERT_FILE adds a CA of its own.
    if (const char* caFile = std::getenv("SSL_CERT_FILE"); caFile != nullptr && *caFile != 0) {
        curl_easy_setopt(m_curl, CURLOPT_CAINFO, caFile);
        curl_easy_setopt(m_curl, CURLOPT_CAPATH, "/etc/ssl/certs");
    }
    m_trust->Apply(m_curl);
    if (!m_site.m_certificateFile.empty()) {
        // The certificate and its key share the one file.
        curl_easy_setopt(m_curl, CURLOPT_SSLCERT, m_site.m_certificateFile.c_str());
        curl_easy_setopt(m_curl, CURLOPT_SSLCERTTYPE, "PEM");
        curl_easy_setopt(m_curl, CURLOPT_SSLKEY, m_site.m_certificateFile.c_str());
        curl_easy_setopt(m_curl, CURLOPT_SSLKEYTYPE, "PEM");
    }
}

int CCurlFtpDriver::Perform() {
    if (m_cancel) {
        return ECANCELED;
    }
    m_errorBuffer[0] = 0;
    m_sinkError = 0;
    if (m_trust) {
        m_trust->Reset();
    }
    const auto code = static_cast<CURLcode>(Run());
    if (code == CURLE_OK) {
        return 0;
    }
    m_error =
        Masked(m_errorBuffer[0] != 0 ? m_errorBuffer.data() : curl_easy_strerror(code), m_site);
    if (m_trust && !m_trust->Refusal().empty()) {
        m_error = m_trust->Refusal();
        return EPERM;
    }
    if ((code == CURLE_WRITE_ERROR || code == CURLE_ABORTED_BY_CALLBACK) && m_sinkError != 0) {
        return m_sinkError;
    }
    return ErrnoOf(code);
}

// libcurl's own loop (curl_easy_perform) waits up to a second for the sockets when it has no
// timer set, and this libcurl sets none between the passive-mode answer and the data
// connection's connect: every few transfers stood still for exactly a second. This loop looks
// again after a few milliseconds whatever libcurl expects.
int CCurlFtpDriver::Run() {
    constexpr int kPollSliceMs = 5;
    if (curl_multi_add_handle(m_multi, m_curl) != CURLM_OK) {
        return CURLE_FAILED_INIT;
    }
    int running = 1;
    CURLMcode state = CURLM_OK;
    while (running != 0 && state == CURLM_OK) {
        state = curl_multi_perform(m_multi, &running);
        if (running != 0 && state == CURLM_OK) {
            state = curl_multi_poll(m_multi, nullptr, 0, kPollSliceMs, nullptr);
        }
    }
    CURLcode code = state == CURLM_OK ? CURLE_OK : CURLE_RECV_ERROR;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == m_curl) {
            code = message->data.result;
        }
    }
    curl_multi_remove_handle(m_multi, m_curl);
    return code;
}

int CCurlFtpDriver::Commands(const std::vector<std::string>& commands) {
    for (const std::string& command : commands) {
        if (!SafeForCommand(command)) {
            m_error = "a name holds a line break";
            return EINVAL;
        }
    }
    Prepare({}, true);
    curl_slist* list = nullptr;
    for (const std::string& command : commands) {
        list = curl_slist_append(list, command.c_str());
    }
    curl_easy_setopt(m_curl, CURLOPT_QUOTE, list);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    int error = Perform();
    curl_slist_free_all(list);
    return error;
}

int CCurlFtpDriver::Connect() {
    Prepare({}, true);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    return Perform();
}

bool CCurlFtpDriver::IsConnected() {
    return Commands({"NOOP"}) == 0;
}

// The connection lives in the multi handle's cache.
void CCurlFtpDriver::Disconnect() {
    curl_easy_cleanup(m_curl);
    curl_multi_cleanup(m_multi);
    m_curl = curl_easy_init();
    m_multi = curl_multi_init();
}

int CCurlFtpDriver::ListWith(const char* command, const std::string& folder, std::string& text) {
    Prepare(folder, true);
    curl_easy_setopt(m_curl, CURLOPT_CUSTOMREQUEST, command);
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, StringCallback);
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &text);
    return Perform();
}

int CCurlFtpDriver::List(const std::string& folder, CRemoteListing& listing) {
    std::string text;
    if (m_bMlsd) {
        int error = ListWith("MLSD", folder, text);
        long response = 0;
        curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &response);
        if (error == 0) {
            ParseMlsd(text, listing);
            return 0;
        }
        if (response != 500 && response != 502) {
            return error;
        }
        m_bMlsd = false;
        text.clear();
    }
    int error = ListWith("LIST", folder, text);
    if (error != 0) {
        return error;
    }
    ParseList(text, FileTimeFromUnix(CurrentTaskTime()), listing);
    return AddExactTimes(folder, listing);
}

// LIST gives the wall clock to the minute at best; MDTM gives the exact time in UTC.
int CCurlFtpDriver::AddExactTimes(const std::string& folder, CRemoteListing& listing) {
    for (CRemoteEntry& entry : listing.m_entries) {
        if (entry.m_type != EntryType::File) {
            continue;
        }
        Prepare(folder + "/" + entry.m_name, false);
        curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(m_curl, CURLOPT_FILETIME, 1L);
        int error = Perform();
        curl_off_t seconds = -1;
        curl_easy_getinfo(m_curl, CURLINFO_FILETIME_T, &seconds);
        if (error == ECANCELED) {
            return error;
        }
        if (error == 0 && seconds >= 0) {
            entry.m_lastWrite = FileTimeFromUnix(seconds);
            entry.m_timeKind = RemoteTimeKind::Utc;
        }
    }
    return 0;
}

int CCurlFtpDriver::FolderExists(const std::string& folder, bool& exists) {
    Prepare(folder, true);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    int error = Perform();
    exists = error == 0;
    return error == ENOENT ? 0 : error;
}

int CCurlFtpDriver::MakeFolder(const std::string& folder) {
    return Commands({"MKD " + AbsolutePath(folder)});
}

int CCurlFtpDriver::DeleteFile(const std::string& path) {
    return Commands({"DELE " + AbsolutePath(path)});
}

int CCurlFtpDriver::RemoveFolder(const std::string& folder) {
    return Commands({"RMD " + AbsolutePath(folder)});
}

int CCurlFtpDriver::Download(const std::string& path, uint64_t offset, const RemoteSinkFn& sink) {
    Prepare(path, false);
    CSinkContext context{&sink, &m_sinkError};
    SetDownloadOptions(m_curl, context, offset);
    return Perform();
}

// The rename and the time ride on the upload's own request, which libcurl sends only after a
// transfer that ended well: a small file costs one round of commands, not three.
int CCurlFtpDriver::Upload(const std::string& path, const RemoteSourceFn& source,
                           const CUploadOptions& options, bool& timeSet) {
    timeSet = false;
    std::string target = AbsolutePath(path);
    std::string temp = RemoteTempPath(target);
    if (!SafeForCommand(target)) {
        return EINVAL;
    }
    Prepare(temp, false);
    CSourceContext context{&source, &m_sinkError, 0};
    curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_curl, CURLOPT_READFUNCTION, SourceCallback);
    curl_easy_setopt(m_curl, CURLOPT_READDATA, &context);
    const bool wantTime = options.m_lastWrite != kKeepTime;
    curl_slist* after = curl_slist_append(nullptr, ("RNFR " + temp).c_str());
    after = curl_slist_append(after, ("RNTO " + target).c_str());
    if (wantTime) {
        // "*": a refused time must not undo the upload that is already in place.
        after = curl_slist_append(after, ("*" + MfmtCommand(options.m_lastWrite, target)).c_str());
    }
    curl_easy_setopt(m_curl, CURLOPT_POSTQUOTE, after);
    int error = Perform();
    curl_slist_free_all(after);
    long response = 0;
    curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &response);
    if (error != 0) {
        std::string reason = m_error;
        bool cancelled = m_cancel.exchange(false);
        Commands({"*DELE " + temp});
        m_cancel = cancelled;
        m_error = reason;
        return error;
    }
    timeSet = wantTime && response == 213;
    return 0;
}

int CCurlFtpDriver::SetTime(const std::string& path, FileTime lastWrite) {
    int error = Commands({MfmtCommand(lastWrite, AbsolutePath(path))});
    long response = 0;
    curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &response);
    return error != 0 && (response == 500 || response == 502) ? ENOSYS : error;
}

std::unique_ptr<IRemoteDriver> CCurlFtpDriver::Twin() const {
    return std::make_unique<CCurlFtpDriver>(m_twinSite);
}

void CCurlFtpDriver::Cancel() {
    m_cancel = true;
}

std::string CCurlFtpDriver::LastError() const {
    return m_error;
}

}  // namespace tv
