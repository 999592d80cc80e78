#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// How the characters of a log are stored: UTF-16LE code units, or the 8-bit form of "Save log
// as ASCII file", which on this system is UTF-8. Neither form has a byte-order mark.
enum class LogEncoding { Utf16, Utf8 };

// The bytes of UTF-8 `text` in `encoding`. Bytes that are not valid UTF-8 (raw file names)
// survive in both forms.
std::string EncodeLogText(std::string_view text, LogEncoding encoding);

// The largest length not above `limit` at which `bytes` can be cut without splitting a
// character: never half a UTF-16 unit or surrogate pair, never half a UTF-8 sequence.
size_t LogCharBoundary(std::string_view bytes, size_t limit, LogEncoding encoding);

// The lines of encoded `bytes`, each without its line end ("\r\n" or "\n"); a final line end
// starts no further line.
std::vector<std::string_view> SplitLogLines(std::string_view bytes, LogEncoding encoding);

// True when encoded `line` holds the encoded form of ASCII `needle`, on a character boundary.
bool LogLineContains(std::string_view line, std::string_view needle, LogEncoding encoding);

// `text` with "&", "<" and ">" written as HTML entities, so that file names show as
// they are and never become markup.
std::string EscapeHtml(std::string_view text);

}  // namespace tv
