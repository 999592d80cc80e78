#pragma once

#include <cstdint>

namespace tv {

// The bytes of one run for the progress bar: the planning step fills the total, the copy adds
// bytes as they arrive, and the pass adds the size of every item it passes over, so that the
// bar reaches its end. Worker thread only.
struct CRunBytes {
    uint64_t m_total = 0;
    uint64_t m_done = 0;

    // The percentage of CopyProgress: done / (total / 100), at most 100.
    int Percent() const {
        const double divisor = static_cast<double>(m_total) / 100.0;
        const double percent = static_cast<double>(m_done) / (divisor > 0 ? divisor : 1.0);
        return percent >= 100.0 ? 100 : static_cast<int>(percent);
    }
};

}  // namespace tv
