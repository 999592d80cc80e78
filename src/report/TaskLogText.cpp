#include "report/TaskLogText.h"

#include "base/Utf.h"

namespace tv {

namespace {

constexpr size_t kUnit = 2;

char16_t UnitAt(std::string_view bytes, size_t offset) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[offset]) |
                                 static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The length of the sequence a UTF-8 lead byte opens; 1 for anything else.
size_t SequenceLength(char byte) {
    const auto b = static_cast<unsigned char>(byte);
    if (b >= 0xF0 && b <= 0xF4) {
        return 4;
    }
    if (b >= 0xE0 && b <= 0xEF) {
        return 3;
    }
    return b >= 0xC2 && b <= 0xDF ? 2 : 1;
}

size_t Utf16Boundary(std::string_view bytes, size_t cut) {
    cut -= cut % kUnit;
    if (cut >= kUnit && IsHighSurrogate(UnitAt(bytes, cut - kUnit))) {
        cut -= kUnit;
    }
    return cut;
}

// Backs up over at most three continuation bytes to the lead byte; a cut through stray
// continuation bytes (raw bytes of a name that is not UTF-8) stays where it is.
size_t Utf8Boundary(std::string_view bytes, size_t cut) {
    size_t start = cut;
    while (start > 0 && cut - start < 3 && IsContinuation(bytes[start])) {
        --start;
    }
    return start < cut && SequenceLength(bytes[start]) > cut - start ? start : cut;
}

bool IsNewline(std::string_view bytes, size_t offset, LogEncoding encoding) {
    return encoding == LogEncoding::Utf8 ? bytes[offset] == '\n' : UnitAt(bytes, offset) == u'\n';
}

}  // namespace

std::string EncodeLogText(std::string_view text, LogEncoding encoding) {
    if (encoding == LogEncoding::Utf8) {
        return std::string(text);
    }
    const std::u16string units = Utf8ToUtf16(text);
    std::string bytes;
    bytes.reserve(units.size() * kUnit);
    for (char16_t unit : units) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

size_t LogCharBoundary(std::string_view bytes, size_t limit, LogEncoding encoding) {
    if (limit >= bytes.size()) {
        return bytes.size();
    }
    return encoding == LogEncoding::Utf8 ? Utf8Boundary(bytes, limit) : Utf16Boundary(bytes, limit);
}

std::vector<std::string_view> SplitLogLines(std::string_view bytes, LogEncoding encoding) {
    const size_t step = encoding == LogEncoding::Utf8 ? 1 : kUnit;
    const std::string_view cr = encoding == LogEncoding::Utf8 ? "\r" : std::string_view("\r\0", 2);
    std::vector<std::string_view> lines;
    size_t begin = 0;
    for (size_t at = 0; at + step <= bytes.size(); at += step) {
        if (!IsNewline(bytes, at, encoding)) {
            continue;
        }
        std::string_view line = bytes.substr(begin, at - begin);
        if (line.size() >= step && line.substr(line.size() - step) == cr) {
            line.remove_suffix(step);
        }
        lines.push_back(line);
        begin = at + step;
    }
    if (begin < bytes.size()) {
        lines.push_back(bytes.substr(begin));
    }
    return lines;
}

bool LogLineContains(std::string_view line, std::string_view needle, LogEncoding encoding) {
    const std::string encoded = EncodeLogText(needle, encoding);
    const size_t step = encoding == LogEncoding::Utf8 ? 1 : kUnit;
    for (size_t at = line.find(encoded); at != std::string_view::npos;
         at = line.find(encoded, at + 1)) {
        if (at % step == 0) {
            return true;
        }
    }
    return false;
}

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace tv
