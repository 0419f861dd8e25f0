#pragma once

#include <QString>

namespace tolvane::app {

// The file URL of the Help manual: help.html beside the program, else the copy in the source
// tree the program was built from. Empty when neither exists.
QString HelpManualUrl();
// The same manual as a local path, for a user whose desktop cannot open it; empty when none.
QString HelpManualPath();

}  // namespace tolvane::app
