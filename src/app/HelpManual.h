#pragma once

#include <QString>

namespace tolvane::app {

// The file URL of the Help manual: help.html beside the program, else the copy in the source
// tree the program was built from. Empty when neither exists, so Help then does nothing.
QString HelpManualUrl();

}  // namespace tolvane::app
