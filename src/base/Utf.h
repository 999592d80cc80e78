#pragma once

#include <string>
#include <string_view>

namespace tv {

// Text in memory is UTF-8; file names are whatever bytes the file system returned. Every
// conversion here is lossless for such bytes: a byte that is not part of valid UTF-8 becomes
// the lone surrogate U+DC80..U+DCFF in UTF-16 and turns back into the same byte.

bool IsValidUtf8(std::string_view text);

std::u16string Utf8ToUtf16(std::string_view text);

// A lone surrogate outside U+DC80..U+DCFF has no byte to stand for; it becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// Decodes 8-bit text of the Windows-1252 code page (the stored 8-bit strings of old files).
std::string Cp1252ToUtf8(std::string_view text);

// Unicode upper case of the valid parts; bytes that are not valid UTF-8 stay as they are.
std::string Utf8ToUpper(std::string_view text);

// Comparison without regard to case (simple case folding), as the Windows file system does.
bool Utf8EqualNoCase(std::string_view a, std::string_view b);
// Bytes of `text` that match `prefix` without regard to case, or npos when it does not begin
// with it (the byte count can differ from prefix.size() when case forms differ in length).
size_t Utf8PrefixLengthNoCase(std::string_view text, std::string_view prefix);

}  // namespace tv
