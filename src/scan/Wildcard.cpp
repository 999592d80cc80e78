#include "scan/Wildcard.h"

#include <algorithm>

namespace tv {

namespace {

size_t MultiByteLength(std::string_view s, size_t i) {
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

// Bytes of the character at `i`: a well-formed UTF-8 sequence, else the single stray byte.
inline size_t CharLength(std::string_view s, size_t i) {
    return static_cast<unsigned char>(s[i]) < 0x80 ? 1 : MultiByteLength(s, i);
}

// Name bytes that the pattern character at `p` ("?" or a literal) takes at `n`; 0 if none.
inline size_t MatchOne(std::string_view pattern, size_t p, std::string_view name, size_t n) {
    const size_t nameLen = CharLength(name, n);
    if (pattern[p] == '?') {
        return nameLen;
    }
    if (pattern[p] != name[n]) {
        return 0;
    }
    const size_t patLen = CharLength(pattern, p);
    return patLen == nameLen && pattern.substr(p, patLen) == name.substr(n, nameLen) ? nameLen : 0;
}

// A literal that can only stand at the start of a character, so the name can be searched for
// it byte by byte.
bool IsLeadLiteral(char c) {
    const auto b = static_cast<unsigned char>(c);
    return c != '*' && c != '?' && (b < 0x80 || b >= 0xC0);
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
        if (p < pattern.size()) {
            if (const size_t taken = MatchOne(pattern, p, name, n)) {
                p += pattern[p] == '?' ? 1 : taken;
                n += taken;
                continue;
            }
        }
        if (starP == std::string_view::npos) {
            return false;
        }
        starN += CharLength(name, starN);
        if (starP < pattern.size() && IsLeadLiteral(pattern[starP])) {
            starN = std::min(name.find(pattern[starP], starN), name.size());
        }
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
