#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/RemoteDriver.h"
#include "platform/SftpReplace.h"

using LIBSSH2_SESSION = struct _LIBSSH2_SESSION;
using LIBSSH2_SFTP = struct _LIBSSH2_SFTP;
using LIBSSH2_SFTP_HANDLE = struct _LIBSSH2_SFTP_HANDLE;
using LIBSSH2_KNOWNHOSTS = struct _LIBSSH2_KNOWNHOSTS;

namespace tv {

// Where and as whom an SFTP driver logs in, shared by its sessions.
struct CSftpEndpoint {
    std::string m_host;
    int m_port = 22;
    std::string m_hostEntry;   // as known_hosts names the host: "host" or "[host]:port"
    std::string m_knownHosts;  // the file
};

// An SSH session of its own over libssh2 for a site reached directly. libssh2 hands over each
// listed entry with its attributes, a batch per round trip, where libcurl passes on only the
// "ls -l" text; it keeps many writes of an upload in flight, where libcurl waits for one buffer
// at a time; and it sets a time or renames in one request, where libcurl's commands add a stat
// and cost the session on any refusal. Host key, login, time-outs and error numbers are those of
// IRemoteDriver. Belongs to the driver's thread; `cancel` is the driver's flag, read at least
// every 200 ms. Every call blocks, logs in first when there is no session, returns ECANCELED
// within a second of cancel, and closes the session after a cancel or a broken connection; a
// request the server refused (ENOENT, EIO) keeps it. The reason of an error is in LastError.
class CSftpSession final : private ISftpPlacer {
  public:
    CSftpSession(const CRemoteSite& site, CSftpEndpoint endpoint, const std::atomic<bool>& cancel);
    ~CSftpSession();
    CSftpSession(const CSftpSession&) = delete;
    CSftpSession& operator=(const CSftpSession&) = delete;

    int Connect();
    // Asks the server, so that a connection that dropped reads false (and is closed).
    bool IsConnected();
    void Disconnect();

    // The entries of `folder` with exact UTC times.
    int List(const std::string& folder, CRemoteListing& listing);
    int FolderExists(const std::string& folder, bool& exists);
    int MakeFolder(const std::string& folder);
    int DeleteFile(const std::string& path);
    int RemoveFolder(const std::string& folder);
    int SetTime(const std::string& path, FileTime lastWrite);
    // As IRemoteDriver::Upload, except that a failure which broke the session leaves its
    // leftovers for CleanUpUpload.
    int Upload(const std::string& path, const RemoteSourceFn& source, const CUploadOptions& options,
               bool& timeSet);
    const CUploadLeftovers& Leftovers() const { return m_leftovers; }
    // Puts back the old file and removes the temporary that a broken upload left, over a new
    // session when needed.
    void CleanUpUpload();

    const std::string& LastError() const { return m_error; }

  private:
    enum class CloseMode : uint8_t { Polite, Abrupt };
    // Runs `request` on an open session, checking `path` first; closes a session that broke.
    int Do(const std::string& path, const std::function<int()>& request);
    int Open();
    int ConnectSocket();
    int CheckHostKey();
    void PreferKnownKeyType(LIBSSH2_KNOWNHOSTS* hosts);
    int LogIn();
    int ReadFolder(const std::string& path, CRemoteListing& listing);
    // Stat of `path`; ENOENT when it is not there.
    int Stat(const std::string& path, EntryType& type, int64_t& seconds);
    int Rename(const std::string& from, const std::string& to) override;
    int Remove(const std::string& path) override;
    bool Whole() const override { return m_bWhole; }
    int OpenForWrite(const std::string& path, LIBSSH2_SFTP_HANDLE*& handle);
    // The bytes of an upload read ahead; [m_begin, m_end) not yet acknowledged by the server.
    struct CWriteBuffer {
        std::vector<char> m_bytes;
        size_t m_begin = 0;
        size_t m_end = 0;
        bool m_bLast = false;  // the source has no more
    };
    // Reads from `source` until `upTo` bytes wait or the source ends.
    int Fill(CWriteBuffer& buffer, const RemoteSourceFn& source, size_t upTo);
    int WriteAll(LIBSSH2_SFTP_HANDLE* handle, CWriteBuffer& buffer, const RemoteSourceFn& source);
    // How many more bytes the channel's window takes now, beside `offered` ones not yet out.
    size_t WindowRoom(size_t offered) const;
    int SetTimeAndClose(LIBSSH2_SFTP_HANDLE* handle, const std::string& path, FileTime lastWrite,
                        bool& timeSet);
    // Calls `call` until its request is out: `rc` is its result, or EAGAIN while it waits for the
    // answer (Run finishes it).
    int Send(const std::function<int()>& call, int& rc);
    int CloseHandle(LIBSSH2_SFTP_HANDLE* handle, const std::string& path);
    int PutInPlace(const CUploadOptions& options);
    // Puts the old file back and removes the temporary, on this session while it is whole.
    void RestoreLeftovers();
    void Close(CloseMode mode);
    // Waits until the socket is ready for what libssh2 asked; ECANCELED, or ETIMEDOUT past
    // m_deadline.
    int Wait();
    int WaitForSocket(short events);
    // Repeats a non-blocking libssh2 call until it stops asking for more; `rc` is its result.
    int Run(const std::function<int()>& call, int& rc);
    // Run for a call whose result is 0 or a libssh2 error: the errno value, reason in m_error.
    int Request(const std::string& doing, const std::function<int()>& call);
    // The errno value for a failed libssh2 call, with the reason in m_error.
    int Failed(int rc, const std::string& doing);
    void RestartDeadline();

    const CRemoteSite& m_site;
    CSftpEndpoint m_endpoint;
    const std::atomic<bool>& m_cancel;
    int m_socket = -1;
    LIBSSH2_SESSION* m_session = nullptr;
    LIBSSH2_SFTP* m_sftp = nullptr;
    std::chrono::steady_clock::time_point m_deadline;
    // False once a failure may have broken the session halfway; a refusal by the server or a
    // failing upload source keeps it whole.
    bool m_bWhole = true;
    CUploadLeftovers m_leftovers;
    std::string m_error;
};

}  // namespace tv
