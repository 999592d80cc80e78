#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tv {

// Whole-name match, characters compared exactly (callers upper-case both sides). "?" stands
// for one character (one UTF-8 code point, or one byte that is not valid UTF-8), "*" for any
// run of characters. Linear in practice: a mask never makes the match explode.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// The masks of a comma/semicolon/blank delimited list ("*.TMP, *.BAK;~*"), in order.
std::vector<std::string> SplitMaskList(std::string_view list);

}  // namespace tv
