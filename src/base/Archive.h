#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tv {

// The object-archive encoding shared by task lists, the new-task pattern and snapshots:
// little-endian integers, length-prefixed strings, counts, times with a marker, and object
// references that name a class the first time and refer to its number afterwards.

class CArchiveError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr uint32_t kTimeMarker = 0x8000000A;

class CArchiveWriter {
  public:
    void WriteByte(uint8_t v) { m_bytes.push_back(v); }
    void WriteWord(uint16_t v);
    void WriteUInt32(uint32_t v);
    void WriteInt32(int32_t v) { WriteUInt32(static_cast<uint32_t>(v)); }
    void WriteInt64(int64_t v);
    // Always in the Unicode form: 0xFF, 0xFFFE, then the length in UTF-16 code units.
    void WriteString(std::string_view utf8);
    void WriteUtf16(std::u16string_view text);
    void WriteTime(int64_t seconds);
    void WriteCount(uint32_t n);
    void WriteStringArray(const std::vector<std::string>& items);
    // The reference that precedes an object's body; numbers the class and the object.
    void WriteObjectHeader(std::string_view className, uint16_t schema = 0);

    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    std::string_view View() const;

  private:
    std::vector<uint8_t> m_bytes;
    std::unordered_map<std::string, uint32_t> m_classNumbers;
    uint32_t m_nextNumber = 1;
};

// Reads the encoding from a buffer. Every read checks the bytes that are left and throws
// CArchiveError on damage, so a length field larger than the input never allocates.
class CArchiveReader {
  public:
    explicit CArchiveReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    explicit CArchiveReader(std::string_view bytes)
        : m_bytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) {}

    uint8_t ReadByte();
    uint16_t ReadWord();
    uint32_t ReadUInt32();
    int32_t ReadInt32() { return static_cast<int32_t>(ReadUInt32()); }
    int64_t ReadInt64();
    // Unicode strings are decoded from UTF-16LE; 8-bit strings as UTF-8 when they are valid
    // UTF-8 and as Windows-1252 otherwise.
    std::string ReadString();
    // The same string as UTF-16 code units, for the few fields stored in a coded form.
    std::u16string ReadUtf16();
    // The marker form, or (older files) a 4-byte value taken as sign-extended seconds.
    int64_t ReadTime();
    uint32_t ReadCount();
    std::vector<std::string> ReadStringArray();
    // Reads an object reference and checks that it names `className` with `schema`.
    void ReadObjectHeader(std::string_view className, uint16_t schema = 0);

    size_t Remaining() const { return m_bytes.size() - m_pos; }
    size_t Position() const { return m_pos; }
    bool AtEnd() const { return m_pos == m_bytes.size(); }

  private:
    void Need(uint64_t count) const;
    uint64_t ReadStringLength(bool& unicode);
    std::u16string ReadUnits(uint64_t count);
    std::string ReadNarrow(uint64_t count);
    std::string ReadClassName();

    std::span<const uint8_t> m_bytes;
    size_t m_pos = 0;
    std::unordered_map<uint32_t, std::string> m_classByNumber;
    uint32_t m_nextNumber = 1;
};

}  // namespace tv
