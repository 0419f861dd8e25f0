#pragma once

#include <string>
#include <vector>

#include "platform/AppError.h"
#include "scan/KeyedList.h"

namespace tolvane::scan::test {

template <typename T>
std::vector<T> itemsOf(const KeyedList<T>& list) {
    return std::vector<T>(list.begin(), list.end());
}

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

}  // namespace tolvane::scan::test
