#pragma once

#include <cstdint>
#include <limits>

#include "platform/AppError.h"

namespace tolvane::scan {

// Counters never wrap: a step past the signed 32-bit range is an overflow error.
inline void incrementChecked(std::int32_t& counter) {
    if (counter == std::numeric_limits<std::int32_t>::max()) {
        throw AppError(errc::kOverflow, "Overflow");
    }
    ++counter;
}

}  // namespace tolvane::scan
