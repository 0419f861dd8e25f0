#pragma once

#include "queue/QueueWindow.h"
#include "scan/FileSystem.h"
#include "shell/PathSyntax.h"

namespace tolvane::queue {

inline constexpr char kChooseSourceFolder[] = "Choose Source Folder...";
inline constexpr char kQueuedForConversion[] = " Messages Queued for Conversion.";
inline constexpr char kSkippedFolders[] = "These folders could not be read and were skipped:";
inline constexpr char kNotFiles[] =
    "These entries are named like message files but are not files, so they were not queued:";

// "Add Folder having Zimbra Mail File(s)...": asks for a folder, lists every file below it
// and queues each message file in the scanner's order, yielding to the window before every
// path and before every append; then tells how many it queued. A folder that cannot be read
// is skipped and the search goes on; the box then lists each skipped folder with its reason,
// and each entry named like a message file that is no file (a broken link, a pipe, ...).
// fileSystem replaces the native file system when given.
void AddFolder(QueueWindow& window, shell::PathSyntax syntax = shell::nativePathSyntax(),
               scan::FileSystemFactory fileSystem = {});

}  // namespace tolvane::queue
