#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace tv {

// The text forms a mail takes on its way to a server.

// Every line end ("\r\n", a lone "\n" or a lone "\r") becomes "\r\n", and the text ends with one.
std::string WithCrLf(std::string_view text);

// A body that travels as it is (ASCII, lines of at most 998 bytes) or as quoted-printable.
enum class TransferEncoding { SevenBit, QuotedPrintable };
TransferEncoding EncodingFor(std::string_view crlfText);
// Quoted-printable (RFC 2045) of a text whose lines end in "\r\n"; keeps those line ends.
std::string QuotedPrintable(std::string_view crlfText);

// Puts a "." before every line that starts with one, so that no line of the text can end the
// message early. The text's lines end in "\r\n".
std::string DotStuffed(std::string_view crlfText);

// A header value made from user text: control characters (CR and LF above all) become blanks,
// so the text can never start a header line of its own; text that is not plain ASCII becomes
// UTF-8 encoded words (RFC 2047), folded so that no line grows too long.
std::string HeaderValue(std::string_view text);
// A display name for an address header: as it is when it is a plain word sequence, quoted when
// it holds specials, encoded when it is not ASCII. Control characters become blanks.
std::string DisplayName(std::string_view name);

// The RFC 5322 date of `when` in local time: "Wed, 09 Dec 2026 21:20:13 +0100".
std::string MailDate(std::time_t when);

// An address that can go into a command and a header as it is: not empty, at most 254 bytes,
// no blanks, control characters, angle brackets, commas or semicolons.
bool IsUsableAddress(std::string_view address);

}  // namespace tv
