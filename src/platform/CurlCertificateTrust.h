#pragma once

#include <string>
#include <unordered_set>

#include "platform/RemoteDriver.h"

typedef void CURL;
typedef struct ssl_ctx_st SSL_CTX;
typedef struct x509_store_ctx_st X509_STORE_CTX;

namespace tv {

// Whether an FTPS server's certificate is good enough to send the login to, decided inside the
// TLS handshake: one the CA store vouches for (name included) goes on; else one remembered for
// this host:port, or accepted by the user when asked, goes on; anything else ends the handshake.
// Belongs to its driver's thread; the callbacks run inside that thread's curl_easy_perform.
class CCertificateTrust {
  public:
    CCertificateTrust(std::string host, int port, AskCertificateFn ask, std::string trustedFile);

    // Routes the handle's certificate check through this object for the next request.
    void Apply(CURL* curl);
    // Forgets the last handshake's refusal; before each request.
    void Reset() { m_refusal.clear(); }
    // Why the last handshake's certificate was refused; empty when it was not.
    const std::string& Refusal() const { return m_refusal; }

    // OpenSSL's callbacks; public for the C trampolines only.
    void SetUpContext(SSL_CTX* context);
    int Verify(int preverified, X509_STORE_CTX* store);

  private:
    bool Remembered(const std::string& fingerprint) const;
    void Remember(const std::string& fingerprint) const;

    std::string m_host;
    std::string m_hostPort;
    AskCertificateFn m_ask;
    std::string m_trustedFile;
    std::unordered_set<std::string> m_accepted;  // for the driver's life
    std::unordered_set<std::string> m_declined;  // asked once is enough per driver
    std::string m_refusal;
};

}  // namespace tv
