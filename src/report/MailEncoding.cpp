#include "report/MailEncoding.h"

#include <algorithm>
#include <cstdio>

#include "platform/SshKeyCodec.h"

namespace tv {

namespace {

constexpr size_t kMaxLineBytes = 998;
constexpr size_t kQpLineBytes = 76;
// Bytes of text per encoded word: 60 base64 characters keep each word under 75.
constexpr size_t kWordBytes = 45;

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string Blanked(std::string_view text) {
    std::string out(text);
    std::replace_if(out.begin(), out.end(), IsControl, ' ');
    return out;
}

// Cuts before a UTF-8 continuation byte never happen: a character stays in one word.
size_t WordEnd(std::string_view text, size_t start) {
    size_t end = std::min(text.size(), start + kWordBytes);
    while (end < text.size() && end > start + 1 &&
           (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return end;
}

std::string EncodedWords(std::string_view text) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        const size_t end = WordEnd(text, at);
        out += (at == 0 ? "" : "\r\n ") + std::string("=?UTF-8?B?") +
               Base64(text.substr(at, end - at)) + "?=";
        at = end;
    }
    return out;
}

void PutHex(std::string& out, unsigned char c) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "=%02X", c);
    out += hex;
}

}  // namespace

std::string WithCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32 + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\r\n";
            i += text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 1 : 0;
        } else {
            out += text[i];
        }
    }
    if (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0) {
        out += "\r\n";
    }
    return out;
}

TransferEncoding EncodingFor(std::string_view crlfText) {
    size_t lineStart = 0;
    for (size_t i = 0; i < crlfText.size(); ++i) {
        const auto c = static_cast<unsigned char>(crlfText[i]);
        if (c == '\n') {
            lineStart = i + 1;
        } else if (c >= 0x80 || c == 0 || i - lineStart >= kMaxLineBytes) {
            return TransferEncoding::QuotedPrintable;
        }
    }
    return TransferEncoding::SevenBit;
}

std::string QuotedPrintable(std::string_view crlfText) {
    std::string out;
    size_t column = 0;
    for (size_t i = 0; i < crlfText.size(); ++i) {
        const auto c = static_cast<unsigned char>(crlfText[i]);
        if (c == '\r' && i + 1 < crlfText.size() && crlfText[i + 1] == '\n') {
            out += "\r\n";
            column = 0;
            ++i;
            continue;
        }
        const bool lineEndFollows = i + 1 == crlfText.size() || crlfText[i + 1] == '\r';
        const bool literal =
            (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !lineEndFollows);
        const size_t width = literal ? 1 : 3;
        if (column + width > kQpLineBytes - 1) {
            out += "=\r\n";  // a soft break
            column = 0;
        }
        if (literal) {
            out += static_cast<char>(c);
        } else {
            PutHex(out, c);
        }
        column += width;
    }
    return out;
}

std::string DotStuffed(std::string_view crlfText) {
    std::string out;
    out.reserve(crlfText.size() + 16);
    bool lineStart = true;
    for (const char c : crlfText) {
        if (lineStart && c == '.') {
            out += '.';
        }
        out += c;
        lineStart = c == '\n';
    }
    return out;
}

std::string HeaderValue(std::string_view text) {
    const std::string blanked = Blanked(text);
    if (IsAscii(blanked) && blanked.size() <= kMaxLineBytes / 2) {
        return blanked;
    }
    return EncodedWords(blanked);
}

std::string DisplayName(std::string_view name) {
    const std::string blanked = Blanked(name);
    if (!IsAscii(blanked)) {
        return EncodedWords(blanked);
    }
    if (blanked.find_first_of("()<>[]:;@\\,.\"") == std::string::npos) {
        return blanked;
    }
    std::string quoted = "\"";
    for (const char c : blanked) {
        quoted += c == '"' || c == '\\' ? std::string{'\\', c} : std::string(1, c);
    }
    return quoted + "\"";
}

std::string MailDate(std::time_t when) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) {
        gmtime_r(&when, &local);
    }
    const long offset = local.tm_gmtoff / 60;
    const long absolute = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                  kDays[local.tm_wday % 7], local.tm_mday, kMonths[local.tm_mon % 12],
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                  offset < 0 ? '-' : '+', absolute / 60, absolute % 60);
    return text;
}

bool IsUsableAddress(std::string_view address) {
    return !address.empty() && address.size() <= 254 &&
           std::none_of(address.begin(), address.end(), [](char c) {
               return IsControl(c) || c == ' ' || c == '<' || c == '>' || c == ',' || c == ';';
           });
}

}  // namespace tv
