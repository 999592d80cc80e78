// Whatever a mail server answers, reading its replies ends, and what the client makes of user
// text can neither end a message early nor start a header line of its own.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "report/MailEncoding.h"
#include "report/SmtpReply.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void CheckReply(const std::string& text) {
    tv::CSmtpReply reply;
    size_t lines = 0;
    size_t at = 0;
    while (at < text.size() && !reply.IsComplete()) {
        const size_t end = std::min(text.find('\n', at), text.size());
        reply.Add(std::string_view(text).substr(at, end - at));
        ++lines;
        at = end + 1;
    }
    Check(lines <= tv::CSmtpReply::kMaxLines);
    Check(reply.Code() >= -1 && reply.Code() <= 999);
    Check(reply.Lines().size() <= lines);
    const std::string shown = reply.Text();
    Check(shown.find_first_of("\r\n") == std::string::npos);
    if (reply.Code() != 250) {
        Check(!reply.Offers("STARTTLS") && reply.AuthMechanisms().empty());
    }
}

// Undoes the dot-stuffing as a server does.
std::string Unstuffed(const std::string& stuffed) {
    std::string out;
    bool lineStart = true;
    for (size_t i = 0; i < stuffed.size(); ++i) {
        if (!(lineStart && stuffed[i] == '.')) {
            out += stuffed[i];
        }
        lineStart = stuffed[i] == '\n';
    }
    return out;
}

void CheckBody(const std::string& text) {
    const std::string body = tv::WithCrLf(text);
    const std::string stuffed = tv::DotStuffed(body);
    Check(stuffed.find("\r\n.\r\n") == std::string::npos && stuffed.rfind(".\r\n", 0) != 0);
    Check(Unstuffed(stuffed) == body);
    if (tv::EncodingFor(body) == tv::TransferEncoding::QuotedPrintable) {
        const std::string encoded = tv::QuotedPrintable(body);
        size_t lineStart = 0;
        for (size_t i = 0; i < encoded.size(); ++i) {
            const auto c = static_cast<unsigned char>(encoded[i]);
            Check(c < 0x80 && c != 0);
            if (c == '\n') {
                Check(i > 0 && encoded[i - 1] == '\r' && i - lineStart <= 77);
                lineStart = i + 1;
            }
        }
    }
}

void CheckHeader(const std::string& text) {
    for (const std::string& value : {tv::HeaderValue(text), tv::DisplayName(text)}) {
        for (size_t at = value.find_first_of("\r\n"); at != std::string::npos;
             at = value.find_first_of("\r\n", at + 3)) {
            // Only a fold: CRLF and a blank, inside one header.
            Check(value.compare(at, 3, "\r\n ") == 0);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string header = input.ConsumeRandomLengthString(512);
    const std::string body = input.ConsumeRandomLengthString(4096);
    const std::string reply = input.ConsumeRemainingBytesAsString();
    CheckReply(reply);
    CheckBody(body);
    CheckHeader(header);
    return 0;
}
