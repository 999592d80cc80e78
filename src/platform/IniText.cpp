#include "platform/IniText.h"

namespace tv {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view s) {
    size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x != y && !(x >= 'A' && x <= 'Z' && x + 32 == y) &&
            !(y >= 'A' && y <= 'Z' && y + 32 == x)) {
            return false;
        }
    }
    return true;
}

std::string Escape(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\0':
                out += "\\0";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// Unknown escapes stay as they are, so a hand-written "C:\temp" keeps its backslash.
std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] != '\\' || (next != '\\' && next != 'n' && next != 'r' && next != '0')) {
            out += text[i];
            continue;
        }
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == '0' ? '\0' : '\\';
        ++i;
    }
    return out;
}

// A line as the file holds it, less a CR left by an editor that ends lines with CR LF.
std::string_view Content(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

bool IsBlank(std::string_view line) {
    return Trim(Content(line)).empty();
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

bool HasSurroundingBlanks(std::string_view s) {
    return kBlanks.find(s.front()) != std::string_view::npos ||
           kBlanks.find(s.back()) != std::string_view::npos;
}

}  // namespace

CIniText::CIniText(std::string_view text) {
    std::string section;
    while (!text.empty()) {
        size_t end = text.find('\n');
        SLine line{std::string(text.substr(0, end)), EKind::Other, section, {}};
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        std::string_view content = Trim(Content(line.m_strText));
        size_t eq = content.find('=');
        if (content.size() >= 2 && content.front() == '[' && content.back() == ']') {
            section = Trim(content.substr(1, content.size() - 2));
            line.m_eKind = EKind::Header;
            line.m_strSection = section;
        } else if (eq != std::string_view::npos && IsValidName(Trim(content.substr(0, eq)))) {
            line.m_eKind = EKind::Entry;
            line.m_strName = Trim(content.substr(0, eq));
        }
        m_lines.push_back(std::move(line));
    }
}

bool CIniText::IsEntry(const SLine& line, std::string_view section, std::string_view name) const {
    return line.m_eKind == EKind::Entry && EqualNoCase(line.m_strSection, section) &&
           EqualNoCase(line.m_strName, name);
}

std::optional<std::string> CIniText::Find(std::string_view section, std::string_view name) const {
    for (const SLine& line : m_lines) {
        if (IsEntry(line, section, name)) {
            std::string_view content = Content(line.m_strText);
            return Unescape(content.substr(content.find('=') + 1));
        }
    }
    return std::nullopt;
}

// After the last non-blank line of the first block of the section, or npos when the file has
// no such section. The root section always exists: it ends where the first header starts.
size_t CIniText::InsertPosition(std::string_view section) const {
    size_t begin = section.empty() ? 0 : m_lines.size();
    for (size_t i = 0; i < m_lines.size() && begin == m_lines.size(); ++i) {
        if (m_lines[i].m_eKind == EKind::Header && EqualNoCase(m_lines[i].m_strSection, section)) {
            begin = i + 1;
        }
    }
    if (begin == m_lines.size() && !section.empty()) {
        return std::string_view::npos;
    }
    size_t end = begin;
    while (end < m_lines.size() && m_lines[end].m_eKind != EKind::Header) {
        ++end;
    }
    while (end > begin && IsBlank(m_lines[end - 1].m_strText)) {
        --end;
    }
    return end;
}

void CIniText::Set(std::string_view section, std::string_view name, std::string_view value) {
    std::string text = std::string(name) + "=" + Escape(value);
    for (SLine& line : m_lines) {
        if (IsEntry(line, section, name)) {
            line.m_strText = std::move(text);
            line.m_strName = name;
            return;
        }
    }
    SLine entry{std::move(text), EKind::Entry, std::string(section), std::string(name)};
    size_t pos = InsertPosition(section);
    if (pos != std::string_view::npos) {
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(pos), std::move(entry));
        return;
    }
    if (!m_lines.empty() && !IsBlank(m_lines.back().m_strText)) {
        m_lines.push_back(SLine{{}, EKind::Other, std::string(section), {}});
    }
    std::string header = "[" + std::string(section) + "]";
    m_lines.push_back(SLine{std::move(header), EKind::Header, std::string(section), {}});
    m_lines.push_back(std::move(entry));
}

bool CIniText::Remove(std::string_view section, std::string_view name) {
    size_t before = m_lines.size();
    std::erase_if(m_lines, [&](const SLine& line) { return IsEntry(line, section, name); });
    return m_lines.size() != before;
}

std::string CIniText::Text() const {
    std::string text;
    for (const SLine& line : m_lines) {
        text += line.m_strText;
        text += '\n';
    }
    return text;
}

bool CIniText::IsValidSection(std::string_view section) {
    if (section.empty()) {
        return true;
    }
    return !HasLineBreak(section) && section.find(']') == std::string_view::npos &&
           !HasSurroundingBlanks(section);
}

bool CIniText::IsValidName(std::string_view name) {
    return !name.empty() && !HasLineBreak(name) && name.find('=') == std::string_view::npos &&
           !HasSurroundingBlanks(name) && name.front() != '[' && name.front() != ';' &&
           name.front() != '#';
}

}  // namespace tv
