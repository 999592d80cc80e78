#include "app/RecentFileList.h"

#include <algorithm>

#include "platform/Profile.h"
#include "platform/ProfileKeys.h"

namespace tv {

namespace {

constexpr char kEllipsis[] = "...";
constexpr size_t kEllipsisLength = 3;

std::string EntryName(size_t index) {
    return profkey::kRecentEntryPrefix + std::to_string(index + 1);
}

// Length of the UTF-8 sequence that starts with `lead`, or 1 for a byte that starts none.
size_t SequenceLength(std::string_view text, size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    const size_t length = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
    if (lead >= 0xF5 || pos + length > text.size()) {
        return 1;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return length;
}

size_t CharCount(std::string_view text) {
    size_t count = 0;
    for (size_t pos = 0; pos < text.size(); pos += SequenceLength(text, pos)) {
        ++count;
    }
    return count;
}

// The leading bytes of `text` that hold at most `chars` whole characters.
std::string_view FirstChars(std::string_view text, size_t chars) {
    size_t pos = 0;
    for (; pos < text.size() && chars > 0; --chars) {
        pos += SequenceLength(text, pos);
    }
    return text.substr(0, pos);
}

}  // namespace

void CRecentFileList::Load() {
    m_Entries.clear();
    for (size_t i = 0; i < kSize; ++i) {
        std::string entry = m_profile.GetProfileString(profkey::kRecentSection, EntryName(i));
        if (!entry.empty()) {
            m_Entries.push_back(std::move(entry));
        }
    }
}

bool CRecentFileList::Add(const std::string& path) {
    std::erase(m_Entries, path);
    m_Entries.insert(m_Entries.begin(), path);
    if (m_Entries.size() > kSize) {
        m_Entries.resize(kSize);
    }
    bool stored = true;
    for (size_t i = 0; i < kSize; ++i) {
        stored &=
            i < m_Entries.size()
                ? m_profile.WriteProfileString(profkey::kRecentSection, EntryName(i), m_Entries[i])
                : m_profile.DeleteValue(profkey::kRecentSection, EntryName(i));
    }
    return stored;
}

std::string CRecentFileList::DisplayName(size_t index) const {
    return AbbreviatePath(m_Entries.at(index), kDisplayLength);
}

std::string AbbreviatePath(const std::string& path, size_t maxChars) {
    if (CharCount(path) <= maxChars) {
        return path;
    }
    const size_t nameStart = path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1;
    const std::string_view name = std::string_view(path).substr(nameStart);
    if (CharCount(name) + kEllipsisLength + 1 > maxChars) {
        return std::string(FirstChars(name, maxChars - std::min(maxChars, kEllipsisLength))) +
               kEllipsis;
    }
    // Keep as many trailing folders as fit after ".../".
    size_t keepFrom = nameStart;
    while (keepFrom > 1) {
        const size_t slash = path.rfind('/', keepFrom - 2);
        if (slash == std::string::npos ||
            CharCount(std::string_view(path).substr(slash + 1)) + kEllipsisLength + 1 > maxChars) {
            break;
        }
        keepFrom = slash + 1;
    }
    return std::string(kEllipsis) + "/" + path.substr(keepFrom);
}

}  // namespace tv
