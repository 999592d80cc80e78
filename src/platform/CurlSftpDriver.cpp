#include "platform/CurlSftpDriver.h"

#include <curl/curl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/CurlCallbacks.h"
#include "platform/Folders.h"
#include "platform/RemoteListing.h"
#include "platform/SftpHostKey.h"

namespace tv {
namespace {

using namespace curlcb;

constexpr long kUploadBufferBytes = 2L << 20;  // libcurl's largest

// libcurl reads a quoted argument with backslash escapes, so spaces and quotes stay in a name.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + '"';
}

int KeyCallback(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match, void* user) {
    const auto* key = reinterpret_cast<const unsigned char*>(found->key);
    size_t length = found->len;
    return static_cast<CCurlSftpDriver*>(user)->CheckHostKey(match, key, length);
}

// The form libcurl's date parser reads: "07 Jun 2021 08:09:10 GMT".
std::string SftpTimeText(FileTime time) {
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    CCalendarTime c = CalendarFromFileTime(time);
    char text[40];
    snprintf(text, sizeof text, "%02d %s %04d %02d:%02d:%02d GMT", c.day, kMonths[c.month - 1],
             c.year, c.hour, c.minute, c.second);
    return text;
}

}  // namespace

CCurlSftpDriver::CCurlSftpDriver(CRemoteSite site) : m_site(std::move(site)), m_twinSite(m_site) {
    m_twinSite.m_askHostKey = nullptr;
    m_twinSite.m_askCertificate = nullptr;
    InitCurlOnce();
    m_curl = curl_easy_init();
    m_errorBuffer.resize(CURL_ERROR_SIZE);
    std::string host = m_site.m_host;
    if (size_t scheme = host.find("://"); scheme != std::string::npos) {
        host = host.substr(scheme + 3);
    }
    int port = m_site.m_port != 0 ? m_site.m_port : 22;
    m_baseUrl = "sftp://" + host + ":" + std::to_string(port) + "/";
    m_endpoint.m_host = host;
    m_endpoint.m_port = port;
    m_endpoint.m_hostEntry = port == 22 ? host : "[" + host + "]:" + std::to_string(port);
    m_endpoint.m_knownHosts = HomeFolder() + "/.ssh/known_hosts";
}

CCurlSftpDriver::~CCurlSftpDriver() {
    curl_easy_cleanup(m_curl);
}

int CCurlSftpDriver::CheckHostKey(int match, const void* key, size_t length) {
    HostKeyMatch found = match == CURLKHMATCH_OK         ? HostKeyMatch::Known
                         : match == CURLKHMATCH_MISMATCH ? HostKeyMatch::Changed
                                                         : HostKeyMatch::Unknown;
    m_verdict =
        JudgeHostKey(found, key, length, m_site, m_endpoint.m_hostEntry, m_endpoint.m_knownHosts);
    return m_verdict == HostKeyVerdict::Known || m_verdict == HostKeyVerdict::Accepted
               ? CURLKHSTAT_FINE
               : CURLKHSTAT_REJECT;
}

void CCurlSftpDriver::Prepare(const std::string& path, bool folder) {
    curl_easy_reset(m_curl);
    std::string url = m_baseUrl + EscapedPath(m_curl, path);
    if (folder && !url.ends_with('/')) {
        url += '/';
    }
    curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
    SetSiteOptions(m_curl, m_site, m_errorBuffer.data(), &m_cancel);
    long auth = m_site.m_password.empty() ? 0 : CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD;
    if (!m_site.m_keyFile.empty()) {
        auth |= CURLSSH_AUTH_PUBLICKEY;
        curl_easy_setopt(m_curl, CURLOPT_SSH_PRIVATE_KEYFILE, m_site.m_keyFile.c_str());
        std::string publicKey = m_site.m_keyFile + ".pub";
        if (access(publicKey.c_str(), R_OK) == 0) {
            curl_easy_setopt(m_curl, CURLOPT_SSH_PUBLIC_KEYFILE, publicKey.c_str());
        }
    }
    curl_easy_setopt(m_curl, CURLOPT_SSH_AUTH_TYPES, auth);
    curl_easy_setopt(m_curl, CURLOPT_SSH_KNOWNHOSTS, m_endpoint.m_knownHosts.c_str());
    curl_easy_setopt(m_curl, CURLOPT_SSH_KEYFUNCTION, KeyCallback);
    curl_easy_setopt(m_curl, CURLOPT_SSH_KEYDATA, this);
}

