#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <unordered_map>

#include "platform/RemoteDriver.h"
#include "platform/SftpReplace.h"
#include "platform/SftpSession.h"
#include "platform/SftpWire.h"

using ssh_session = struct ssh_session_struct*;
using ssh_channel = struct ssh_channel_struct*;

namespace tv {

// An SSH session over libssh that carries the bytes of big uploads. libssh2 encrypts a packet
// sixteen bytes per call and knows neither AES-GCM nor ChaCha20, which held a big upload to half
// the speed of the link; libssh encrypts whole packets with either. libssh's own SFTP calls wait
// for each write's answer, so the SFTP requests are written here, many writes in flight.
// Host key (known keys only: it asks nobody), login, time-outs and error numbers are those of
// CSftpSession, as are its threads, cancel and session rules: every call blocks, logs in first
// when there is no session, returns ECANCELED within a second of cancel, and closes the session
// after a cancel or a broken connection; a request the server refused keeps it.
class CSftpStreamSession final : private ISftpPlacer {
  public:
    CSftpStreamSession(const CRemoteSite& site, CSftpEndpoint endpoint,
                       const std::atomic<bool>& cancel);
    ~CSftpStreamSession();
    CSftpStreamSession(const CSftpStreamSession&) = delete;
    CSftpStreamSession& operator=(const CSftpStreamSession&) = delete;

    int Connect();
    // Whether the session is open; a dropped connection shows at the next request.
    bool IsConnected() const;
    void Disconnect();
    int SetTime(const std::string& path, FileTime lastWrite);
    // As CSftpSession::Upload.
    int Upload(const std::string& path, const RemoteSourceFn& source, const CUploadOptions& options,
               bool& timeSet);
    const CUploadLeftovers& Leftovers() const { return m_leftovers; }
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
    int Wait();
    // Sends what waits in the outbox and takes in what arrived, without blocking; `moved` says
    // whether any byte went either way.
    int Pump(bool& moved);
    // Pumps until the answer to request `id` is there; answers to writes go to m_writes.
    int Await(uint32_t id, sftp::CReply& reply);
    int Request(const std::string& doing, uint32_t id);
    // Takes the next reply out of the inbox: ECONNRESET for one out of step.
    int NextReply(sftp::CReply& reply, bool& got);
    void Note(const sftp::CReply& reply);
    uint32_t NewId() { return m_nextId++; }
    // The errno value for a refusal, with the server's words in m_error.
    int Refused(const sftp::CReply& reply, const std::string& doing);
    // The session is gone: the errno value, with libssh's words in m_error.
    int Broken(const std::string& doing);

    int OpenForWrite(const std::string& path, std::string& handle);
    int WriteAll(const std::string& handle, const RemoteSourceFn& source);
    // Queues one write of up to a chunk from `source`; `last` once the source has no more.
    int QueueWrite(const std::string& handle, const RemoteSourceFn& source, uint64_t& offset,
                   bool& last);
    int Finish(const std::string& handle, const std::string& path, FileTime lastWrite,
               bool& timeSet);
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
    bool m_bWhole = true;
    uint32_t m_nextId = 1;
    std::string m_outbox;
    size_t m_outSent = 0;
    std::string m_inbox;
    size_t m_inTaken = 0;
    CWrites m_writes;
    CUploadLeftovers m_leftovers;
    std::string m_error;
};

}  // namespace tv
