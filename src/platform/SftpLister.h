#pragma once

#include <atomic>
#include <chrono>
#include <string>

#include "platform/RemoteDriver.h"

using LIBSSH2_SESSION = struct _LIBSSH2_SESSION;
using LIBSSH2_SFTP = struct _LIBSSH2_SFTP;
using LIBSSH2_KNOWNHOSTS = struct _LIBSSH2_KNOWNHOSTS;

namespace tv {

// Where and as whom an SFTP driver logs in, shared by its sessions.
struct CSftpEndpoint {
    std::string m_host;
    int m_port = 22;
    std::string m_hostEntry;   // as known_hosts names the host: "host" or "[host]:port"
    std::string m_knownHosts;  // the file
};

// An SSH session of its own for folder listings: libssh2 hands over each entry with its
// attributes, a batch per round trip, where libcurl passes on only the "ls -l" text whose times
// have minutes at best. Host key, login, connect time-out and error numbers follow the driver's
// libcurl session. Direct connections only: the caller keeps another way for proxied sites.
// Belongs to the driver's thread; `cancel` is the driver's flag, read at least every 200 ms.
class CSftpLister {
  public:
    CSftpLister(const CRemoteSite& site, CSftpEndpoint endpoint, const std::atomic<bool>& cancel);
    ~CSftpLister();
    CSftpLister(const CSftpLister&) = delete;
    CSftpLister& operator=(const CSftpLister&) = delete;

    // The entries of `folder` with exact UTC times; logs in first when there is no session.
    // Blocks; ECANCELED within a second of cancel, the session closed after a cancel or a
    // broken connection. Errors as IRemoteDriver's, with the reason in LastError.
    int List(const std::string& folder, CRemoteListing& listing);
    const std::string& LastError() const { return m_error; }

  private:
    enum class CloseMode : uint8_t { Polite, Abrupt };
    int Open();
    int ConnectSocket();
    int CheckHostKey();
    void PreferKnownKeyType(LIBSSH2_KNOWNHOSTS* hosts);
    int LogIn();
    int ReadFolder(const std::string& path, CRemoteListing& listing);
    void Close(CloseMode mode);
    // Waits until the socket is ready for what libssh2 asked; ECANCELED, or ETIMEDOUT past
    // m_deadline.
    int Wait();
    int WaitForSocket(short events);
    // Repeats a non-blocking libssh2 call until it stops asking for more; `rc` is its result.
    template <class Call>
    int Run(Call call, int& rc);
    // The errno value for a failed libssh2 call, with the reason in m_error.
    int Failed(int rc, const std::string& doing);

    const CRemoteSite& m_site;
    CSftpEndpoint m_endpoint;
    const std::atomic<bool>& m_cancel;
    int m_socket = -1;
    LIBSSH2_SESSION* m_session = nullptr;
    LIBSSH2_SFTP* m_sftp = nullptr;
    std::chrono::steady_clock::time_point m_deadline;
    std::string m_error;
};

}  // namespace tv
