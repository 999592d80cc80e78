// A server's listing is untrusted input. Whatever it sends, parsing never crashes, and no entry
// passed on has a name that could leave its folder or stand for the folder itself.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/RemoteListing.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void CheckEntries(const tv::CRemoteListing& listing) {
    for (const tv::CRemoteEntry& entry : listing.m_entries) {
        std::string_view name = entry.m_name;
        Check(!name.empty() && name != "." && name != "..");
        Check(name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    tv::CRemoteListing mlsd;
    tv::ParseMlsd(text, mlsd);
    CheckEntries(mlsd);
    tv::CRemoteListing list;
    tv::ParseList(text, tv::FileTimeFromUnix(1'700'000'000), list);
    CheckEntries(list);
    tv::FileTime time = 0;
    tv::ParseFtpTime(text, time);
    return 0;
}
