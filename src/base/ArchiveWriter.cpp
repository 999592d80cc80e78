#include "base/Archive.h"
#include "base/Utf.h"

namespace tv {

namespace {
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint16_t kBigObjectTag = 0x7FFF;
constexpr uint32_t kBigClassTag = 0x80000000;
}  // namespace

void CArchiveWriter::WriteWord(uint16_t v) {
    m_bytes.push_back(static_cast<uint8_t>(v));
    m_bytes.push_back(static_cast<uint8_t>(v >> 8));
}

void CArchiveWriter::WriteUInt32(uint32_t v) {
    WriteWord(static_cast<uint16_t>(v));
    WriteWord(static_cast<uint16_t>(v >> 16));
}

void CArchiveWriter::WriteInt64(int64_t v) {
    const auto u = static_cast<uint64_t>(v);
    WriteUInt32(static_cast<uint32_t>(u));
    WriteUInt32(static_cast<uint32_t>(u >> 32));
}

void CArchiveWriter::WriteString(std::string_view utf8) {
    WriteUtf16(Utf8ToUtf16(utf8));
}

void CArchiveWriter::WriteUtf16(std::u16string_view text) {
    WriteByte(0xFF);
    WriteWord(0xFFFE);
    const size_t n = text.size();
    if (n < 0xFF) {
        WriteByte(static_cast<uint8_t>(n));
    } else if (n < 0xFFFE) {
        WriteByte(0xFF);
        WriteWord(static_cast<uint16_t>(n));
    } else {
        WriteByte(0xFF);
        WriteWord(0xFFFF);
        WriteUInt32(static_cast<uint32_t>(n));
    }
    for (const char16_t unit : text) {
        WriteWord(unit);
    }
}

void CArchiveWriter::WriteTime(int64_t seconds) {
    WriteUInt32(kTimeMarker);
    WriteInt64(seconds);
}

void CArchiveWriter::WriteCount(uint32_t n) {
    if (n < 0xFFFF) {
        WriteWord(static_cast<uint16_t>(n));
    } else {
        WriteWord(0xFFFF);
        WriteUInt32(n);
    }
}

void CArchiveWriter::WriteStringArray(const std::vector<std::string>& items) {
    WriteCount(static_cast<uint32_t>(items.size()));
    for (const auto& item : items) {
        WriteString(item);
    }
}

void CArchiveWriter::WriteObjectHeader(std::string_view className, uint16_t schema) {
    const auto it = m_classNumbers.find(std::string(className));
    if (it == m_classNumbers.end()) {
        WriteWord(kNewClassTag);
        WriteWord(schema);
        WriteWord(static_cast<uint16_t>(className.size()));
        m_bytes.insert(m_bytes.end(), className.begin(), className.end());
        m_classNumbers.emplace(className, m_nextNumber++);
    } else if (it->second < kBigObjectTag) {
        WriteWord(static_cast<uint16_t>(kClassTag | it->second));
    } else {
        WriteWord(kBigObjectTag);
        WriteUInt32(kBigClassTag | it->second);
    }
    ++m_nextNumber;  // the object itself takes the next number
}

std::string_view CArchiveWriter::View() const {
    return {reinterpret_cast<const char*>(m_bytes.data()), m_bytes.size()};
}

}  // namespace tv
