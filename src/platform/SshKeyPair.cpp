#include <openssl/evp.h>
#include <openssl/rand.h>

#include <memory>

#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/KeyFiles.h"
#include "platform/SshKeyCodec.h"

namespace tv {

namespace {

using PkeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

bool Exists(IFileSystem& fs, const std::string& path) {
    CFileInfo info;
    return fs.Stat(path, info, LinkMode::NoFollow) == 0;
}

bool RawKey(EVP_PKEY* key, int (*get)(const EVP_PKEY*, unsigned char*, size_t*),
            Ed25519Bytes& out) {
    size_t size = out.size();
    return get(key, out.data(), &size) == 1 && size == out.size();
}

KeyFileResult Fail(std::string* error, const std::string& why) {
    if (error) {
        *error = why;
    }
    return KeyFileResult::Failed;
}

}  // namespace

KeyFileResult WriteSshKeyPair(IFileSystem& fs, const std::string& keyPath,
                              const std::string& comment, ExistingFiles existing,
                              std::string* error) {
    const std::string publicPath = keyPath + ".pub";
    if (existing == ExistingFiles::Keep && (Exists(fs, keyPath) || Exists(fs, publicPath))) {
        return KeyFileResult::Exists;
    }
    PkeyPtr key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"), &EVP_PKEY_free);
    Ed25519Bytes seed{};
    Ed25519Bytes publicKey{};
    uint32_t check = 0;
    if (!key || !RawKey(key.get(), &EVP_PKEY_get_raw_private_key, seed) ||
        !RawKey(key.get(), &EVP_PKEY_get_raw_public_key, publicKey) ||
        RAND_bytes(reinterpret_cast<unsigned char*>(&check), sizeof check) != 1) {
        return Fail(error, "cannot generate an ed25519 key");
    }
    std::string text = EncodeOpenSshKey(seed, publicKey, comment, check);
    OPENSSL_cleanse(seed.data(), seed.size());
    // The private half first: a public key without its private key is of no use to anyone.
    const bool written =
        WritePrivateFileAtomically(fs, keyPath, text, error) &&
        WriteFileAtomically(fs, publicPath, EncodeOpenSshPublicKey(publicKey, comment), error);
    OPENSSL_cleanse(text.data(), text.size());
    return written ? KeyFileResult::Written : KeyFileResult::Failed;
}

}  // namespace tv
