#include "report/SmtpReply.h"

#include <algorithm>
#include <cctype>

namespace tv {

namespace {

int CodeOf(std::string_view line) {
    if (line.size() < 3 ||
        !std::all_of(line.begin(), line.begin() + 3, [](char c) { return c >= '0' && c <= '9'; })) {
        return 0;
    }
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < text.size()) {
        const size_t start = text.find_first_not_of(' ', at);
        if (start == std::string_view::npos) {
            break;
        }
        const size_t end = std::min(text.find(' ', start), text.size());
        words.emplace_back(text.substr(start, end - start));
        at = end;
    }
    return words;
}

}  // namespace

bool CSmtpReply::Add(std::string_view line) {
    if (m_bComplete) {
        return true;
    }
    const int code = CodeOf(line);
    const bool first = m_nCode < 0;
    if (first) {
        m_nCode = code;
    }
    const bool continues = code != 0 && code == m_nCode && line.size() > 3 && line[3] == '-';
    if (!first && code != m_nCode) {
        // Not part of this reply: what it says is not taken for what the server meant.
        m_bComplete = true;
        return true;
    }
    m_lines.emplace_back(line.size() > 4 ? line.substr(4) : std::string_view());
    m_bComplete = !continues || m_lines.size() >= kMaxLines;
    return m_bComplete;
}

std::string CSmtpReply::Text() const {
    std::string text = std::to_string(std::max(m_nCode, 0));
    for (const std::string& line : m_lines) {
        text += ' ';
        for (const char c : line) {
            text += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
        }
    }
    return text;
}

bool CSmtpReply::Offers(std::string_view keyword) const {
    if (m_nCode != 250) {
        return false;
    }
    const std::string wanted = Upper(keyword);
    // The first line greets; the others name one extension each.
    return std::any_of(m_lines.begin() + (m_lines.empty() ? 0 : 1), m_lines.end(),
                       [&](const std::string& line) {
                           const auto words = Words(line);
                           return !words.empty() && Upper(words.front()) == wanted;
                       });
}

std::vector<std::string> CSmtpReply::AuthMechanisms() const {
    std::vector<std::string> mechanisms;
    if (m_nCode != 250) {
        return mechanisms;
    }
    for (size_t i = 1; i < m_lines.size(); ++i) {
        auto words = Words(m_lines[i]);
        if (words.empty() || Upper(words.front()) != "AUTH") {
            continue;
        }
        for (size_t w = 1; w < words.size(); ++w) {
            mechanisms.push_back(Upper(words[w]));
        }
    }
    return mechanisms;
}

}  // namespace tv
