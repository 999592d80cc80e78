#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/RemoteDriver.h"
#include "platform/SftpHostKey.h"
#include "platform/SftpSession.h"

typedef void CURL;

namespace tv {

// SFTP over SSH sessions that stay open between the calls. The server's host key is checked
// against $HOME/.ssh/known_hosts: a changed key is refused, an unknown one is put to the site's
// AskHostKeyFn and added to known_hosts when trusted, refused when there is no one to ask.
// A site reached directly is served by an SSH session of our own (CSftpSession); through a
// proxy, which that session cannot go through, libcurl serves every call, and each listed entry
// gets a stat of its own for its exact time.
// Contracts as IRemoteDriver.
class CCurlSftpDriver final : public IRemoteDriver {
  public:
    explicit CCurlSftpDriver(CRemoteSite site);
    ~CCurlSftpDriver() override;
    CCurlSftpDriver(const CCurlSftpDriver&) = delete;
    CCurlSftpDriver& operator=(const CCurlSftpDriver&) = delete;

    int Connect() override;
    bool IsConnected() override;
    void Disconnect() override;
    int List(const std::string& folder, CRemoteListing& listing) override;
    int FolderExists(const std::string& folder, bool& exists) override;
    int MakeFolder(const std::string& folder) override;
    int DeleteFile(const std::string& path) override;
    int RemoveFolder(const std::string& folder) override;
    int Download(const std::string& path, uint64_t offset, const RemoteSinkFn& sink) override;
    int Upload(const std::string& path, const RemoteSourceFn& source, const CUploadOptions& options,
               bool& timeSet) override;
    int SetTime(const std::string& path, FileTime lastWrite) override;
    std::unique_ptr<IRemoteDriver> Twin() const override;
    void Cancel() override;
    std::string LastError() const override;

    // libcurl's key callback; public for the C callback only.
    int CheckHostKey(int match, const void* key, size_t length);

  private:
    // The session of a site reached directly; null through a proxy.
    CSftpSession* Session();
    // `error` as the session gave it, with its reason.
    int Answer(int error);
    int UploadThroughCurl(const std::string& path, const RemoteSourceFn& source,
                          const CUploadOptions& options, bool& timeSet);
    void Prepare(const std::string& path, bool folder);
    int Perform();
    // SFTP commands (mkdir, rm, rename, ...) without a transfer; `paths` are quoted into them.
    int Command(const std::string& verb, const std::vector<std::string>& arguments);
    int Commands(const std::vector<std::string>& commands);
    static std::string RenameCommand(const std::string& from, const std::string& to);
    static std::string MtimeCommand(FileTime lastWrite, const std::string& path);
    // The commands that rename the complete temporary over `target`, which the server will not
    // replace itself.
    static std::vector<std::string> ReplaceCommands(const std::string& temp,
                                                    const std::string& target);
    // The modification time of a file or folder; `seconds` stays -1 when there is none.
    int StatTime(const std::string& path, EntryType type, int64_t& seconds);
    // libcurl's listing text and a stat per entry for its exact time: for proxied sites, which
    // the listing session cannot reach.
    int ListEntryByEntry(const std::string& folder, CRemoteListing& listing);
    int AddExactTimes(const std::string& folder, CRemoteListing& listing);

    CRemoteSite m_site;
    CRemoteSite m_twinSite;  // the site as given, with no one to ask
    std::string m_baseUrl;
    CSftpEndpoint m_endpoint;
    std::unique_ptr<CSftpSession> m_session;
    CURL* m_curl = nullptr;
    std::atomic<bool> m_cancel{false};
    HostKeyVerdict m_verdict = HostKeyVerdict::Unchecked;
    int m_sinkError = 0;
    int m_curlCode = 0;  // of the last perform
    std::string m_error;
    std::vector<char> m_errorBuffer;
};

}  // namespace tv
