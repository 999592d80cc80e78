#include "sync/PlanNames.h"

#include <utf8proc.h>

#include "task/Element.h"

namespace tv {

NameMatch ChooseNameMatch(const CElement& task, bool srcIsFtp, bool dstIsFtp, bool srcFolds,
                          bool dstFolds) {
    if (srcIsFtp || dstIsFtp) {
        const bool converts = task.Has2(opt2::kFtpUpperCase) || task.Has2(opt2::kFtpLowerCase);
        return converts ? NameMatch::IgnoreCase : NameMatch::Exact;
    }
    return srcFolds || dstFolds ? NameMatch::IgnoreCase : NameMatch::Exact;
}

std::string FoldedNameKey(std::string_view name) {
    std::string key;
    key.reserve(name.size());
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(name.data());
    const auto size = static_cast<utf8proc_ssize_t>(name.size());
    for (utf8proc_ssize_t i = 0; i < size;) {
        utf8proc_int32_t cp = 0;
        const utf8proc_ssize_t len = utf8proc_iterate(bytes + i, size - i, &cp);
        if (len <= 0) {
            // 0xFF never occurs in UTF-8, so a marked stray byte meets only itself.
            key += '\xFF';
            key += static_cast<char>(bytes[i]);
            ++i;
            continue;
        }
        utf8proc_uint8_t out[4];
        const utf8proc_ssize_t n =
            utf8proc_encode_char(utf8proc_tolower(utf8proc_toupper(cp)), out);
        key.append(reinterpret_cast<const char*>(out), static_cast<size_t>(n));
        i += len;
    }
    return key;
}

CNameIndex::CNameIndex(NameMatch match, size_t expected) : m_match(match) {
    m_entries.reserve(expected);
    m_heads.reserve(expected);
}

std::string_view CNameIndex::KeyOf(std::string_view name, std::string& scratch) const {
    if (m_match == NameMatch::Exact) {
        return name;
    }
    scratch = FoldedNameKey(name);
    return scratch;
}

void CNameIndex::Add(std::string_view name, size_t id) {
    std::string scratch;
    std::string_view key = KeyOf(name, scratch);
    if (m_match == NameMatch::IgnoreCase) {
        key = m_keys.emplace_back(std::move(scratch));
    }
    const size_t entry = m_entries.size();
    auto [it, inserted] = m_heads.try_emplace(key, entry);
    m_entries.push_back({name, id, inserted ? npos : it->second, false});
    it->second = entry;
}

size_t CNameIndex::Take(std::string_view name) {
    std::string scratch;
    const auto it = m_heads.find(KeyOf(name, scratch));
    if (it == m_heads.end()) {
        return npos;
    }
    size_t chosen = npos;
    for (size_t e = it->second; e != npos; e = m_entries[e].m_next) {
        CEntry& entry = m_entries[e];
        if (entry.m_bTaken) {
            continue;
        }
        if (chosen == npos || entry.m_name == name) {
            chosen = e;
        }
        if (entry.m_name == name) {
            break;
        }
    }
    if (chosen == npos) {
        return npos;
    }
    m_entries[chosen].m_bTaken = true;
    return m_entries[chosen].m_id;
}

}  // namespace tv
