#pragma once

#include <string>

#include "platform/Ui.h"
#include "shell/PathSyntax.h"

namespace tolvane::shell {

// Hands a path or address to the desktop; the empty string does nothing. False when nothing
// was opened.
bool OpenDocument(Ui& ui, const std::string& target);

// A directory-only picker with the caller's title. The chosen folder's native path (a root
// keeps its separator, other folders end without one), or "" when nothing was chosen or the
// picker failed.
std::string BrowseForFolder(Ui& ui, const std::string& title);

// The folder part of a path, up to and including its last separator: "" when the path has
// none. Throws AppError 9 for the empty path, which has no component to take.
std::string FolderFromPath(const std::string& path, PathSyntax syntax = nativePathSyntax());

}  // namespace tolvane::shell
