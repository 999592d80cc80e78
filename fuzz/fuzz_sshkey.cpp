// Key files are picked by the user and may be anything. Reading one never reads past its bytes,
// and a key that reads writes back to a file that reads as the same key.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/SshKeyCodec.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto seed = tv::DecodeOpenSshKey(text);
    if (!seed) {
        return 0;
    }
    tv::Ed25519Bytes publicKey{};
    publicKey.fill(0x5a);
    const std::string again = tv::EncodeOpenSshKey(*seed, publicKey, "fuzz", 1);
    Check(tv::DecodeOpenSshKey(again) == seed);
    return 0;
}
