#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/FileTime.h"
#include "platform/FileSystem.h"

namespace tv {

// The protocol numbers are those stored in a location's m_nProtocol.
enum class RemoteProtocol : uint8_t {
    Ftp = 0,
    Sftp = 1,
    FtpsControlOnly = 2,  // explicit TLS on the control connection, plain data
    FtpsProtected = 3,    // explicit TLS on control and data
    FtpsImplicit = 4,     // TLS from the first byte (port 990)
};

// An SFTP server's host key that known_hosts does not hold yet, as the question to the user.
struct CHostKeyQuestion {
    std::string m_hostEntry;  // "host", or "[host]:port" for another port than 22
    std::string m_keyType;    // "ssh-ed25519", "ssh-rsa", "ecdsa-sha2-nistp256", ...
    std::string m_keyBase64;  // the key as known_hosts holds it
};
// True trusts the key (it is then added to known_hosts). Called on the driver's thread, blocks.
using AskHostKeyFn = std::function<bool(const CHostKeyQuestion& question)>;

// An FTPS server certificate that neither the CA store nor the remembered ones vouch for, as the
// question to the user.
struct CCertificateQuestion {
    std::string m_hostPort;   // "host:port" ("[host]:port" for an IPv6 address)
    std::string m_subject;    // "CN=..., O=..." as one line
    std::string m_issuer;     // the same as m_subject for a self-signed one
    int64_t m_validFrom = 0;  // seconds since 1970, UTC
    int64_t m_validTo = 0;
    std::string m_fingerprint;  // SHA-256 of the DER form, upper-case hex pairs joined by ":"
    std::string m_reason;       // why it is not trusted, e.g. "self-signed certificate"
};
// True trusts the certificate for this host:port (it is then remembered). Called on the driver's
// thread during the TLS handshake, before the login is sent; blocks.
using AskCertificateFn = std::function<bool(const CCertificateQuestion& question)>;

// The numbers are those stored in a location's proxy type.
enum class RemoteProxy : uint8_t {
    None = 0,  // direct, whatever the environment's proxy variables say
    Socks4 = 1,
    Socks5 = 2,  // the proxy resolves the host name
    Http = 3,    // a CONNECT tunnel through a web proxy
    Relay = 4,   // FTP only: log in at the proxy as "user@host[:port]"
    Socks4a = 5,
    System = 6,  // the environment's all_proxy, ftp_proxy, sftp_proxy, no_proxy, ...
};

// What a driver needs to reach one site. The passwords live here for the run only: a driver
// never writes them to a log, an error text, a file or a process argument.
struct CRemoteSite {
    std::string m_host;  // a leading "ftp://" (any case) is dropped by the driver
    int m_port = 0;      // 0: the protocol's own port
    std::string m_user;
    std::string m_password;
    RemoteProtocol m_protocol = RemoteProtocol::Ftp;
    bool m_bPassive = true;
    long m_connectTimeoutMs = 0;  // 0: the driver's default
    long m_lowSpeedSeconds = 60;  // a transfer slower than 1 byte/s for this long is aborted
    std::string m_keyFile;        // SFTP: private key for the login (its ".pub" beside it)
    // SFTP: asked about a host key that known_hosts lacks; empty (unattended): refused. A key
    // that differs from the one known_hosts holds for the host is always refused.
    AskHostKeyFn m_askHostKey;

    RemoteProxy m_proxyType = RemoteProxy::None;
    std::string m_proxyHost;  // used for a proxy type other than None and System
    int m_proxyPort = 0;      // 0: 1080 for SOCKS, 8080 for a web proxy, 21 for a relay
    std::string m_proxyUser;
    std::string m_proxyPassword;

