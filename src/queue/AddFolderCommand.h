#pragma once

#include "queue/QueueWindow.h"
#include "scan/FileSystem.h"
#include "shell/PathSyntax.h"

namespace tolvane::queue {

inline constexpr char kChooseSourceFolder[] = "Choose Source Folder...";
inline constexpr char kQueuedForConversion[] = " Messages Queued for Conversion.";

// "Add Folder having Zimbra Mail File(s)...": asks for a folder, lists every file below it
// and queues each message file in the scanner's order, yielding to the window before every
// path and before every append; then tells how many it queued. A folder that cannot be read
// ends the search there: what was found is queued, and the box names the folder and reason.
// fileSystem replaces the native file system when given.
void AddFolder(QueueWindow& window, shell::PathSyntax syntax = shell::nativePathSyntax(),
               scan::FileSystemFactory fileSystem = {});

}  // namespace tolvane::queue
