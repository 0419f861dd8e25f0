#pragma once

#include <exception>

#include "platform/AppError.h"

namespace tolvane::queue {

// Any failure as the program's error type, so a handler can show "number:description":
// AppError as it is, out-of-memory as 7, anything else as 51 with its own text.
AppError AsAppError(const std::exception& failure);

}  // namespace tolvane::queue
