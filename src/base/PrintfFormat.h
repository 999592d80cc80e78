#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// The arguments that the printf format `format` takes, in order, one token each: "*" for a
// width or precision given as an argument, else the length modifier and the kind of the
// conversion ("d" for d and i, "u" for o, u, x and X, "f" for the floating kinds, "c", "s",
// "p"), so "%-8ld of %*s" gives {"ld", "*", "s"}. Nothing when the format is malformed, holds
// "%n" or a positional argument ("%1$s"), gives a conversion a flag, precision or length
// modifier that it does not take, or a width or precision of more than three digits: what
// such a format does with its arguments is not safe to rely on. Any thread.
std::optional<std::vector<std::string>> PrintfArguments(std::string_view format);

}  // namespace tv
