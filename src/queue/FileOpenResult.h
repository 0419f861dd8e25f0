#pragma once

#include <string>
#include <vector>

#include "shell/PathSyntax.h"

namespace tolvane::queue {

// The paths a file-open result queues, in order. The result is "", one full path, or a
// folder followed by NUL-separated names (a final NUL optional); the folder gets one
// separator before each name, none when it already ends with one (a root).
std::vector<std::string> PathsOfFileOpenResult(
    std::string result, shell::PathSyntax syntax = shell::nativePathSyntax());

}  // namespace tolvane::queue
