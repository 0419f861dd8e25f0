#include "queue/AsAppError.h"

#include <new>
#include <string>

namespace tolvane::queue {

AppError AsAppError(const std::exception& failure) {
    if (const auto* appError = dynamic_cast<const AppError*>(&failure)) {
        return *appError;
    }
    if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr) {
        return AppError(7, "Out of memory");
    }
    return AppError(51, std::string("Internal error: ") + failure.what());
}

}  // namespace tolvane::queue
