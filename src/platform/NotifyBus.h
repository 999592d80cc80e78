#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

// Writes a D-Bus message in the little-endian wire form: the header fields of a method call
// and a body of basic values, each aligned as the protocol asks.
class CBusWriter {
  public:
    void Byte(uint8_t value) { m_bytes.push_back(static_cast<char>(value)); }
    void Uint32(uint32_t value);
    void String(std::string_view text);
    void Signature(std::string_view text);
    void Align(size_t boundary);
    // An array whose elements start at `alignment`: BeginArray gives the place of the length,
    // which EndArray (with the same alignment) fills in.
    size_t BeginArray(size_t alignment);
    void EndArray(size_t lengthAt, size_t alignment);
    const std::string& Bytes() const { return m_bytes; }
    size_t Size() const { return m_bytes.size(); }

  private:
    std::string m_bytes;
};

// A whole method call: header and body.
std::string BusMethodCall(uint32_t serial, std::string_view destination, std::string_view path,
                          std::string_view interface, std::string_view member,
                          std::string_view signature, const std::string& body);

// What a reply header says. False when the bytes are not a whole header yet or not one at all.
struct CBusReply {
    uint8_t m_nType = 0;  // 2 method return, 3 error
    uint32_t m_nReplySerial = 0;
    size_t m_nTotalBytes = 0;  // header, padding and body
};
bool ParseBusHeader(std::string_view bytes, CBusReply* reply);

}  // namespace tv
