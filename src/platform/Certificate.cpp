#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/KeyFiles.h"
#include "platform/SshKeyCodec.h"

namespace tv {

namespace {

using PkeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using X509Ptr = std::unique_ptr<X509, decltype(&X509_free)>;
using BioPtr = std::unique_ptr<BIO, decltype(&BIO_free)>;

constexpr size_t kMaxKeyFileBytes = 1 << 20;
constexpr int kSerialBits = 127;  // positive and under the 20 bytes that X.509 allows

// A key file that asks for a passphrase is unreadable here: nobody is asked on a terminal.
int NoPassphrase(char*, int, int, void*) {
    return -1;
}

PkeyPtr ReadPrivateKey(std::string_view text) {
    if (const auto seed = DecodeOpenSshKey(text)) {
        return {EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, seed->data(), seed->size()),
                &EVP_PKEY_free};
    }
    BioPtr bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())), &BIO_free);
    return {bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, &NoPassphrase, nullptr) : nullptr,
            &EVP_PKEY_free};
}

bool AddName(X509_NAME* name, const char* field, const std::string& value) {
    return value.empty() ||
           X509_NAME_add_entry_by_txt(name, field, MBSTRING_UTF8,
                                      reinterpret_cast<const unsigned char*>(value.c_str()), -1, -1,
                                      0) == 1;
}

bool SetSubject(X509* cert, const CCertificateSubject& subject) {
    X509_NAME* name = X509_get_subject_name(cert);
    return AddName(name, "CN", subject.m_strOwner) && AddName(name, "C", subject.m_strCountry) &&
           AddName(name, "L", subject.m_strLocality) &&
           AddName(name, "O", subject.m_strOrganization) &&
           AddName(name, "OU", subject.m_strUnit) &&
           AddName(name, "emailAddress", subject.m_strEmail) &&
           X509_set_issuer_name(cert, name) == 1;
}

bool SetSerial(X509* cert) {
    std::unique_ptr<BIGNUM, decltype(&BN_free)> serial(BN_new(), &BN_free);
    return serial && BN_rand(serial.get(), kSerialBits, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1 &&
           BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert)) != nullptr;
}

bool AddExtension(X509* cert, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    const bool added = extension && X509_add_ext(cert, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

X509Ptr MakeCertificate(EVP_PKEY* key, const CCertificateSubject& subject) {
    X509Ptr cert(X509_new(), &X509_free);
    if (!cert || subject.m_nValidTo <= subject.m_nValidFrom ||
        X509_set_version(cert.get(), X509_VERSION_3) != 1 || !SetSerial(cert.get()) ||
        !ASN1_TIME_set(X509_getm_notBefore(cert.get()), subject.m_nValidFrom) ||
        !ASN1_TIME_set(X509_getm_notAfter(cert.get()), subject.m_nValidTo) ||
        !SetSubject(cert.get(), subject) || X509_set_pubkey(cert.get(), key) != 1 ||
        !AddExtension(cert.get(), NID_basic_constraints, "critical,CA:FALSE") ||
        !AddExtension(cert.get(), NID_key_usage, "critical,digitalSignature") ||
        !AddExtension(cert.get(), NID_ext_key_usage, "clientAuth") ||
        !AddExtension(cert.get(), NID_subject_key_identifier, "hash")) {
        return {nullptr, &X509_free};
    }
    // Ed25519 hashes inside its own signature; every other key signs a SHA-256 digest.
    const EVP_MD* digest = EVP_PKEY_get_id(key) == EVP_PKEY_ED25519 ? nullptr : EVP_sha256();
    if (X509_sign(cert.get(), key, digest) <= 0) {
        return {nullptr, &X509_free};
    }
    return cert;
}

std::string PemText(X509* cert, EVP_PKEY* key) {
    BioPtr bio(BIO_new(BIO_s_mem()), &BIO_free);
    if (!bio || PEM_write_bio_X509(bio.get(), cert) != 1 ||
        PEM_write_bio_PKCS8PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) != 1) {
        return {};
    }
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    std::string text(data, static_cast<size_t>(size));
    OPENSSL_cleanse(data, static_cast<size_t>(size));
    return text;
}

PkeyPtr ReadKeyFile(IFileSystem& fs, const std::string& keyPath) {
    auto text =
        keyPath.empty() ? std::nullopt : ReadWholeFile(fs, keyPath, nullptr, kMaxKeyFileBytes);
    if (!text) {
        return {nullptr, &EVP_PKEY_free};
    }
    PkeyPtr key = ReadPrivateKey(*text);
    OPENSSL_cleanse(text->data(), text->size());
    return key;
}

KeyFileResult Fail(std::string* error, const std::string& why) {
    if (error) {
        *error = why;
    }
    return KeyFileResult::Failed;
}

}  // namespace

bool ReadsAsKey(IFileSystem& fs, const std::string& keyPath) {
    return ReadKeyFile(fs, keyPath) != nullptr;
}

KeyFileResult WriteSelfSignedCertificate(IFileSystem& fs, const std::string& keyPath,
                                         const std::string& certPath,
                                         const CCertificateSubject& subject, ExistingFiles existing,
                                         std::string* error) {
    auto keyText =
        keyPath.empty() ? std::nullopt : ReadWholeFile(fs, keyPath, nullptr, kMaxKeyFileBytes);
    PkeyPtr key = keyText ? ReadPrivateKey(*keyText) : PkeyPtr(nullptr, &EVP_PKEY_free);
    if (keyText) {
        OPENSSL_cleanse(keyText->data(), keyText->size());
    }
    if (!key) {
        return KeyFileResult::NoKey;
    }
    CFileInfo info;
    if (existing == ExistingFiles::Keep && fs.Stat(certPath, info, LinkMode::NoFollow) == 0) {
        return KeyFileResult::Exists;
    }
    const X509Ptr cert = MakeCertificate(key.get(), subject);
    if (!cert) {
        return Fail(error, "cannot make a certificate of these fields");
    }
    std::string text = PemText(cert.get(), key.get());
    const bool written = !text.empty() && WritePrivateFileAtomically(fs, certPath, text, error);
    OPENSSL_cleanse(text.data(), text.size());
    return written ? KeyFileResult::Written : KeyFileResult::Failed;
}

}  // namespace tv
