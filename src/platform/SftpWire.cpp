#include "platform/SftpWire.h"

namespace tv::sftp {
namespace {

void Put32(std::string& out, uint32_t value) {
    const char bytes[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 8), static_cast<char>(value)};
    out.append(bytes, sizeof bytes);
}

// Reads the fields of a reply body in order; any read past its end marks it short.
class CReader {
  public:
    explicit CReader(std::string_view body) : m_body(body) {}
    uint32_t U32() {
        if (m_body.size() - m_at < 4) {
            m_bShort = true;
            return 0;
        }
        const auto* p = reinterpret_cast<const unsigned char*>(m_body.data() + m_at);
        m_at += 4;
        return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    }
    std::string Str() {
        const uint32_t length = U32();
        if (m_bShort || m_body.size() - m_at < length) {
            m_bShort = true;
            return {};
        }
        std::string text(m_body.substr(m_at, length));
        m_at += length;
        return text;
    }
    uint64_t U64() {
        const uint64_t high = U32();
        return (high << 32) | U32();
    }
    bool Short() const { return m_bShort; }

  private:
    std::string_view m_body;
    size_t m_at = 0;
    bool m_bShort = false;
};

// Only what a listing uses is kept; owners and extensions are read past.
CAttributes ReadAttributes(CReader& fields) {
    CAttributes attributes;
    attributes.m_flags = fields.U32();
    if ((attributes.m_flags & kAttrSize) != 0) {
        attributes.m_size = fields.U64();
    }
    if ((attributes.m_flags & kAttrOwners) != 0) {
        fields.U32();
        fields.U32();
    }
    if ((attributes.m_flags & kAttrPermissions) != 0) {
        attributes.m_permissions = fields.U32();
    }
    if ((attributes.m_flags & kAttrTimes) != 0) {
        fields.U32();
        attributes.m_mtime = fields.U32();
    }
    if ((attributes.m_flags & kAttrExtended) != 0) {
        const uint32_t count = fields.U32();
        for (uint32_t i = 0; i < count && !fields.Short(); ++i) {
            fields.Str();
            fields.Str();
        }
    }
    return attributes;
}

void ReadNames(CReader& fields, std::vector<CName>& names) {
    const uint32_t count = fields.U32();
    for (uint32_t i = 0; i < count && !fields.Short(); ++i) {
        CName name;
        name.m_name = fields.Str();
        fields.Str();  // the "ls -l" line, which the attributes say better
        name.m_attributes = ReadAttributes(fields);
        names.push_back(std::move(name));
    }
}

}  // namespace

CRequest::CRequest(std::string& out, Packet type, uint32_t id) : m_out(out), m_start(out.size()) {
    Put32(m_out, 0);
    m_out.push_back(static_cast<char>(type));
    Put32(m_out, id);
}

CRequest& CRequest::U32(uint32_t value) {
    Put32(m_out, value);
    return *this;
}

CRequest& CRequest::U64(uint64_t value) {
    Put32(m_out, static_cast<uint32_t>(value >> 32));
    Put32(m_out, static_cast<uint32_t>(value));
    return *this;
}

CRequest& CRequest::Str(std::string_view text) {
    Put32(m_out, static_cast<uint32_t>(text.size()));
    m_out.append(text);
    return *this;
}

CRequest& CRequest::StrLength(uint32_t length) {
    Put32(m_out, length);
    return *this;
}

void CRequest::End() {
    std::string length;
    Put32(length, static_cast<uint32_t>(m_out.size() - m_start - 4));
    m_out.replace(m_start, 4, length);
}

bool ReplyWaiting(std::string_view inbox, size_t begin) {
    CReader header(inbox.substr(begin));
    const uint32_t length = header.U32();
    return !header.Short() && (length > kMaxReplyBytes || inbox.size() - begin - 4 >= length);
}

Take TakeReply(std::string_view inbox, size_t& begin, CReply& reply) {
    CReader header(inbox.substr(begin));
    const uint32_t length = header.U32();
    if (header.Short()) {
        return Take::NeedMore;
    }
    if (length > kMaxReplyBytes || length < 5) {
        return Take::Bad;
    }
    if (inbox.size() - begin - 4 < length) {
        return Take::NeedMore;
    }
    const std::string_view body = inbox.substr(begin + 4, length);
    CReader fields(body.substr(1));
    reply = {};
    reply.m_type = static_cast<Packet>(static_cast<unsigned char>(body[0]));
    reply.m_id = fields.U32();
    switch (reply.m_type) {
        case Packet::Version:
            break;
        case Packet::Status:
            reply.m_status = fields.U32();
            // Servers of the first version end the status after its code.
            if (!fields.Short()) {
                CReader message = fields;
                reply.m_text = message.Str();
            }
            break;
        case Packet::Handle:
        case Packet::Data:
            reply.m_text = fields.Str();
            break;
        case Packet::Attrs:
            reply.m_attributes = ReadAttributes(fields);
            break;
        case Packet::Name:
            ReadNames(fields, reply.m_names);
            break;
        default:
            return Take::Bad;
    }
    if (fields.Short()) {
        return Take::Bad;
    }
    begin += 4 + length;
    return Take::Reply;
}

}  // namespace tv::sftp
