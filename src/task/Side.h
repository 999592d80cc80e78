#pragma once

#include <cstdint>

namespace tv {

// One end of a task's pair: its source, or the target being worked on.
enum class Side : uint8_t { Source, Target };

constexpr Side OtherSide(Side side) {
    return side == Side::Source ? Side::Target : Side::Source;
}

}  // namespace tv