    // FTPS: a PEM file with the client certificate followed by its unencrypted private key (as
    // the certificate creation writes it); empty: no client certificate.
    std::string m_certificateFile;
    // FTPS: asked about a server certificate that the CA store does not vouch for and that
    // m_trustedCertsFile does not hold for this host:port; empty (unattended): refused.
    AskCertificateFn m_askCertificate;
    // FTPS: the accepted certificates, one "host:port FINGERPRINT" line each, read and appended
    // by the driver; empty: accepted ones are remembered for the driver's life only.
    std::string m_trustedCertsFile;
};

// How exact the time of a listed entry is.
enum class RemoteTimeKind : uint8_t {
    None,       // the listing gave no usable time
    Utc,        // MLSD, MDTM, SFTP attributes: exact, in UTC
    LocalWall,  // LIST: the server's wall clock, to the minute at best, read as UTC ticks
};

// One entry of a remote listing, its name checked to be a single safe path component.
struct CRemoteEntry {
    std::string m_name;
    EntryType m_type = EntryType::Other;
    uint64_t m_size = 0;
    FileTime m_lastWrite = 0;
    RemoteTimeKind m_timeKind = RemoteTimeKind::None;
};

// A listing: the entries passed on, and the names refused because they could leave the folder
// ("/", "\", "..", NUL) or are not names at all; the caller logs each refused one.
struct CRemoteListing {
    std::vector<CRemoteEntry> m_entries;
    std::vector<std::string> m_refused;
};

// Takes the bytes of a download as they arrive; a nonzero errno value aborts the transfer.
using RemoteSinkFn = std::function<int(const void* data, size_t size)>;
// Fills `buffer` with the next at most `size` bytes of an upload; `got` 0 is the end.
using RemoteSourceFn = std::function<int(void* buffer, size_t size, size_t& got)>;

// What an upload's caller knows about its target.
enum class UploadTarget : uint8_t {
    Unknown,  // there may be a file to replace
    Absent,   // a recent listing shows nothing under the name: a plain rename puts it in place
};

// How an upload ends beside its bytes. m_lastWrite is set on the server in the same request as
// the upload; kKeepTime leaves the server's own time.
struct CUploadOptions {
    FileTime m_lastWrite = kKeepTime;
    UploadTarget m_target = UploadTarget::Unknown;
};

// A connection to one remote site, with the operations the scan, the pass and the copy need.
// Paths are absolute on the server ("/" separated). Results are 0 or an errno value:
// ECONNREFUSED/EHOSTUNREACH/ETIMEDOUT (cannot reach), ECONNRESET (the connection broke off
// halfway), EACCES (login or permission refused),
// EPERM (the server's certificate or host key is not trusted), ENOTSUP (the proxy type does not
// fit the protocol), EINVAL (the client certificate cannot be loaded), ENOENT, ECANCELED, EIO (the
// server said no in another way); LastError() has the server's words for the log, never a
// password.
//
// Threads: a driver belongs to the thread that uses it (a scan thread, the worker); only
// Cancel may be called from another thread. Every other call blocks until the server has
// answered. Cancellation: Cancel makes the running and every later call return ECANCELED
// within a second, leaving the connection closed.
//
// One connection serves every call: the driver connects once and reconnects only when the
// connection dropped (IsConnected false), so many small files never pay a login each. A big
// upload may go over a second one (Twin), so that it can stream while the first one serves the
// calls that come before its end.
//
// How it plugs in: a remote location is a CRemoteFileSystem (an IFileSystem) over a driver;
// ReadFolder is List, OpenRead starts Download into a spool, CreateTemp + Close + Rename is
// Upload (which itself writes to a temporary remote name and renames over the real one), so the
// scan, the pass and the copy keep the one interface.
class IRemoteDriver {
  public:
    virtual ~IRemoteDriver() = default;

    // Logs in; returns at once when already connected.
    virtual int Connect() = 0;
    // Whether the connection is still there (asks the server; a dropped one reads false).
    virtual bool IsConnected() = 0;
    virtual void Disconnect() = 0;

    // The entries of `folder` with name, type, size and time (exact where the server can).
    virtual int List(const std::string& folder, CRemoteListing& listing) = 0;
    virtual int FolderExists(const std::string& folder, bool& exists) = 0;
    // Only the last component; EnsureRemoteFolder makes the parents.
    virtual int MakeFolder(const std::string& folder) = 0;
    virtual int DeleteFile(const std::string& path) = 0;
    // An empty folder.
    virtual int RemoveFolder(const std::string& folder) = 0;

    // The file at `path` from byte `offset` on, handed to `sink` as it arrives.
    virtual int Download(const std::string& path, uint64_t offset, const RemoteSinkFn& sink) = 0;
    // Writes to a temporary name in the same folder and renames it over `path` only when all
    // of it arrived; a failed or cancelled upload removes the temporary file and never leaves a
    // truncated file under the real name. `timeSet` says whether the file now has
    // options.m_lastWrite; a server that refused the time does not fail the upload. An
    // UploadTarget::Absent that turns out wrong still replaces the file, only slower.
    virtual int Upload(const std::string& path, const RemoteSourceFn& source,
                       const CUploadOptions& options, bool& timeSet) = 0;
    // The file's modification time on the server (ENOSYS when the server cannot set it).
    virtual int SetTime(const std::string& path, FileTime lastWrite) = 0;

    // Another driver for the same site, not connected, that asks nobody: a host key or a
    // certificate not trusted already is refused. Null where there can be none. Any thread.
    virtual std::unique_ptr<IRemoteDriver> Twin() const { return nullptr; }

    // Any thread; see above.
    virtual void Cancel() = 0;
    virtual std::string LastError() const = 0;
};

// A driver for the site's protocol. Does not connect.
std::unique_ptr<IRemoteDriver> MakeRemoteDriver(const CRemoteSite& site);

// Makes every missing folder of `path`, parents first ("\" taken as "/"). Blocks; the driver's
// thread.
int EnsureRemoteFolder(IRemoteDriver& driver, const std::string& path);

// The temporary names that uploads use, and the "-old" names an unfinished SFTP replace leaves;
// listings leave them all out. A later upload of the same name removes its temporary.
bool IsRemoteTempName(const std::string& name);
std::string RemoteTempName(const std::string& name);
// The temporary name beside the file at `path` that an upload to it writes first.
std::string RemoteTempPath(const std::string& path);

}  // namespace tv
