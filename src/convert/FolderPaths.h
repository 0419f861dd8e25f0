#pragma once

// Where each queued message goes in the new store. A folder path is folder names joined by
// single backslashes, with no drive and no backslash at either end (Users\me\Inbox), in
// both path syntaxes of a queued file:
//   Windows  C:\Users\me\Inbox\a.eml       -> Users\me\Inbox
//   POSIX    /home/me/Zimbra/Inbox/a.eml   -> home\me\Zimbra\Inbox  ("/" stands for the drive)

#include <functional>
#include <string>
#include <string_view>

#include "convert/PathList.h"

namespace tolvane::convert {

// What a folder name in legacy bytes (not UTF-8) reads as.
using NameDecoder = std::function<std::string(std::string_view name)>;

// The folders between the drive (or the POSIX root) and the file, spaces around the path
// ignored, each name that is not UTF-8 read by `decodeName` when one is given (names as
// bytes otherwise). The path's syntax is its own (shell::syntaxOf). Throws AppError 9 when
// the path has neither a drive nor a root (no colon and no leading "/"), and AppError 5 when
// no folder is left (the file lies in a root).
std::string MessageFolderPath(const std::string& filePath, const NameDecoder& decodeName = {});

// Appends, for each entry present before the call, every ancestor path and the entry
// itself, in order from the top; empty entries add nothing.
void ExpandFolderPaths(PathList& list);

// Removes Zimbra's batch suffixes: every "!" followed by a whole decimal number without a
// leading zero (Inbox!12 -> Inbox, A!3\B!7 -> A\B); "!0", "!01" and a bare "!" stay.
std::string RemoveBangNumbers(const std::string& folderPath);

}  // namespace tolvane::convert