int CCurlSftpDriver::Perform() {
    if (m_cancel) {
        return ECANCELED;
    }
    if (m_site.m_proxyType == RemoteProxy::Relay) {
        m_error =
            "an SFTP site cannot be reached through a simple relay proxy; choose another "
            "proxy type";
        return ENOTSUP;
    }
    m_errorBuffer[0] = 0;
    m_sinkError = 0;
    m_verdict = HostKeyVerdict::Unchecked;
    CURLcode code = curl_easy_perform(m_curl);
    m_curlCode = code;
    if (code == CURLE_OK) {
        return 0;
    }
    m_error =
        Masked(m_errorBuffer[0] != 0 ? m_errorBuffer.data() : curl_easy_strerror(code), m_site);
    if (int refused = HostKeyRefusal(m_verdict, m_endpoint.m_hostEntry, m_error); refused != 0) {
        return refused;
    }
    if ((code == CURLE_WRITE_ERROR || code == CURLE_ABORTED_BY_CALLBACK) && m_sinkError != 0) {
        return m_sinkError;
    }
    return ErrnoOf(code);
}

int CCurlSftpDriver::Commands(const std::vector<std::string>& commands) {
    for (const std::string& command : commands) {
        if (command.find('\0') != std::string::npos) {
            m_error = "a name holds a NUL";
            return EINVAL;
        }
    }
    Prepare("/", true);
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

int CCurlSftpDriver::Command(const std::string& verb, const std::vector<std::string>& arguments) {
    std::string command = verb;
    for (const std::string& argument : arguments) {
        command.append(" ").append(Quoted(argument));
    }
    return Commands({command});
}

CSftpSession* CCurlSftpDriver::Session() {
    if (m_site.m_proxyType != RemoteProxy::None) {
        return nullptr;
    }
    if (!m_session) {
        m_session = std::make_unique<CSftpSession>(m_site, m_endpoint, m_cancel);
    }
    return m_session.get();
}

int CCurlSftpDriver::Answer(int error) {
    if (error != 0) {
        m_error = m_session->LastError();
    }
    return error;
}

int CCurlSftpDriver::Connect() {
    if (CSftpSession* session = Session()) {
        return Answer(session->Connect());
    }
    Prepare("/", true);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    return Perform();
}

bool CCurlSftpDriver::IsConnected() {
    if (CSftpSession* session = Session()) {
        return session->IsConnected();
    }
    Prepare("/", false);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_curl, CURLOPT_FILETIME, 1L);
    return Perform() == 0;
}

void CCurlSftpDriver::Disconnect() {
    if (m_session) {
        m_session->Disconnect();
    }
    curl_easy_cleanup(m_curl);
    m_curl = curl_easy_init();
}

int CCurlSftpDriver::List(const std::string& folder, CRemoteListing& listing) {
    CSftpSession* session = Session();
    if (session == nullptr) {
        return ListEntryByEntry(folder, listing);
    }
    int error = Answer(session->List(folder, listing));
    if (error != 0) {
        listing = {};
    }
    return error;
}

int CCurlSftpDriver::ListEntryByEntry(const std::string& folder, CRemoteListing& listing) {
    std::string text;
    Prepare(folder, true);
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, StringCallback);
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &text);
    int error = Perform();
    if (error != 0) {
        return error;
    }
    ParseList(text, FileTimeFromUnix(time(nullptr)), listing);
    return AddExactTimes(folder, listing);
}

