#pragma once

#include <cstddef>
#include <memory>
#include <string>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace tv {

// How one TLS step went on a non-blocking socket: done, or waiting for the socket to become
// readable or writable, or over.
enum class TlsStep { Done, WantRead, WantWrite, Closed, Failed };

// The client side of TLS on a connected socket that it does not own. The server's certificate
// is checked against the system's CA store and the CA file named by SSL_CERT_FILE, and must
// name the host that was asked for (a DNS name or an IP address). Each step returns at once;
// the caller waits on the socket as the step asks. One thread at a time.
class CTlsSession {
  public:
    // None (with `error` set) when TLS cannot be set up at all.
    static std::unique_ptr<CTlsSession> Create(int fd, const std::string& host, std::string* error);
    ~CTlsSession();
    CTlsSession(const CTlsSession&) = delete;
    CTlsSession& operator=(const CTlsSession&) = delete;

    TlsStep Handshake();
    TlsStep Read(char* buffer, size_t size, size_t* got);
    TlsStep Write(const char* data, size_t size, size_t* put);
    // Sends the close notice once, without waiting for the server's.
    void Shutdown();
    // Why the last step failed: the certificate check's reason when it refused.
    std::string Error() const;

  private:
    CTlsSession(SSL_CTX* context, SSL* ssl) : m_context(context), m_ssl(ssl) {}
    TlsStep StepOf(int result);

    SSL_CTX* m_context;
    SSL* m_ssl;
    std::string m_strError;
};

}  // namespace tv
