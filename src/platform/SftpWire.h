#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// SFTP version 3, the version every server speaks, as far as a sync needs it: the requests it
// sends and the answers it reads. Nothing here does I/O.
namespace tv::sftp {

enum class Packet : uint8_t {
    Init = 1,
    Version = 2,
    Open = 3,
    Close = 4,
    Read = 5,
    Write = 6,
    Setstat = 9,
    Fsetstat = 10,
    Opendir = 11,
    Readdir = 12,
    Remove = 13,
    Mkdir = 14,
    Rmdir = 15,
    Stat = 17,
    Rename = 18,
    Status = 101,
    Handle = 102,
    Data = 103,
    Name = 104,
    Attrs = 105,
};

inline constexpr uint32_t kVersion = 3;
inline constexpr uint32_t kStatusOk = 0;
inline constexpr uint32_t kStatusEof = 1;
inline constexpr uint32_t kStatusNoSuchFile = 2;
inline constexpr uint32_t kStatusPermissionDenied = 3;
inline constexpr uint32_t kOpenRead = 0x01;
inline constexpr uint32_t kOpenWrite = 0x02;
inline constexpr uint32_t kOpenCreate = 0x08;
inline constexpr uint32_t kOpenTruncate = 0x10;
inline constexpr uint32_t kAttrSize = 0x01;
inline constexpr uint32_t kAttrOwners = 0x02;
inline constexpr uint32_t kAttrPermissions = 0x04;
inline constexpr uint32_t kAttrTimes = 0x08;
inline constexpr uint32_t kAttrExtended = 0x80000000;
// Servers send at most this much in one answer (a batch of names); a length beyond it means
// the stream is out of step.
inline constexpr uint32_t kMaxReplyBytes = 1u << 20;

// What the attributes of a name say, as far as they say it.
struct CAttributes {
    uint32_t m_flags = 0;
    uint64_t m_size = 0;
    uint32_t m_permissions = 0;
    uint32_t m_mtime = 0;
};

struct CName {
    std::string m_name;
    CAttributes m_attributes;
};

// Appends one request to `out`: the length (fixed by End), the type, the id (for Init, the
// version), then the fields in the order they are added.
class CRequest {
  public:
    CRequest(std::string& out, Packet type, uint32_t id);
    CRequest& U32(uint32_t value);
    CRequest& U64(uint64_t value);
    CRequest& Str(std::string_view text);
    // The length of a string whose bytes the caller appends to `out` itself.
    CRequest& StrLength(uint32_t length);
    void End();

  private:
    std::string& m_out;
    size_t m_start;
};

struct CReply {
    Packet m_type = Packet::Status;
    uint32_t m_id = 0;  // for Version, the server's version
    uint32_t m_status = kStatusOk;
    std::string m_text;          // a Handle's handle, a Status's message
    CAttributes m_attributes;    // of Attrs
    std::vector<CName> m_names;  // of Name
};

enum class Take : uint8_t { Reply, NeedMore, Bad };

// Whether TakeReply would take a reply (or find it bad) at `begin` without more bytes.
bool ReplyWaiting(std::string_view inbox, size_t begin);

// Takes the reply that starts at `begin` in `inbox` and moves `begin` past it. NeedMore until it
// is all there; Bad for a length beyond kMaxReplyBytes, a body too short for its type, or a type
// no request asks for.
Take TakeReply(std::string_view inbox, size_t& begin, CReply& reply);

}  // namespace tv::sftp