int CCurlSftpDriver::StatTime(const std::string& path, EntryType type, int64_t& seconds) {
    Prepare(path, type == EntryType::Folder);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_curl, CURLOPT_FILETIME, 1L);
    int error = Perform();
    curl_off_t time = -1;
    curl_easy_getinfo(m_curl, CURLINFO_FILETIME_T, &time);
    seconds = time;
    return error;
}

// The listing's text is the server's "ls -l" line; a stat gives the time to the second, in UTC.
int CCurlSftpDriver::AddExactTimes(const std::string& folder, CRemoteListing& listing) {
    for (CRemoteEntry& entry : listing.m_entries) {
        if (entry.m_type == EntryType::Other) {
            continue;
        }
        int64_t seconds = -1;
        int error = StatTime(AbsolutePath(folder) + "/" + entry.m_name, entry.m_type, seconds);
        if (error == ECANCELED) {
            return error;
        }
        if (seconds >= 0) {
            entry.m_lastWrite = FileTimeFromUnix(seconds);
            entry.m_timeKind = RemoteTimeKind::Utc;
        }
    }
    return 0;
}

// A failed request costs libcurl its session, so existence is asked without failing: a stat of
// "folder/" answers for folders only and leaves the time unset otherwise.
int CCurlSftpDriver::FolderExists(const std::string& folder, bool& exists) {
    if (CSftpSession* session = Session()) {
        return Answer(session->FolderExists(folder, exists));
    }
    int64_t seconds = -1;
    int error = StatTime(folder, EntryType::Folder, seconds);
    exists = error == 0 && seconds >= 0;
    return error;
}

int CCurlSftpDriver::MakeFolder(const std::string& folder) {
    if (CSftpSession* session = Session()) {
        return Answer(session->MakeFolder(folder));
    }
    return Command("mkdir", {AbsolutePath(folder)});
}

int CCurlSftpDriver::DeleteFile(const std::string& path) {
    if (CSftpSession* session = Session()) {
        return Answer(session->DeleteFile(path));
    }
    return Command("rm", {AbsolutePath(path)});
}

int CCurlSftpDriver::RemoveFolder(const std::string& folder) {
    if (CSftpSession* session = Session()) {
        return Answer(session->RemoveFolder(folder));
    }
    return Command("rmdir", {AbsolutePath(folder)});
}

int CCurlSftpDriver::Download(const std::string& path, uint64_t offset, const RemoteSinkFn& sink) {
    if (CSftpSession* session = Session()) {
        return Answer(session->Download(path, offset, sink));
    }
    Prepare(path, false);
    CSinkContext context{&sink, &m_sinkError};
    SetDownloadOptions(m_curl, context, offset);
    return Perform();
}

int CCurlSftpDriver::Upload(const std::string& path, const RemoteSourceFn& source,
                            const CUploadOptions& options, bool& timeSet) {
    CSftpSession* session = Session();
    if (session == nullptr) {
        return UploadThroughCurl(path, source, options, timeSet);
    }
    int error = session->Upload(path, source, options, timeSet);
    if (error != 0 && !session->Leftovers().m_temp.empty()) {
        // Even a cancel must not leave the old file aside or the temporary behind.
        const bool cancelled = m_cancel.exchange(false);
        session->CleanUpUpload();
        if (cancelled) {
            m_cancel = true;
        }
    }
    return Answer(error);
}

