#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

using Ed25519Bytes = std::array<uint8_t, 32>;

// The text of an unencrypted OpenSSH private key file holding one ed25519 key. `check` is the
// random word the format repeats so that a reader can tell a wrong passphrase; it means
// nothing without encryption but must be there. Pure; any thread.
std::string EncodeOpenSshKey(const Ed25519Bytes& seed, const Ed25519Bytes& publicKey,
                             const std::string& comment, uint32_t check);
// The public key line of an authorized_keys or ".pub" file, ending in a line feed.
std::string EncodeOpenSshPublicKey(const Ed25519Bytes& publicKey, const std::string& comment);
// The private seed of an unencrypted OpenSSH ed25519 key file; nothing for any other text, a
// key of another kind, an encrypted key or a damaged file. Pure; any thread.
std::optional<Ed25519Bytes> DecodeOpenSshKey(std::string_view text);

// Standard base64 with padding, as OpenSSH key files and known_hosts lines hold it.
std::string Base64(std::string_view bytes);
// The bytes of standard base64 (white space ignored); nothing for text that is not base64.
std::optional<std::string> FromBase64(std::string text);

// The fingerprint OpenSSH shows for a public key given in base64 as known_hosts holds it:
// "SHA256:" and the unpadded base64 of the key blob's SHA-256. Empty for text that is not
// base64. Pure; any thread.
std::string SshFingerprint(const std::string& keyBase64);

}  // namespace tv
