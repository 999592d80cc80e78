#include "scan/Wildcard.h"

namespace tv {

namespace {

// Bytes of the character at `i`: a well-formed UTF-8 sequence, else the single stray byte.
size_t CharLength(std::string_view s, size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    size_t len = 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
    }
    if (len == 1 || i + len > s.size()) {
        return 1;
    }
    for (size_t k = 1; k < len; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    const auto second = static_cast<unsigned char>(s[i + 1]);
    // Overlong forms, surrogates and values above U+10FFFF are stray bytes, not characters.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return 1;
    }
    return len;
}

bool IsDelimiter(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == ';';
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    size_t p = 0;
    size_t n = 0;
    // Where to resume after the last "*": the pattern just past it, and the name position
    // the star's run currently ends at. Only the last star ever needs to grow its run.
    size_t starP = std::string_view::npos;
    size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
            continue;
        }
        const size_t nameLen = CharLength(name, n);
        if (p < pattern.size()) {
            const size_t patLen = pattern[p] == '?' ? 1 : CharLength(pattern, p);
            if (pattern[p] == '?' ||
                (patLen == nameLen && pattern.substr(p, patLen) == name.substr(n, nameLen))) {
                p += patLen;
                n += nameLen;
                continue;
            }
        }
        if (starP == std::string_view::npos) {
            return false;
        }
        starN += CharLength(name, starN);
        p = starP;
        n = starN;
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

std::vector<std::string> SplitMaskList(std::string_view list) {
    std::vector<std::string> masks;
    size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && IsDelimiter(list[i])) {
            ++i;
        }
        const size_t start = i;
        while (i < list.size() && !IsDelimiter(list[i])) {
            ++i;
        }
        if (i > start) {
            masks.emplace_back(list.substr(start, i - start));
        }
    }
    return masks;
}

}  // namespace tv
