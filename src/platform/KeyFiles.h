#pragma once

#include <cstdint>
#include <string>

namespace tv {

class IFileSystem;

// Whether a new key or certificate may take the place of a file that is already there: a key
// file someone logs in with is not replaced unless the user said so.
enum class ExistingFiles { Keep, Replace };

enum class KeyFileResult {
    Written,
    Exists,  // a file was in the way and ExistingFiles::Keep left it alone
    NoKey,   // the key to sign with is missing or unreadable
    Failed,  // the key or certificate could not be made or written; the error says why
};

// A new ed25519 key pair for SFTP logins: the private key at `keyPath` in OpenSSH's own format,
// unencrypted and readable by its owner only (0600), and the public key beside it at
// `keyPath + ".pub"` as one "ssh-ed25519 <base64> <comment>" line. Each file is replaced
// atomically. Blocks on disk I/O; any thread; not cancellable.
KeyFileResult WriteSshKeyPair(IFileSystem& fs, const std::string& keyPath,
                              const std::string& comment, ExistingFiles existing,
                              std::string* error = nullptr);

// The subject and validity of a self-signed certificate; empty name parts are left out.
struct CCertificateSubject {
    std::string m_strOwner;
    std::string m_strCountry;  // two letters
    std::string m_strLocality;
    std::string m_strOrganization;
    std::string m_strUnit;
    std::string m_strEmail;
    int64_t m_nValidFrom = 0;  // seconds since 1970
    int64_t m_nValidTo = 0;
};

// Whether `keyPath` holds an unencrypted private key that WriteSelfSignedCertificate can sign
// with. Blocks on disk I/O; any thread.
bool ReadsAsKey(IFileSystem& fs, const std::string& keyPath);

// A self-signed X.509 client certificate for `subject`, signed with the private key in `keyPath`
// (an OpenSSH ed25519 key as WriteSshKeyPair writes it, or any unencrypted PEM key). `certPath`
// receives the certificate in PEM followed by that key in PKCS#8 PEM, so that the one file is
// all a TLS login needs; it is private (0600) because it holds the key. Blocks on disk I/O; any
// thread; not cancellable.
KeyFileResult WriteSelfSignedCertificate(IFileSystem& fs, const std::string& keyPath,
                                         const std::string& certPath,
                                         const CCertificateSubject& subject, ExistingFiles existing,
                                         std::string* error = nullptr);

}  // namespace tv