// The rename (or the steps of a replace) and the time ride on the upload's own request. A new
// file needs only the rename; a wrong guess that it is new costs one failed rename and the replace.
int CCurlSftpDriver::UploadThroughCurl(const std::string& path, const RemoteSourceFn& source,
                                       const CUploadOptions& options, bool& timeSet) {
    timeSet = false;
    std::string target = AbsolutePath(path);
    std::string temp = RemoteTempPath(target);
    const bool fresh = options.m_target == UploadTarget::Absent;
    std::vector<std::string> after = fresh ? std::vector<std::string>{RenameCommand(temp, target)}
                                           : ReplaceCommands(temp, target);
    if (options.m_lastWrite != kKeepTime) {
        // "*": a refused time must not undo the upload that is already in place.
        after.push_back(std::string("*").append(MtimeCommand(options.m_lastWrite, target)));
    }
    curl_slist* list = nullptr;
    for (const std::string& command : after) {
        list = curl_slist_append(list, command.c_str());
    }
    Prepare(temp, false);
    CSourceContext context{&source, &m_sinkError, 0};
    curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_curl, CURLOPT_READFUNCTION, SourceCallback);
    curl_easy_setopt(m_curl, CURLOPT_READDATA, &context);
    curl_easy_setopt(m_curl, CURLOPT_POSTQUOTE, list);
    // libssh2 keeps as many write requests in flight as one buffer holds: with libcurl's 64 KiB
    // a big file went up at a third of the speed.
    curl_easy_setopt(m_curl, CURLOPT_UPLOAD_BUFFERSIZE, kUploadBufferBytes);
    int error = Perform();
    curl_slist_free_all(list);
    // Only the commands after the transfer fail this way: the temporary is complete.
    const bool complete = error != 0 && m_curlCode == CURLE_QUOTE_ERROR;
    curl_off_t sent = -1;
    curl_easy_getinfo(m_curl, CURLINFO_SIZE_UPLOAD_T, &sent);
    if (error == 0 && static_cast<uint64_t>(sent) != context.total) {
        m_error = "the server did not take every byte";
        error = EIO;
    }
    // A wrong guess that the target is new: the rename found it there, so replace it now.
    bool steppedAside = !fresh;
    if (complete && fresh) {
        steppedAside = true;
        error = Commands(ReplaceCommands(temp, target));
        timeSet = error == 0 && options.m_lastWrite != kKeepTime &&
                  SetTime(target, options.m_lastWrite) == 0;
    } else {
        timeSet = error == 0 && options.m_lastWrite != kKeepTime;
    }
    if (error != 0) {
        // Even a cancel that came amid the replace must not leave the old file aside. SFTP's
        // rename never overwrites, so this cannot hurt a file that is in place.
        std::string reason = m_error;
        bool cancelled = m_cancel.exchange(false);
        if (steppedAside) {
            Command("*rename", {temp + "-old", target});
        }
        Command("*rm", {temp});
        m_cancel = cancelled;
        m_error = reason;
    }
    return error;
}

std::string CCurlSftpDriver::RenameCommand(const std::string& from, const std::string& to) {
    return "rename " + Quoted(from) + " " + Quoted(to);
}

std::string CCurlSftpDriver::MtimeCommand(FileTime lastWrite, const std::string& path) {
    return "mtime " + Quoted(SftpTimeText(lastWrite)) + " " + Quoted(path);
}

// SFTP's rename does not replace an existing file, so the old one steps aside under a temporary
// name first (when there is one: "*" lets that step fail); it is removed only once the new one
// took its place. One request, since every failed one costs libcurl its session.
std::vector<std::string> CCurlSftpDriver::ReplaceCommands(const std::string& temp,
                                                          const std::string& target) {
    std::string aside = Quoted(temp + "-old");
    return {"*rm " + aside, "*rename " + Quoted(target) + " " + aside, RenameCommand(temp, target),
            "*rm " + aside};
}

int CCurlSftpDriver::SetTime(const std::string& path, FileTime lastWrite) {
    if (CSftpSession* session = Session()) {
        return Answer(session->SetTime(path, lastWrite));
    }
    return Commands({MtimeCommand(lastWrite, AbsolutePath(path))});
}

std::unique_ptr<IRemoteDriver> CCurlSftpDriver::Twin() const {
    return std::make_unique<CCurlSftpDriver>(m_twinSite);
}

void CCurlSftpDriver::Cancel() {
    m_cancel = true;
}

std::string CCurlSftpDriver::LastError() const {
    return m_error;
}

}  // namespace tv
