#include "platform/CurlCertificateTrust.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <openssl/bio.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>

namespace tv {
namespace {

int ContextIndex() {
    static int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

int VerifyTrampoline(int preverified, X509_STORE_CTX* store) {
    auto* ssl =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* trust = ssl == nullptr ? nullptr
                                 : static_cast<CCertificateTrust*>(
                                       SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), ContextIndex()));
    return trust == nullptr ? preverified : trust->Verify(preverified, store);
}

CURLcode ContextCallback(CURL*, void* context, void* user) {
    static_cast<CCertificateTrust*>(user)->SetUpContext(static_cast<SSL_CTX*>(context));
    return CURLE_OK;
}

bool IsAddress(const std::string& host) {
    unsigned char buffer[16];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
           inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

std::string Fingerprint(X509* cert) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(cert, EVP_sha256(), digest, &length) != 1) {
        return {};
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += i == 0 ? "" : ":";
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
    }
    return text;
}

std::string NameText(const X509_NAME* name) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(size));
}

int64_t Seconds(const ASN1_TIME* time) {
    struct tm parts {};
    return ASN1_TIME_to_tm(time, &parts) == 1 ? static_cast<int64_t>(timegm(&parts)) : 0;
}

}  // namespace

CCertificateTrust::CCertificateTrust(std::string host, int port, AskCertificateFn ask,
                                     std::string trustedFile)
    : m_host(std::move(host)), m_ask(std::move(ask)), m_trustedFile(std::move(trustedFile)) {
    bool bracketed = m_host.find(':') != std::string::npos;
    m_hostPort = (bracketed ? "[" + m_host + "]" : m_host) + ":" + std::to_string(port);
}

void CCertificateTrust::Apply(CURL* curl) {
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    // The name is checked by OpenSSL inside the handshake instead, so that a mismatch reaches
    // Verify and can be asked about like any other doubt.
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, ContextCallback);
    curl_easy_setopt(curl, CURLOPT_SSL_CTX_DATA, this);
}

void CCertificateTrust::SetUpContext(SSL_CTX* context) {
    SSL_CTX_set_ex_data(context, ContextIndex(), this);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, VerifyTrampoline);
    X509_VERIFY_PARAM* param = SSL_CTX_get0_param(context);
    if (IsAddress(m_host)) {
        X509_VERIFY_PARAM_set1_ip_asc(param, m_host.c_str());
    } else {
        X509_VERIFY_PARAM_set1_host(param, m_host.c_str(), 0);
    }
}

// Called for every doubt about the chain; the decision is about the server's own certificate,
// so a chain with several doubts asks once.
int CCertificateTrust::Verify(int preverified, X509_STORE_CTX* store) {
    if (preverified == 1) {
        return 1;
    }
    X509* cert = X509_STORE_CTX_get0_cert(store);
    std::string fingerprint = cert == nullptr ? std::string() : Fingerprint(cert);
    std::string reason = X509_verify_cert_error_string(X509_STORE_CTX_get_error(store));
    if (fingerprint.empty() || m_declined.contains(fingerprint)) {
        m_refusal = "the certificate of " + m_hostPort + " is not trusted (" + reason + ")";
        return 0;
    }
    if (!m_accepted.contains(fingerprint) && !Remembered(fingerprint)) {
        CCertificateQuestion question{m_hostPort,
                                      NameText(X509_get_subject_name(cert)),
                                      NameText(X509_get_issuer_name(cert)),
                                      Seconds(X509_get0_notBefore(cert)),
                                      Seconds(X509_get0_notAfter(cert)),
                                      fingerprint,
                                      reason};
        if (!m_ask || !m_ask(question)) {
            m_declined.insert(fingerprint);
            m_refusal = "the certificate of " + m_hostPort + " is not trusted (" + reason +
                        (m_ask ? ") and was declined" : ") and no one was there to accept it");
            return 0;
        }
        Remember(fingerprint);
    }
    m_accepted.insert(fingerprint);
    // Without this the handshake goes on but libcurl reads the doubt afterwards and hangs up.
    X509_STORE_CTX_set_error(store, X509_V_OK);
    return 1;
}

bool CCertificateTrust::Remembered(const std::string& fingerprint) const {
    if (m_trustedFile.empty()) {
        return false;
    }
    std::ifstream in(m_trustedFile);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string hostPort;
        std::string known;
        if (fields >> hostPort >> known && hostPort == m_hostPort && known == fingerprint) {
            return true;
        }
    }
    return false;
}

// One append of one whole line, synced: a crash leaves the file as it was or with the line.
void CCertificateTrust::Remember(const std::string& fingerprint) const {
    if (m_trustedFile.empty()) {
        return;
    }
    std::string line = m_hostPort + " " + fingerprint + "\n";
    int fd = open(m_trustedFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    if (write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size())) {
        fsync(fd);
    }
    close(fd);
}

}  // namespace tv
