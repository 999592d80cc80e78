#include "base/Archive.h"
#include "base/Utf.h"

#include <string>

namespace tv {

namespace {
constexpr uint16_t kNullTag = 0x0000;
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint16_t kBigObjectTag = 0x7FFF;
constexpr uint32_t kBigClassTag = 0x80000000;
constexpr size_t kMaxClassName = 64;
}  // namespace

void CArchiveReader::Need(uint64_t count) const {
    if (count > Remaining()) {
        throw CArchiveError("unexpected end of file");
    }
}

uint8_t CArchiveReader::ReadByte() {
    Need(1);
    return m_bytes[m_pos++];
}

uint16_t CArchiveReader::ReadWord() {
    Need(2);
    const uint16_t v = static_cast<uint16_t>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
    m_pos += 2;
    return v;
}

uint32_t CArchiveReader::ReadUInt32() {
    const uint32_t lo = ReadWord();
    const uint32_t hi = ReadWord();
    return lo | (hi << 16);
}

int64_t CArchiveReader::ReadInt64() {
    const uint64_t lo = ReadUInt32();
    const uint64_t hi = ReadUInt32();
    return static_cast<int64_t>(lo | (hi << 32));
}

uint64_t CArchiveReader::ReadStringLength(bool& unicode) {
    unicode = false;
    for (;;) {
        const uint8_t b = ReadByte();
        if (b < 0xFF) {
            return b;
        }
        const uint16_t w = ReadWord();
        if (w == 0xFFFE) {
            if (unicode) {
                throw CArchiveError("malformed string length");
            }
            unicode = true;
            continue;
        }
        if (w < 0xFFFF) {
            return w;
        }
        const uint32_t d = ReadUInt32();
        if (d < 0xFFFFFFFF) {
            return d;
        }
        return static_cast<uint64_t>(ReadInt64());
    }
}

std::u16string CArchiveReader::ReadUnits(uint64_t count) {
    if (count > Remaining() / 2) {
        throw CArchiveError("string longer than the file");
    }
    std::u16string text(static_cast<size_t>(count), u'\0');
    for (auto& unit : text) {
        unit = ReadWord();
    }
    return text;
}

std::string CArchiveReader::ReadNarrow(uint64_t count) {
    Need(count);
    const std::string_view raw(reinterpret_cast<const char*>(m_bytes.data() + m_pos),
                               static_cast<size_t>(count));
    m_pos += static_cast<size_t>(count);
    return IsValidUtf8(raw) ? std::string(raw) : Cp1252ToUtf8(raw);
}

std::string CArchiveReader::ReadString() {
    bool unicode = false;
    const uint64_t n = ReadStringLength(unicode);
    return unicode ? Utf16ToUtf8(ReadUnits(n)) : ReadNarrow(n);
}

std::u16string CArchiveReader::ReadUtf16() {
    bool unicode = false;
    const uint64_t n = ReadStringLength(unicode);
    return unicode ? ReadUnits(n) : Utf8ToUtf16(ReadNarrow(n));
}

int64_t CArchiveReader::ReadTime() {
    const uint32_t first = ReadUInt32();
    if (first == kTimeMarker) {
        return ReadInt64();
    }
    return static_cast<int32_t>(first);
}

uint32_t CArchiveReader::ReadCount() {
    const uint16_t w = ReadWord();
    return w != 0xFFFF ? w : ReadUInt32();
}

std::vector<std::string> CArchiveReader::ReadStringArray() {
    const uint32_t n = ReadCount();
    // Every string takes at least one byte, which bounds the count before anything is reserved.
    Need(n);
    std::vector<std::string> items;
    items.reserve(n);
    for (uint32_t i = 0; i < n; ++i) {
        items.push_back(ReadString());
    }
    return items;
}

std::string CArchiveReader::ReadClassName() {
    const uint16_t length = ReadWord();
    if (length == 0 || length > kMaxClassName) {
        throw CArchiveError("malformed class name");
    }
    Need(length);
    std::string name(reinterpret_cast<const char*>(m_bytes.data() + m_pos), length);
    m_pos += length;
    return name;
}

void CArchiveReader::ReadObjectHeader(std::string_view className, uint16_t schema) {
    const uint16_t tag = ReadWord();
    std::string name;
    if (tag == kNewClassTag) {
        const uint16_t storedSchema = ReadWord();
        name = ReadClassName();
        if (name == className && storedSchema != schema) {
            throw CArchiveError("unsupported schema of class " + name);
        }
        m_classByNumber.emplace(m_nextNumber++, name);
    } else if (tag == kNullTag) {
        throw CArchiveError("unexpected null object");
    } else {
        uint32_t number;
        if (tag == kBigObjectTag) {
            const uint32_t big = ReadUInt32();
            if (!(big & kBigClassTag)) {
                throw CArchiveError("unexpected object back-reference");
            }
            number = big & ~kBigClassTag;
        } else if (tag & kClassTag) {
            number = tag & ~kClassTag;
        } else {
            throw CArchiveError("unexpected object back-reference");
        }
        const auto it = m_classByNumber.find(number);
        if (it == m_classByNumber.end()) {
            throw CArchiveError("reference to an unknown class");
        }
        name = it->second;
    }
    if (name != className) {
        throw CArchiveError("unexpected class " + name + " where " + std::string(className) +
                            " was expected");
    }
    ++m_nextNumber;  // the object takes the next number
}

}  // namespace tv
