#include "platform/NotifyBus.h"

#include <cstring>

namespace tv {

namespace {

enum HeaderField : uint8_t {
    kPath = 1,
    kInterface = 2,
    kMember = 3,
    kReplySerial = 5,
    kDestination = 6,
    kSignature = 8
};

uint32_t ReadUint32(std::string_view bytes, size_t at, bool little) {
    const auto b = [&](size_t i) {
        return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i]));
    };
    return little ? b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24
                  : b(3) | b(2) << 8 | b(1) << 16 | b(0) << 24;
}

size_t Aligned(size_t at, size_t boundary) {
    return (at + boundary - 1) / boundary * boundary;
}

void Field(CBusWriter& out, uint8_t code, char type, std::string_view value) {
    out.Align(8);
    out.Byte(code);
    out.Signature(std::string_view(&type, 1));
    if (type == 'g') {
        out.Signature(value);
    } else {
        out.String(value);
    }
}

}  // namespace

void CBusWriter::Uint32(uint32_t value) {
    Align(4);
    for (int i = 0; i < 4; ++i) {
        Byte(static_cast<uint8_t>(value >> (8 * i)));
    }
}

void CBusWriter::String(std::string_view text) {
    Uint32(static_cast<uint32_t>(text.size()));
    m_bytes.append(text);
    Byte(0);
}

void CBusWriter::Signature(std::string_view text) {
    Byte(static_cast<uint8_t>(text.size()));
    m_bytes.append(text);
    Byte(0);
}

void CBusWriter::Align(size_t boundary) {
    m_bytes.resize(Aligned(m_bytes.size(), boundary), '\0');
}

size_t CBusWriter::BeginArray(size_t alignment) {
    Uint32(0);
    const size_t lengthAt = m_bytes.size() - 4;
    Align(alignment);
    return lengthAt;
}

void CBusWriter::EndArray(size_t lengthAt, size_t alignment) {
    // The length counts the elements, not the padding before the first one.
    const size_t first = Aligned(lengthAt + 4, alignment);
    const auto length = static_cast<uint32_t>(m_bytes.size() - first);
    for (int i = 0; i < 4; ++i) {
        m_bytes[lengthAt + i] = static_cast<char>(length >> (8 * i));
    }
}

std::string BusMethodCall(uint32_t serial, std::string_view destination, std::string_view path,
                          std::string_view interface, std::string_view member,
                          std::string_view signature, const std::string& body) {
    CBusWriter out;
    out.Byte('l');
    out.Byte(1);  // a method call
    out.Byte(0);
    out.Byte(1);  // protocol version
    out.Uint32(static_cast<uint32_t>(body.size()));
    out.Uint32(serial);
    const size_t fields = out.BeginArray(8);
    Field(out, kPath, 'o', path);
    Field(out, kInterface, 's', interface);
    Field(out, kMember, 's', member);
    Field(out, kDestination, 's', destination);
    if (!signature.empty()) {
        Field(out, kSignature, 'g', signature);
    }
    out.EndArray(fields, 8);
    out.Align(8);
    return out.Bytes() + body;
}

bool ParseBusHeader(std::string_view bytes, CBusReply* reply) {
    if (bytes.size() < 16 || (bytes[0] != 'l' && bytes[0] != 'B')) {
        return false;
    }
    const bool little = bytes[0] == 'l';
    const uint32_t bodyLength = ReadUint32(bytes, 4, little);
    const uint32_t fieldsLength = ReadUint32(bytes, 12, little);
    const size_t fieldsEnd = 16 + static_cast<size_t>(fieldsLength);
    if (fieldsLength > (1u << 26) || bodyLength > (1u << 27) || bytes.size() < fieldsEnd) {
        return false;
    }
    reply->m_nType = static_cast<uint8_t>(bytes[1]);
    reply->m_nTotalBytes = Aligned(fieldsEnd, 8) + bodyLength;
    size_t at = 16;
    while (at < fieldsEnd) {
        at = Aligned(at, 8);
        if (at + 3 > fieldsEnd) {
            return false;
        }
        const auto code = static_cast<uint8_t>(bytes[at]);
        const auto sigLength = static_cast<uint8_t>(bytes[at + 1]);
        if (sigLength != 1 || at + 4 > fieldsEnd) {
            return false;
        }
        const char type = bytes[at + 2];
        at += 4;
        if (type == 'g') {
            at += 2 + static_cast<uint8_t>(bytes[at]);
        } else if (type == 'u' || type == 's' || type == 'o') {
            at = Aligned(at, 4);
            if (at + 4 > fieldsEnd) {
                return false;
            }
            const uint32_t value = ReadUint32(bytes, at, little);
            if (code == kReplySerial && type == 'u') {
                reply->m_nReplySerial = value;
            }
            at += 4 + (type == 'u' ? 0 : static_cast<size_t>(value) + 1);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace tv
