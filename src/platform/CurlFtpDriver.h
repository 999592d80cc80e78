#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/CurlCertificateTrust.h"
#include "platform/RemoteDriver.h"

typedef void CURL;
typedef void CURLM;

namespace tv {

// FTP and FTPS over one libcurl handle, whose connection stays open between the calls (libcurl
// notices a dropped one and logs in again). FTPS checks the server's certificate against the
// system's CA store and the CA file named by SSL_CERT_FILE, then against the remembered ones,
// then asks (CCertificateTrust). A relay proxy is reached as the server, the login naming the
// real one. Contracts as IRemoteDriver.
class CCurlFtpDriver final : public IRemoteDriver {
  public:
    explicit CCurlFtpDriver(CRemoteSite site);
    ~CCurlFtpDriver() override;
    CCurlFtpDriver(const CCurlFtpDriver&) = delete;
    CCurlFtpDriver& operator=(const CCurlFtpDriver&) = delete;

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

  private:
    // Resets the handle's options to the site's for one request on `path` (empty: the root).
    void Prepare(const std::string& path, bool folder);
    // Runs the prepared request; 0 or an errno value, LastError() filled on failure.
    int Perform();
    // libcurl's part of Perform: its CURLcode.
    int Run();
    // Server commands on the control connection only, no transfer.
    int Commands(const std::vector<std::string>& commands);
    int ListWith(const char* command, const std::string& folder, std::string& text);
    int AddExactTimes(const std::string& folder, CRemoteListing& listing);

    void SetTlsOptions();

    CRemoteSite m_site;
    CRemoteSite m_twinSite;  // the site as given, with no one to ask
    std::string m_baseUrl;
    std::unique_ptr<CCertificateTrust> m_trust;  // FTPS only
    CURL* m_curl = nullptr;
    CURLM* m_multi = nullptr;  // runs m_curl's requests and keeps its connection
    std::atomic<bool> m_cancel{false};
    bool m_bMlsd = true;  // until the server refuses it once
    int m_sinkError = 0;
    std::string m_error;
    std::vector<char> m_errorBuffer;
};

}  // namespace tv
