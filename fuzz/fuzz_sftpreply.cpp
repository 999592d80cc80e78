// Answers of an SFTP server, as many as the bytes hold: taking them never reads past the bytes,
// always moves forward, and a name or handle taken is never longer than the answer it came in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/SftpWire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view inbox(reinterpret_cast<const char*>(data), size);
    size_t begin = 0;
    tv::sftp::CReply reply;
    for (;;) {
        const size_t before = begin;
        const tv::sftp::Take taken = tv::sftp::TakeReply(inbox, begin, reply);
        if (taken != tv::sftp::Take::Reply) {
            if (begin != before) {
                std::abort();
            }
            return 0;
        }
        const size_t length = begin - before;
        if (begin <= before || begin > size || reply.m_text.size() > length) {
            std::abort();
        }
        for (const tv::sftp::CName& name : reply.m_names) {
            if (name.m_name.size() > length) {
                std::abort();
            }
        }
    }
}
