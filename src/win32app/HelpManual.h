#pragma once

#include <string>

namespace tolvane::win32app {

// The Help manual: help.html beside the program, else the copy in the source tree the program
// was built from. Empty when neither exists, so Help then does nothing.
std::string HelpManualPath();

}  // namespace tolvane::win32app
