#include "base/Utf.h"

#include <utf8proc.h>

#include <array>
#include <cstdint>

namespace tv {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char16_t kEscapeBase = 0xDC00;

// Length of the valid UTF-8 sequence starting at text[i], or 0 when the bytes there are not
// valid UTF-8 (overlong forms, surrogates and values above U+10FFFF are invalid).
size_t ValidSequenceLength(std::string_view text, size_t i, char32_t& cp) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char b0 = byte(0);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    size_t len;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > text.size()) {
        return 0;
    }
    for (size_t k = 1; k < len; ++k) {
        if ((byte(k) & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (byte(k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return len;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Calls fn(codepoint) for valid sequences and fn(-1 - byte) for stray bytes.
template <typename Fn>
void ForEachUnit(std::string_view text, Fn&& fn) {
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const size_t len = ValidSequenceLength(text, i, cp);
        if (len == 0) {
            fn(-1 - static_cast<int32_t>(static_cast<unsigned char>(text[i])));
            ++i;
        } else {
            fn(static_cast<int32_t>(cp));
            i += len;
        }
    }
}

std::string MapCase(std::string_view text, utf8proc_int32_t (*map)(utf8proc_int32_t)) {
    std::string out;
    out.reserve(text.size());
    ForEachUnit(text, [&](int32_t unit) {
        if (unit < 0) {
            out += static_cast<char>(-1 - unit);
        } else {
            AppendUtf8(out, static_cast<char32_t>(map(unit)));
        }
    });
    return out;
}

std::u32string FoldedUnits(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    ForEachUnit(text, [&](int32_t unit) {
        // Stray bytes fold to themselves, kept apart from real code points above U+10FFFF.
        out += unit < 0 ? static_cast<char32_t>(0x110000 - unit)
                        : static_cast<char32_t>(utf8proc_tolower(utf8proc_toupper(unit)));
    });
    return out;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const size_t len = ValidSequenceLength(text, i, cp);
        if (len == 0) {
            return false;
        }
        i += len;
    }
    return true;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    ForEachUnit(text, [&](int32_t unit) {
        if (unit < 0) {
            out += static_cast<char16_t>(kEscapeBase + (-1 - unit));
        } else if (unit >= 0x10000) {
            const char32_t v = static_cast<char32_t>(unit) - 0x10000;
            out += static_cast<char16_t>(0xD800 + (v >> 10));
            out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
        } else {
            out += static_cast<char16_t>(unit);
        }
    });
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                                (text[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out += static_cast<char>(u - kEscapeBase);
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

std::string Cp1252ToUtf8(std::string_view text) {
    // 0x80..0x9F differ from Latin-1; the five undefined positions map to themselves.
    static constexpr std::array<char16_t, 32> kHigh = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(text.size() * 2);
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b);
    }
    return out;
}

std::string Utf8ToUpper(std::string_view text) {
    return MapCase(text, utf8proc_toupper);
}

bool Utf8EqualNoCase(std::string_view a, std::string_view b) {
    if (a == b) {
        return true;
    }
    return FoldedUnits(a) == FoldedUnits(b);
}

size_t Utf8PrefixLengthNoCase(std::string_view text, std::string_view prefix) {
    const std::u32string p = FoldedUnits(prefix);
    size_t matched = 0;
    size_t i = 0;
    while (matched < p.size()) {
        if (i >= text.size()) {
            return std::string_view::npos;
        }
        char32_t cp = 0;
        const size_t len = ValidSequenceLength(text, i, cp);
        const std::u32string unit = FoldedUnits(text.substr(i, len == 0 ? 1 : len));
        if (unit[0] != p[matched]) {
            return std::string_view::npos;
        }
        ++matched;
        i += len == 0 ? 1 : len;
    }
    return i;
}

}  // namespace tv
