#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

struct CMailRecipient {
    std::string m_strAddress;
    std::string m_strName;  // the friendly name; may be empty
};

// One mail: sender, recipients, subject and a plain text body. CSMTP prepares its header and
// sends it. Any thread, one at a time.
class CMailMessage {
  public:
    virtual ~CMailMessage() = default;

    // Adds the recipients of a "To:" text: pieces separated by ";", each an address or a
    // friendly name followed by the address in angle brackets ("Ann <a@x>;b@y"). Blanks
    // around pieces, names and addresses are dropped and empty pieces skipped. A piece that
    // holds a line break or no usable address adds nobody and is kept in RejectedPieces().
    // False, keeping the recipients added so far, when a piece has its ">" before its "<".
    bool AddRecipients(std::string_view text);
    const std::vector<std::string>& RejectedPieces() const { return m_rejected; }

    std::string m_strFrom;
    std::string m_strSubject;
    std::time_t m_timeSent = 0;
    std::string m_strHeader;
    std::string m_strBody;  // lines separated by "\r\n" (other line ends are made so)
    std::vector<CMailRecipient> m_Recipients;

  private:
    std::vector<std::string> m_rejected;
};

}  // namespace tv
