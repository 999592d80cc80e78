#include "base/PrintfFormat.h"

#include <array>

namespace tv {

namespace {

constexpr std::string_view kFlags = "-+ #0'";
constexpr std::string_view kCommonFlags = "-+ ";
constexpr size_t kMaxCountDigits = 3;
// Longest first, so that "hh" is not read as "h".
constexpr std::array<std::string_view, 8> kLengths = {"hh", "ll", "h", "l", "L", "j", "z", "t"};
constexpr std::string_view kIntLengths = " hh h l ll j z t ";
constexpr std::string_view kFloatLengths = " l L ";
constexpr std::string_view kWideLengths = " l ";

// What a conversion allows: any other flag, precision or length is undefined behaviour.
struct CRule {
    char m_kind;               // of the argument taken, for comparing formats
    std::string_view m_flags;  // beyond the common ones
    bool m_bPrecision;
    std::string_view m_lengths;
};

std::optional<CRule> RuleOf(char conversion) {
    switch (conversion) {
        case 'd':
        case 'i':
            return CRule{'d', "0'", true, kIntLengths};
        case 'u':
            return CRule{'u', "0'", true, kIntLengths};
        case 'o':
        case 'x':
        case 'X':
            return CRule{'u', "#0", true, kIntLengths};
        case 'f':
        case 'F':
        case 'g':
        case 'G':
            return CRule{'f', "#0'", true, kFloatLengths};
        case 'e':
        case 'E':
        case 'a':
        case 'A':
            return CRule{'f', "#0", true, kFloatLengths};
        case 'c':
            return CRule{'c', "", false, kWideLengths};
        case 's':
            return CRule{'s', "", true, kWideLengths};
        case 'p':
            return CRule{'p', "", false, ""};
        default:
            return std::nullopt;
    }
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A width or precision at `pos`: "*" takes an argument, digits take none.
bool ReadCount(std::string_view format, size_t& pos, std::vector<std::string>& arguments) {
    if (pos < format.size() && format[pos] == '*') {
        arguments.emplace_back("*");
        ++pos;
        return true;
    }
    const size_t start = pos;
    while (pos < format.size() && IsDigit(format[pos])) {
        ++pos;
    }
    return pos - start <= kMaxCountDigits;
}

std::string_view ReadLength(std::string_view format, size_t& pos) {
    for (const std::string_view length : kLengths) {
        if (format.substr(pos, length.size()) == length) {
            pos += length.size();
            return length;
        }
    }
    return {};
}

bool Allows(const CRule& rule, std::string_view flags, bool precision, std::string_view length) {
    for (const char flag : flags) {
        if (kCommonFlags.find(flag) == std::string_view::npos &&
            rule.m_flags.find(flag) == std::string_view::npos) {
            return false;
        }
    }
    return (!precision || rule.m_bPrecision) &&
           (length.empty() ||
            rule.m_lengths.find(" " + std::string(length) + " ") != std::string_view::npos);
}

// One conversion, from just after its "%": its arguments go to `arguments`.
bool ReadConversion(std::string_view format, size_t& pos, std::vector<std::string>& arguments) {
    const size_t flagsStart = pos;
    while (pos < format.size() && kFlags.find(format[pos]) != std::string_view::npos) {
        ++pos;
    }
    const std::string_view flags = format.substr(flagsStart, pos - flagsStart);
    if (!ReadCount(format, pos, arguments)) {
        return false;
    }
    const bool precision = pos < format.size() && format[pos] == '.';
    if (precision && !ReadCount(format, ++pos, arguments)) {
        return false;
    }
    const std::string_view length = ReadLength(format, pos);
    const auto rule = pos < format.size() ? RuleOf(format[pos]) : std::nullopt;
    if (!rule || !Allows(*rule, flags, precision, length)) {
        return false;
    }
    arguments.push_back(std::string(length) + rule->m_kind);
    ++pos;
    return true;
}

}  // namespace

std::optional<std::vector<std::string>> PrintfArguments(std::string_view format) {
    std::vector<std::string> arguments;
    for (size_t pos = format.find('%'); pos != std::string_view::npos;
         pos = format.find('%', pos)) {
        ++pos;
        if (pos < format.size() && format[pos] == '%') {
            ++pos;
        } else if (!ReadConversion(format, pos, arguments)) {
            return std::nullopt;
        }
    }
    return arguments;
}

}  // namespace tv
