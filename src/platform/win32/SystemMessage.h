#pragma once

#include <string>

namespace tolvane::win32 {

// The system's reason for a Win32 error number, in its own words (UTF-8), without the line
// break and full stop it ends with; "system error N" when it has none.
std::string SystemMessage(unsigned long error);

}  // namespace tolvane::win32
