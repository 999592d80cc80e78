#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/RemoteDriver.h"
#include "platform/SftpReplace.h"
#include "platform/SftpWire.h"

using ssh_session = struct ssh_session_struct*;
using ssh_channel = struct ssh_channel_struct*;

namespace tv {

// Where and as whom an SFTP driver logs in, shared by its sessions.
struct CSftpEndpoint {
    std::string m_host;
    int m_port = 22;
    std::string m_hostEntry;   // as known_hosts names the host: "host" or "[host]:port"
    std::string m_knownHosts;  // the file
};

// An SSH session of its own, over libssh, for a site reached directly. It writes the SFTP
// requests itself: a listing comes as entries with their attributes, a batch per round trip,
// where libcurl passes on only the "ls -l" text; an upload keeps many writes in flight and sends
// the time and the close right behind them, where libcurl waits for each buffer; a time or a
// rename is one request, where libcurl's commands add a stat and cost the session on any
// refusal. libssh encrypts whole packets with AES-GCM or ChaCha20; libssh2, under libcurl,
// encrypts sixteen bytes per call and held a big upload to half the link's speed.
// Host key, login, time-outs and error numbers are those of IRemoteDriver. Belongs to the
// driver's thread; `cancel` is the driver's flag, read at least every 200 ms. Every call blocks,
// logs in first when there is no session, returns ECANCELED within a second of cancel, and
// closes the session after a cancel or a broken connection; a request the server refused
// (ENOENT, EIO) keeps it. The reason of an error is in LastError.
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
    // As IRemoteDriver::Download. A failing sink ends it with the sink's error and keeps the
    // session.
    int Download(const std::string& path, uint64_t offset, const RemoteSinkFn& sink);
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
    // The writes of an upload that the server has not answered yet.
    struct CWrites {
        std::unordered_map<uint32_t, uint32_t> m_sizes;  // by request id
        size_t m_bytes = 0;
        int m_refused = 0;  // the first refusal's errno value
    };

    // Runs `request` on an open session, checking `path` first; closes a session that broke.
    int Do(const std::string& path, const std::function<int()>& request);
    int Open();
    int OpenSsh();
    int CheckHostKey();
    int LogIn();
    int LogInWithKey(int methods);
    int LogInInteractively();
    int StartSftp();
    // Repeats a non-blocking libssh call while it answers `again`; `rc` is its last answer.
    int Run(const std::function<int()>& call, int again, int& rc);
    // Waits until the socket is ready for what libssh needs; ECANCELED, or ETIMEDOUT past
    // m_deadline.
    int Wait();
    // Sends what waits in the outbox and takes in what arrived, without blocking; `moved` says
    // whether any byte went either way.
    int Pump(bool& moved);
    // Pumps until the answer to request `id` is there; other answers go to `other`, or to Note.
    int Await(uint32_t id, sftp::CReply& reply,
              const std::function<void(sftp::CReply&)>& other = nullptr);
    // Await for a request answered by a handle (an open file or folder).
    int AwaitHandle(uint32_t id, const std::string& doing, std::string& handle);
    // ECANCELED once the driver's flag is up, which leaves the session broken; checked by the
    // loops that a fast server may never make wait.
    int Cancelled();
    // Await for a request answered by a status: 0, or the errno value of the refusal.
    int Request(const std::string& doing, uint32_t id);
    // Reads what arrived into the inbox, as long as no whole answer waits there.
    int Receive(bool& moved);
    std::string_view InboxText() const;
    // Takes the next reply out of the inbox: ECONNRESET for one out of step.
    int NextReply(sftp::CReply& reply, bool& got);
    void Note(const sftp::CReply& reply);
    uint32_t NewId() { return m_nextId++; }
    // The errno value for a refusal, with the server's words in m_error.
    int Refused(const sftp::CReply& reply, const std::string& doing);
    // The session is gone: ECONNRESET, with libssh's words in m_error.
    int Broken(const std::string& doing);

    int ReadFolder(const std::string& path, CRemoteListing& listing);
    // Stat of `path`; ENOENT when it is not there.
    int Stat(const std::string& path, EntryType& type);
    // One request with a path and nothing else, answered by a status.
    int PathRequest(sftp::Packet type, const std::string& path, const std::string& doing);
    int OpenFile(const std::string& path, uint32_t flags, std::string& handle);
    // Many reads in flight; the bytes reach `sink` in order.
    int ReadAll(const std::string& handle, const std::string& path, uint64_t offset,
                const RemoteSinkFn& sink);
    // Queues the whole source as writes, waiting only for room; a refusal or a failing source
    // ends it once every write sent was answered.
    int WriteAll(const std::string& handle, const RemoteSourceFn& source);
    // Queues one write of up to a chunk from `source`; `last` once the source has no more.
    int QueueWrite(const std::string& handle, const RemoteSourceFn& source, uint64_t& offset,
                   bool& last);
    int DrainWrites();
    // One round of an upload: sends and takes in what it can, and hands one answer to Note, or
    // waits for the socket when nothing moved.
    int Step();
    // The time (unless kKeepTime) and the close go right behind the writes; then every answer.
    int Finish(const std::string& handle, const std::string& path, FileTime lastWrite,
               bool& timeSet);
    int CloseHandle(const std::string& handle, const std::string& path);
    int Rename(const std::string& from, const std::string& to) override;
    int Remove(const std::string& path) override;
    bool Whole() const override { return m_bWhole; }
    void Close(CloseMode mode);
    void RestartDeadline();

    const CRemoteSite& m_site;
    CSftpEndpoint m_endpoint;
    const std::atomic<bool>& m_cancel;
    int m_socket = -1;
    ssh_session m_ssh = nullptr;
    ssh_channel m_channel = nullptr;
    std::chrono::steady_clock::time_point m_deadline;
    // False once a failure may have broken the session halfway; a refusal by the server or a
    // failing upload source keeps it whole.
    bool m_bWhole = true;
    uint32_t m_nextId = 1;
    std::string m_outbox;
    size_t m_outSent = 0;
    std::vector<char> m_inbox;  // [m_inTaken, m_inEnd) arrived and not yet taken
    size_t m_inTaken = 0;
    size_t m_inEnd = 0;
    CWrites m_writes;
    CUploadLeftovers m_leftovers;
    std::string m_error;
};

}  // namespace tv
