#pragma once

#include <string_view>

#include "platform/AppError.h"

namespace tolvane::scan {

// The error for a folder the system refused: 70 for no access, 76 for a folder that is not
// (or no longer) there, 75 for anything else; the description names the folder, the step
// (action, e.g. "open") and the system's reason.
AppError folderAccessError(int systemError, std::string_view action, std::string_view folderPath);

}  // namespace tolvane::scan
