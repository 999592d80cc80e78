#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// One reply of a mail server, gathered line by line: "250-first", "250-more", "250 last". The
// code is read from the first three characters of the first line (0 when they are no number);
// a line that does not continue the reply in the same form ends it, so that a confused server
// cannot keep the client reading.
class CSmtpReply {
  public:
    // More lines than this end the reply as well: no server needs them.
    static constexpr size_t kMaxLines = 100;

    // Takes the next line (without its line end). True when the reply is complete.
    bool Add(std::string_view line);
    bool IsComplete() const { return m_bComplete; }
    int Code() const { return m_nCode; }
    // The text of each line after the code and its separator.
    const std::vector<std::string>& Lines() const { return m_lines; }
    // The reply as one text for an error line: "550 No such user" (several lines joined by a
    // blank), without control characters.
    std::string Text() const;

    // What an EHLO reply says the server can do.
    bool Offers(std::string_view keyword) const;
    // The mechanisms named by the server's "AUTH" line, upper case.
    std::vector<std::string> AuthMechanisms() const;

  private:
    int m_nCode = -1;
    bool m_bComplete = false;
    std::vector<std::string> m_lines;
};

}  // namespace tv
