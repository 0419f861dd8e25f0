#pragma once

#include <string>

#include "platform/AppError.h"

namespace tolvane::testing {

// The error number an action raises, 0 when it raises none; the description on request.
inline long errorNumberOf(const auto& action, std::string* description = nullptr) {
    try {
        action();
    } catch (const AppError& error) {
        if (description != nullptr) {
            *description = error.description();
        }
        return error.number();
    }
    return 0;
}

}  // namespace tolvane::testing
