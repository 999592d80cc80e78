#include "platform/TlsSession.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cstdlib>

namespace tv {

namespace {

bool IsIpAddress(const std::string& host) {
    unsigned char address[16];
    return inet_pton(AF_INET, host.c_str(), address) == 1 ||
           inet_pton(AF_INET6, host.c_str(), address) == 1;
}

std::string LastSslError() {
    char text[256] = {};
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) {
        return {};
    }
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

// The system store stays trusted when SSL_CERT_FILE adds a CA of its own (as for FTPS).
bool LoadTrustedCertificates(SSL_CTX* context) {
    bool loaded = SSL_CTX_set_default_verify_paths(context) == 1;
    SSL_CTX_load_verify_locations(context, X509_get_default_cert_file(), nullptr);
    if (const char* caFile = std::getenv("SSL_CERT_FILE"); caFile != nullptr && *caFile != 0) {
        loaded = SSL_CTX_load_verify_locations(context, caFile, nullptr) == 1 || loaded;
    }
    ERR_clear_error();
    return loaded;
}

}  // namespace

std::unique_ptr<CTlsSession> CTlsSession::Create(int fd, const std::string& host,
                                                 std::string* error) {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (context == nullptr) {
        *error = LastSslError();
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    LoadTrustedCertificates(context);
    SSL* ssl = SSL_new(context);
    if (ssl == nullptr) {
        *error = LastSslError();
        SSL_CTX_free(context);
        return nullptr;
    }
    std::unique_ptr<CTlsSession> session(new CTlsSession(context, ssl));
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
    const bool named = IsIpAddress(host) ? X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str()) == 1
                                         : SSL_set_tlsext_host_name(ssl, host.c_str()) == 1 &&
                                               SSL_set1_host(ssl, host.c_str()) == 1;
    if (!named || SSL_set_fd(ssl, fd) != 1) {
        *error = LastSslError();
        return nullptr;
    }
    return session;
}

CTlsSession::~CTlsSession() {
    SSL_free(m_ssl);
    SSL_CTX_free(m_context);
}

TlsStep CTlsSession::StepOf(int result) {
    switch (SSL_get_error(m_ssl, result)) {
        case SSL_ERROR_NONE:
            return TlsStep::Done;
        case SSL_ERROR_WANT_READ:
            return TlsStep::WantRead;
        case SSL_ERROR_WANT_WRITE:
            return TlsStep::WantWrite;
        case SSL_ERROR_ZERO_RETURN:
            return TlsStep::Closed;
        default:
            break;
    }
    const long verified = SSL_get_verify_result(m_ssl);
    m_strError = verified != X509_V_OK ? X509_verify_cert_error_string(verified) : LastSslError();
    ERR_clear_error();
    return TlsStep::Failed;
}

TlsStep CTlsSession::Handshake() {
    return StepOf(SSL_connect(m_ssl));
}

TlsStep CTlsSession::Read(char* buffer, size_t size, size_t* got) {
    *got = 0;
    const int result = SSL_read_ex(m_ssl, buffer, size, got);
    return result == 1 ? TlsStep::Done : StepOf(result);
}

TlsStep CTlsSession::Write(const char* data, size_t size, size_t* put) {
    *put = 0;
    const int result = SSL_write_ex(m_ssl, data, size, put);
    return result == 1 ? TlsStep::Done : StepOf(result);
}

void CTlsSession::Shutdown() {
    SSL_shutdown(m_ssl);
    ERR_clear_error();
}

std::string CTlsSession::Error() const {
    return m_strError;
}

}  // namespace tv
