#pragma once

#include <functional>

#include "platform/AppError.h"

namespace tolvane::testing {

// The number of the AppError a step raises; 0 when it raises none.
inline long errorNumberOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const AppError& error) {
        return error.number();
    }
    return 0;
}

}  // namespace tolvane::testing
