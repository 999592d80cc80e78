#include "sync/PlanNames.h"

#include <utf8proc.h>

#include <functional>

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

NameCase TargetNameCase(const CElement& task) {
    if (task.Has2(opt2::kFtpUpperCase)) {
        return NameCase::Upper;
    }
    return task.Has2(opt2::kFtpLowerCase) ? NameCase::Lower : NameCase::Keep;
}

namespace {

// Maps each code point of the valid UTF-8 parts of `name` through `map`; a byte that is not
// valid UTF-8 is handed to `stray`, which appends what stands for it. A template, as the name
// index folds every name of a tree through it.
template <typename MapFn, typename StrayFn>
std::string MapCodePoints(std::string_view name, MapFn map, StrayFn stray) {
    std::string mapped;
    mapped.reserve(name.size());
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(name.data());
    const auto size = static_cast<utf8proc_ssize_t>(name.size());
    for (utf8proc_ssize_t i = 0; i < size;) {
        utf8proc_int32_t cp = 0;
        const utf8proc_ssize_t len = utf8proc_iterate(bytes + i, size - i, &cp);
        if (len <= 0) {
            stray(mapped, static_cast<char>(bytes[i]));
            ++i;
            continue;
        }
        utf8proc_uint8_t out[4];
        const utf8proc_ssize_t n = utf8proc_encode_char(map(cp), out);
        mapped.append(reinterpret_cast<const char*>(out), static_cast<size_t>(n));
        i += len;
    }
    return mapped;
}

}  // namespace

std::string ConvertNameCase(std::string_view name, NameCase conversion) {
    if (conversion == NameCase::Keep) {
        return std::string(name);
    }
    return MapCodePoints(
        name,
        [conversion](utf8proc_int32_t cp) {
            return conversion == NameCase::Upper ? utf8proc_toupper(cp) : utf8proc_tolower(cp);
        },
        [](std::string& out, char byte) { out += byte; });
}

std::string FoldedNameKey(std::string_view name) {
    return MapCodePoints(
        name, [](utf8proc_int32_t cp) { return utf8proc_tolower(utf8proc_toupper(cp)); },
        [](std::string& out, char byte) {
            // 0xFF never occurs in UTF-8, so a marked stray byte meets only itself.
            out += '\xFF';
            out += byte;
        });
}

CNameIndex::CNameIndex(NameMatch match, size_t expected) : m_match(match) {
    m_entries.reserve(expected);
    size_t slots = 16;
    while (slots < expected * 2) {
        slots *= 2;
    }
    m_slots.assign(slots, 0);
}

std::string_view CNameIndex::KeyOf(std::string_view name, std::string& scratch) const {
    if (m_match == NameMatch::Exact) {
        return name;
    }
    scratch = FoldedNameKey(name);
    return scratch;
}

size_t CNameIndex::SlotOf(std::string_view key, uint64_t hash) const {
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const size_t entry = m_slots[slot];
        if (entry == 0 ||
            (m_entries[entry - 1].m_hash == hash && m_entries[entry - 1].m_key == key)) {
            return slot;
        }
    }
}

void CNameIndex::Grow() {
    std::vector<size_t> old(m_slots.size() * 2, 0);
    old.swap(m_slots);
    for (const size_t entry : old) {
        if (entry != 0) {
            const CEntry& e = m_entries[entry - 1];
            m_slots[SlotOf(e.m_key, e.m_hash)] = entry;
        }
    }
}

void CNameIndex::Add(std::string_view name, size_t id) {
    if ((m_used + 1) * 2 > m_slots.size()) {
        Grow();
    }
    std::string scratch;
    std::string_view key = KeyOf(name, scratch);
    if (m_match == NameMatch::IgnoreCase) {
        key = m_keys.emplace_back(std::move(scratch));
    }
    const uint64_t hash = std::hash<std::string_view>()(key);
    const size_t slot = SlotOf(key, hash);
    const size_t previous = m_slots[slot] == 0 ? npos : m_slots[slot] - 1;
    m_used += previous == npos ? 1 : 0;
    m_entries.push_back({name, key, hash, id, previous, false});
    m_slots[slot] = m_entries.size();
}

size_t CNameIndex::Take(std::string_view name) {
    std::string scratch;
    const std::string_view key = KeyOf(name, scratch);
    const size_t head = m_slots[SlotOf(key, std::hash<std::string_view>()(key))];
    size_t chosen = npos;
    for (size_t e = head == 0 ? npos : head - 1; e != npos; e = m_entries[e].m_next) {
        const CEntry& entry = m_entries[e];
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
